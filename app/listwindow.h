#pragma once

#include "search/searchrun.h"
#include "store/datafolder.h"

#include <QDialog>
#include <functional>
#include <memory>

class ListOutcomes;
class ListRun;
class ListSession;
struct ListPlan;
class SharedListView;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

// What a list takes from the main window when it starts.
struct ListSource
{
    std::function<RunInputs()> inputs;   // the fragment, page limit and options as they stand
    QStringList history;                 // the phrases shown at first
    DataFolder dataFolder;
    QString dateSeparator;               // of the result log's lines
    int millisecondsPerSecond = 1000;    // shortens the pauses between phrases for the tests
    std::function<void(const QString &)> warn;   // a short message that does not stop the list
};

// "Cerca un elenco di frasi": the phrases, one a line, each run in turn by the
// main window's search run, its outcome saved to the result log.
class ListWindow : public QDialog
{
    Q_OBJECT
public:
    ListWindow(SearchRun *run, ListSource source, QWidget *parent);
    ~ListWindow() override;

    void setPhrases(const QStringList &phrases);
    ListRun *run() const;

signals:
    void historyRequested();
    void competitorsRequested(const QString &phrase);

private:
    // "Avvia" or "Riprendi", and "Arresta".
    void startOrStop(bool resume);
    void showResume();
    // The list as the window's inputs stand.
    ListPlan planOf(const QStringList &phrases, bool resume) const;
    void loadFromFile();
    void phraseStarted(int index, const QString &phrase);
    void phraseEnded(int index);
    // The outcome of the chosen row, or of the first; none before a list ends.
    const RunOutcome *chosenOutcome() const;
    void finished();
    void openCompetitors();
    void setSearchPlace(const SearchPlace &place);
    void openSearchOptions();
    void setInputsEnabled(bool enabled);

    SearchRun *m_searchRun;
    ListSource m_source;
    std::unique_ptr<ListSession> m_session;   // the list running, or the last one
    QPlainTextEdit *m_phrases = nullptr;
    QSpinBox *m_pause = nullptr;
    QSpinBox *m_pageWait = nullptr;
    QPushButton *m_resume = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_load = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_where = nullptr;
    QLabel *m_moved = nullptr;   // what moved, once the list has finished
    SearchPlace m_place;                 // the whole list's device and place
    int m_picturesKept = 0;              // the list's own, at first the main window's
    QLineEdit *m_placeShown = nullptr;
    QPushButton *m_placeButton = nullptr;
    QLineEdit *m_sharedName = nullptr;
    SharedListView *m_sharedView = nullptr;
    ListOutcomes *m_outcomes = nullptr;
    QTableView *m_outcomesView = nullptr;
    QPushButton *m_history = nullptr;
    QPushButton *m_competitors = nullptr;
};
