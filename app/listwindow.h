#pragma once

#include <QDialog>
#include <memory>

class Form1;
class ListProgress;
class ListRun;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
struct PhraseOutcome;

// "Cerca un elenco di frasi": the phrases, one a line, each run in the main
// window in turn with its outcome saved to the result log.
class ListWindow : public QDialog
{
    Q_OBJECT
public:
    // `millisecondsPerSecond` shortens the pauses between phrases for the tests.
    ListWindow(Form1 *form, int millisecondsPerSecond = 1000);
    ~ListWindow() override;

    void setPhrases(const QStringList &phrases);
    ListRun *run() const { return m_run.get(); }

signals:
    void historyRequested();
    void competitorsRequested(const QString &phrase);

private:
    // "Avvia" or "Riprendi", and "Arresta".
    void startOrStop(bool resume);
    void showResume();
    std::unique_ptr<ListProgress> progressOf(const QStringList &phrases) const;
    void loadFromFile();
    void phraseStarted(int index, const QString &phrase);
    void phraseEnded(int index, const PhraseOutcome &outcome);
    void finished();
    void openCompetitors();

    Form1 *m_form;
    int m_millisecondsPerSecond;
    std::unique_ptr<ListProgress> m_listProgress;
    std::unique_ptr<ListRun> m_run;
    QPlainTextEdit *m_phrases = nullptr;
    QSpinBox *m_pause = nullptr;
    QSpinBox *m_pageWait = nullptr;
    QPushButton *m_resume = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_load = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_where = nullptr;
    QTableWidget *m_outcomes = nullptr;
    QPushButton *m_history = nullptr;
    QPushButton *m_competitors = nullptr;
};
