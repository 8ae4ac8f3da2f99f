#pragma once

#include "search/pauseschedule.h"
#include "search/searchrun.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QStringList>
#include <QTimer>

class ListProgress;

// Runs a list of phrases, one ordinary search run each: the run starts as
// "Avvia" starts it, ends by the rules runs have, and its outcome is saved as
// "Salva risultato" saves it; after a pause the next phrase runs. The pauses
// vary as a person's do; a page that does not complete in its time ends its
// phrase, and the list goes on. The program's lists are assembled by
// ListSession.
class ListRun : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMinimumPauseSeconds = 5;
    static constexpr int kDefaultPauseSeconds = 10;
    static constexpr int kDefaultPageSeconds = 60;
    // How long a shared list waits for its archive before it asks again.
    static constexpr int kSharedWaitMilliseconds = 5000;

    // `inputs` are each phrase's, but for the phrase itself. `pauseMilliseconds`
    // is the pauses' mean; none is shorter than `minimumPauseMilliseconds`.
    ListRun(SearchRun *run, QStringList phrases, RunInputs inputs, int pauseMilliseconds,
            int minimumPauseMilliseconds = kMinimumPauseSeconds * 1000, QObject *parent = nullptr);
    ~ListRun() override;

    // How long a page may take before its phrase ends unchecked; 0: no limit.
    void setPageTimeout(int milliseconds) { m_pageTimer.setInterval(milliseconds); m_pageLimit = milliseconds > 0; }
    void seed(quint32 seed) { m_random.seed(seed); }
    // Where the checked phrases are kept, so that a list stopped half way can
    // go on; the phrases already checked there are not asked again.
    void setProgress(ListProgress *progress) { m_progress = progress; }
    // A list shared with other machines: `take` gives the next phrase (or
    // says none is left, to wait a moment for the archive, or to wait for
    // the phrases other machines hold), `ended` takes each outcome back.
    struct Taken
    {
        enum class Kind { Phrase, NoneLeft, Wait, OthersHold } kind = Kind::NoneLeft;
        QString phrase;
    };
    void setShared(std::function<Taken()> take, std::function<void(const RunOutcome &)> ended);
    // Each entry's inputs, when the list's entries are no phrases (a grid's
    // points); without it, the list's inputs with the entry as the phrase.
    void setInputsFor(std::function<RunInputs(const QString &entry)> inputsFor) { m_inputsFor = std::move(inputsFor); }
    // The result log each measured outcome is appended to.
    void setResultLog(const QString &path, const QString &dateSeparator);

    void start();
    // Ends the list once the current run has ended and been saved.
    void stop();
    // The page of the current phrase asks what nobody here can answer: the
    // run is let go without an outcome, and so is the browser, which frees
    // its profile; after `milliseconds` the phrase is asked again (a shared
    // list takes its next phrase) with a new browser.
    void askAgainAfter(qint64 milliseconds);
    bool waitingToAskAgain() const { return m_askAgain.isActive(); }
    // The wait ends now: the phrase is asked again at once.
    void askAgainNow();

    int count() const { return int(m_phrases.size()); }
    // The phrases: the list's, or those a shared list has taken so far.
    const QStringList &phrases() const { return m_phrases; }
    int current() const { return m_index; }
    bool running() const { return m_running; }
    const QList<RunOutcome> &outcomes() const { return m_outcomes; }

    // The pauses' mean from now on.
    void setMeanPause(int milliseconds) { m_meanPause = milliseconds; }
    int meanPause() const { return m_meanPause; }
    // The next pause: until the next search's slot in an even schedule, up
    // to a quarter of the mean either side of it; each pause between half and
    // one and a half times the mean, never under the minimum.
    int drawPause();

    // The phrases of a text: one a line, blanks dropped, each once.
    static QStringList phrasesOf(const QStringList &lines);

signals:
    void phraseStarted(int index, const QString &phrase);
    void phraseEnded(int index, const RunOutcome &outcome);
    // A page of the current phrase asks the user something.
    void needsUser(int index, const QString &phrase);
    // The cool-down is over: the phrase is asked again.
    void askingAgain(int index, const QString &phrase);
    // The browser has been let go for a wait: what changes its profile now is
    // another program's doing.
    void browserLetGo();
    // An outcome could not be appended to the result log.
    void resultNotSaved(const QString &log);
    // A shared list with no phrase free waits for those other machines hold.
    void waitingForOthers();
    void finished();

private:
    void next();
    void nextShared();
    void runEnded(const RunOutcome &outcome);
    void pageTimedOut();
    void letBrowserGo();
    void coolDownEnded();
    RunInputs inputsOf(const QString &entry) const;

    QPointer<SearchRun> m_run;
    QStringList m_phrases;
    RunInputs m_inputs;
    int m_meanPause;
    int m_minimumPause;
    QTimer m_pause;
    QTimer m_pageTimer;
    QTimer m_askAgain;
    bool m_lettingGo = false;   // the run ends to be asked again, not with an outcome
    bool m_browserHeld = false;   // until the picture of the page is taken
    bool m_waitedForBrowser = false;
    bool m_pageLimit = false;
    QRandomGenerator m_random{QRandomGenerator::securelySeeded()};
    PauseSchedule m_schedule;
    QElapsedTimer m_clock;
    ListProgress *m_progress = nullptr;
    QString m_resultLog;
    QString m_dateSeparator;
    QList<RunOutcome> m_outcomes;
    std::function<Taken()> m_take;
    std::function<void(const RunOutcome &)> m_sharedEnded;
    std::function<RunInputs(const QString &)> m_inputsFor;
    int m_index = -1;
    bool m_running = false;
    bool m_stopping = false;
    bool m_waitingForOthers = false;   // said once while a shared list waits for other machines
};
