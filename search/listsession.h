#pragma once

#include "search/cooldown.h"
#include "search/faultnotes.h"
#include "search/listrun.h"
#include "search/listsummary.h"
#include "search/pace.h"
#include "search/sharedlist.h"
#include "store/listprogress.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>

class DataFolder;

// What a list is to run: its phrases, their inputs, its pace, whether it goes
// on from an earlier round, whether it is shared, and where it keeps what it
// does. The window and the command line fill one in alike.
struct ListPlan
{
    QStringList phrases;
    RunInputs inputs;   // each phrase's, but for the phrase itself
    int pauseMilliseconds = ListRun::kDefaultPauseSeconds * 1000;   // the pauses' mean
    int minimumPauseMilliseconds = ListRun::kMinimumPauseSeconds * 1000;
    int pageMilliseconds = ListRun::kDefaultPageSeconds * 1000;     // how long a page may take
    bool resume = false;   // the last round not finished goes on; otherwise the list starts over
    QString sharedName;    // the name the list is shared under with other machines; empty: not shared
    int leaseSeconds = SharedList::kDefaultLeaseSeconds;
    // A window shows the list: it says the run's faults itself, for the
    // program's whole life, and a person answers there a page that asks.
    // Without one (the command line) the list says them, and a page that
    // asks gives the shared phrase back.
    bool inWindow = false;
    // Without a window, a consent or check page is waited out: cool-downs
    // from the first, doubled at each in a row up to the longest, until the
    // waits together reach the total; a total of 0 ends the list at once.
    qint64 coolDownMilliseconds = CoolDown::kDefaultFirstSeconds * 1000LL;
    qint64 longestCoolDownMilliseconds = CoolDown::kLongestSeconds * 1000LL;
    qint64 coolDownTotalMilliseconds = CoolDown::kDefaultTotalSeconds * 1000LL;
    // The browser profile's cookies: a window that answers the check page
    // meanwhile writes them, and the list asks again at once with them.
    QString cookieFile;

    QString progressFile;    // the phrases checked, for a resume
    QString paceFile;        // the pace each engine host's lists ended with; without a window
    QString resultLog;       // each measured outcome is appended to it
    QString dateSeparator;   // of the result log's lines
    QString archive;         // the archive in use; a shared list needs a shared one
    // Each entry's inputs, when the entries are no phrases (a grid's points).
    std::function<RunInputs(const QString &entry)> inputsFor;

    // A plan that keeps its files in the data folder.
    static ListPlan inFolder(const DataFolder &folder, const QString &archive, const QString &dateSeparator);
};

// A list of phrases as the program runs it, in the window and on the command
// line alike: the progress kept for a resume, or the phrases taken from a list
// shared through the archive; the list run over a search run; the result log;
// the notes of faults that do not stop it; its outcomes, in order. What a
// whole list does, with a window or without one, is decided here; ListRun
// only runs its phrases one after the other.
class ListSession : public QObject
{
    Q_OBJECT
public:
    // Why a list does not start.
    struct Refusal
    {
        enum class Kind {
            NotShared,     // a shared list, on an archive of this computer alone
            Unreachable,   // the shared archive did not answer
        };
        Kind kind = Kind::Unreachable;
        QString archive;   // its name as shown
        QString problem;   // what the archive said
    };

    explicit ListSession(ListPlan plan, QObject *parent = nullptr);
    ~ListSession() override;

    // How many of the plan's phrases an earlier round checked and did not
    // finish; 0: there is nothing to resume.
    static int checkedBefore(const ListPlan &plan);

    // What has to answer before any page is asked for: a shared list's
    // archive. A refusal says why the list cannot start.
    std::optional<Refusal> open();
    // Runs the phrases with `run`, once open() has not refused.
    void start(SearchRun *run);
    // Ends the list once the current phrase has ended and been saved.
    void stop();

    const ListPlan &plan() const { return m_plan; }
    bool shared() const { return !m_plan.sharedName.isEmpty(); }
    bool running() const { return m_list && m_list->running(); }
    // The phrases known: the plan's, or those a shared list has taken so far.
    int count() const { return m_list ? m_list->count() : int(m_plan.phrases.size()); }
    ListRun *run() const { return m_list.get(); }
    // The outcomes so far, in the order their phrases ended.
    const QList<RunOutcome> &outcomes() const;
    // Whether a phrase ended with a page not loaded or not read.
    bool anyUnchecked() const;
    // The pace reached: the pauses' mean as a multiple of the plan's. A list
    // without a window starts at the pace its engine host's last list ended
    // with, and learns from the check pages it meets.
    double paceTimes() const { return m_pace.times(); }
    // What moved: each phrase of the list (a shared list's taken here) against
    // its run before this list in the archive, and why one was not checked.
    ListSummary summary() const;

signals:
    void phraseStarted(int index, const QString &phrase);
    void phraseEnded(int index, const RunOutcome &outcome);
    // A page of the current phrase asks the user something: in a window
    // the user answers it there; without one the waits allowed are spent,
    // and the list ends.
    void needsUser(int index, const QString &phrase);
    // Without a window: a page asks, the browser is let go, and the phrase
    // is asked again at `retry` (a shared list's next phrase, then).
    void coolingDown(int index, const QString &phrase, const QDateTime &retry);
    // The cool-down is over: the phrase is asked again.
    void askingAgain(int index, const QString &phrase);
    // The browser started but cannot be reached: the list stops, and the
    // note says which step failed and why.
    void browserUnreachable(const QString &note);
    // Something the list says that does not stop it.
    void note(const QString &text);
    // A shared list with no phrase free waits for those other machines hold.
    void waitingForOthers();
    void finished();
    // The list has finished and the pictures of its runs are kept: a
    // program may end.
    void settled();

private:
    void listFinished();
    // The pace changed: the pauses follow it, and it is kept for the next list.
    void paceChanged(const Pace &before);
    void keepPace();

    ListPlan m_plan;
    QPointer<SearchRun> m_run;
    FaultNotes m_faults;
    std::optional<ListProgress> m_progress;
    std::unique_ptr<SharedList> m_shared;   // outlives the list run that takes its phrases
    std::unique_ptr<ListRun> m_list;
    CoolDown m_coolDown;
    std::unique_ptr<QFileSystemWatcher> m_cookies;   // while a wait lasts
    Pace m_pace;
    QString m_host;   // the engine host the pace is kept for
    QDateTime m_started;
    QString m_leftAsking;   // the phrase whose page asked when the waits were spent
};
