#pragma once

#include "platform/browser.h"
#include "search/queryaddress.h"
#include "search/resultlinks.h"
#include "search/runoutcome.h"
#include "search/runrecorder.h"
#include "model/runvalues.h"
#include "search/scanner.h"
#include "model/searchplace.h"
#include "store/runpictures.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class ArchiveWriter;
class DataFolder;
struct ArchiveFault;

// What a run searches for, taken once when it starts.
struct RunInputs
{
    // The pages a run reads when nobody says otherwise.
    static constexpr int kDefaultPageLimit = 10;

    QString phrase;
    QString fragment;           // a part of the address to find
    QString pageLimit;          // pages of ten results, as typed
    bool continueMode = false;  // "Arriva alla fine": every hit, to the page limit
    bool italianOnly = false;
    SearchPlace place;          // the device, country, language and place searched from
    int picturesKept = RunPictures::kKeptByDefault;   // pictures of what the runs saw kept for each series; 0: none
};

struct SearchRunOptions
{
    QString host;               // wins over the country's domain when set (the local service)
    int pageInterval = 2000;    // the pause before the next results page
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    QString archive;            // the archive's file or server; empty: nothing is archived
    QString archiveSpool;       // where records wait that a shared archive could not take
    QString unreadPages;        // where pages nobody can place are kept
    QString pictures;           // where the pictures of what each run saw are kept; empty: none

    // The program's own: the archive given, the folders beside it in the
    // data folder, and the local service's host when one is set.
    static SearchRunOptions inFolder(const DataFolder &folder, const QString &archive);
};

// One search run: asks the browser page for the results pages of a phrase,
// reads each one, numbers its results across the pages, and ends at the first
// hit, at the page limit, where the results run out, or on a stop. It needs no
// window: the window is a view of it, and the lists drive it.
//
// Its timing is the window's as it always was: a stop only marks the run, so
// that the page or the next-page pause still pending arrives and ends it; a
// new run does not cancel the pause of the run before, whose page is then
// asked at the new run's offset.
class SearchRun : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Loading, Reading, WaitingForUser, Pausing, Ended };

    SearchRun(Browser *page, SearchRunOptions options, QObject *parent = nullptr);
    ~SearchRun() override;

    // "Avvia": a new run; nothing for an empty phrase. Options that cannot
    // be searched (a place that is no canonical name) end it at once, before
    // any page is asked for, with the reason in the outcome's detail.
    void start(const RunInputs &inputs);
    // "Arresta": the page or pause pending ends the run; a run that waits
    // for the user ends at once.
    void stop();
    // The window goes away: nothing pending is read, nothing more is asked.
    void abandon();
    // Ends the run whose page has not completed in its time: the page is let
    // go, nothing is reported.
    void abandonUnloadedPage();
    // Runs of a list: a page that fails to load is asked again once, after a
    // pause drawn by `pause`, and a page nobody can place ends its run. An
    // empty function: single runs, which wait on such a page for the user.
    void setListMode(std::function<int()> pause) { m_listPause = std::move(pause); }
    bool inList() const { return bool(m_listPause); }
    // A picture of a run that ended is still being taken.
    bool pictureInFlight() const { return m_picturesInFlight > 0; }
    // Returns once what the run sent to the archive is written, or waits
    // beside it in a file: a program killed after it loses nothing.
    void flushArchive();

    // From "Avvia" to the stop or the end: "Arresta" stands on the button.
    bool active() const { return m_active; }
    State state() const { return m_state; }
    const RunInputs &inputs() const { return m_inputs; }
    const RunValues &values() const { return m_values; }
    const SearchRunOptions &options() const { return m_options; }
    // The host the run asks: the options' own, or the country's.
    QString host() const;
    Browser *page() const { return m_page; }

signals:
    void started();
    // The next results page is asked for, at this offset.
    void nextPageAsked(qint64 offset);
    // A results page of the run has been asked for, and has completed (with
    // whatever it holds).
    void pageLoading();
    void pageCompleted();
    // A page was read: what to list, and the report line's caption.
    void pageRead(const ScanResult &result);
    // A consent or check page: the user answers it in the page.
    void needsUser();
    // A page nobody can place was kept there; a single run waits for the user.
    void pageKept(const QString &file);
    void ended(const RunOutcome &outcome);
    // The archive could not be written, or a damaged one was set aside.
    void archiveFault(const ArchiveFault &fault);
    // The picture of what the run saw could not be kept; the run goes on.
    void pictureNotKept(const QString &problem);
    // The pictures being taken are kept (or given up): a program may end.
    void picturesSettled();

private:
    // The markup of the page just read, to keep with it; none when pages are not kept.
    KeptMarkup keptMarkup() const;
    void askForPage(const QString &address);
    void nextPage();
    void documentComplete();
    void browserUnavailable(const QString &note);
    void pageNotLoaded(const QString &why);
    void keepUnreadPage();
    // A picture of the page in the browser, with these hits outlined; once a run.
    void takePicture(const QStringList &hits);
    QStringList hitsOf(const QStringList &addresses) const;
    // Reads one results page of the classic markup.
    void RecuperaDati(const QString &text);
    void readTodayPage(const QList<ResultLinks::TitledLink> &results, bool hasNextPage,
                       const std::optional<PageFeatures> &features);
    void apply(const ScanResult &result);
    void finish(RunEnd end, const QString &detail = QString());
    ScanInput scanInput() const;
    void setState(State state) { m_state = state; }

    QPointer<Browser> m_page;
    SearchRunOptions m_options;
    std::unique_ptr<ArchiveWriter> m_writer;
    RunRecorder m_recorder;
    RunInputs m_inputs;
    RunValues m_values;
    QTimer m_nextPage{this};
    QTimer m_retry;
    State m_state = State::Idle;
    bool m_active = false;
    QString m_pageAddress;              // the results page asked for last
    bool m_pageRetried = false;
    bool m_pageKept = false;
    bool m_pictureTaken = false;
    int m_picturesInFlight = 0;
    QDateTime m_started;
    int m_pagesRead = 0;
    QString m_report;
    std::function<int()> m_listPause;
};
