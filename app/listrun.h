#pragma once

#include "store/archiverecords.h"

#include <QObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QStringList>
#include <QTimer>
#include <optional>

class Form1;
class ListProgress;

// What one phrase of a list came to.
struct PhraseOutcome
{
    QString phrase;
    std::optional<qint64> position;   // found at
    QString address;                  // the found address
    qint64 checked = 0;               // positions checked when not found
    bool citedInAiOverview = false;   // the fragment is among the AI overview's sources
    bool notLoaded = false;           // a page did not load, in its time or at all: nothing was measured
    QString unreadPage;               // where the page the reader could not place is kept

    // Whether the phrase ran without being measured.
    bool unchecked() const { return notLoaded || !unreadPage.isEmpty(); }
    // "posizione 12", "non trovato entro 100", "pagina non caricata" or
    // "pagina non letta (salvata in FILE)".
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
// The pauses vary as a person's do; a page that does not complete in its
// time ends its phrase, and the list goes on.
class ListRun : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMinimumPauseSeconds = 5;
    static constexpr int kDefaultPageSeconds = 60;

    // `pauseMilliseconds` is the pauses' mean; none is shorter than
    // `minimumPauseMilliseconds`.
    ListRun(Form1 *form, QStringList phrases, int pauseMilliseconds,
            int minimumPauseMilliseconds = kMinimumPauseSeconds * 1000, QObject *parent = nullptr);
    ~ListRun() override;

    // How long a page may take before its phrase ends unchecked; 0: no limit.
    void setPageTimeout(int milliseconds) { m_pageTimer.setInterval(milliseconds); m_pageLimit = milliseconds > 0; }
    void seed(quint32 seed) { m_random.seed(seed); }
    // Where the checked phrases are kept, so that a list stopped half way can
    // go on; the phrases already checked there are not asked again.
    void setProgress(ListProgress *progress) { m_progress = progress; }

    void start();
    // Ends the list once the current run has ended and been saved.
    void stop();

    int count() const { return int(m_phrases.size()); }
    int current() const { return m_index; }
    bool running() const { return m_running; }
    const QList<PhraseOutcome> &outcomes() const { return m_outcomes; }

    // The next pause: between half and one and a half times the mean, never
    // under the minimum.
    int drawPause();
    static int pauseFor(int meanMilliseconds, int minimumMilliseconds, double uniform);

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
    void pageTimedOut();
    void runFailed(RunEnd end, const QString &detail);
    void endPhrase(const PhraseOutcome &outcome);

    QPointer<Form1> m_form;
    QStringList m_phrases;
    int m_meanPause;
    int m_minimumPause;
    QTimer m_pause;
    QTimer m_pageTimer;
    bool m_pageLimit = false;
    QRandomGenerator m_random{QRandomGenerator::securelySeeded()};
    ListProgress *m_progress = nullptr;
    QList<PhraseOutcome> m_outcomes;
    int m_index = -1;
    bool m_running = false;
    bool m_stopping = false;
};
