#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <optional>

class Form1;

// What one phrase of a list came to.
struct PhraseOutcome
{
    QString phrase;
    std::optional<qint64> position;   // found at
    QString address;                  // the found address
    qint64 checked = 0;               // positions checked when not found
    bool citedInAiOverview = false;   // the fragment is among the AI overview's sources

    // "posizione 12" or "non trovato entro 100".
    QString result() const;
    // ", citato nella Panoramica AI" when it is; empty otherwise.
    QString citation() const;
    // "bimby: posizione 12 (http://...)" or "bimby: non trovato entro 100",
    // and ", citato nella Panoramica AI" when it is.
    QString line() const;
};

// Runs a list of phrases in the main window, one ordinary run each: the run
// starts as "Avvia" starts it, ends by the rules runs have, and its outcome
// is saved as "Salva risultato" saves it; after a pause the next phrase runs.
class ListRun : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMinimumPauseSeconds = 5;

    ListRun(Form1 *form, QStringList phrases, int pauseMilliseconds, QObject *parent = nullptr);

    void start();
    // Ends the list once the current run has ended and been saved.
    void stop();

    int count() const { return int(m_phrases.size()); }
    int current() const { return m_index; }
    bool running() const { return m_running; }
    const QList<PhraseOutcome> &outcomes() const { return m_outcomes; }

    // The phrases of a text: one a line, blanks dropped, each once.
    static QStringList phrasesOf(const QStringList &lines);

signals:
    void phraseStarted(int index, const QString &phrase);
    void phraseEnded(int index, const PhraseOutcome &outcome);
    // A page of the current phrase asks the user something.
    void needsUser(int index, const QString &phrase);
    void finished();

private:
    void next();
    void runEnded();

    QPointer<Form1> m_form;
    QStringList m_phrases;
    QTimer m_pause;
    QList<PhraseOutcome> m_outcomes;
    int m_index = -1;
    bool m_running = false;
    bool m_stopping = false;
};
