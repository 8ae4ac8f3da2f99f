#include "search/listsession.h"

#include "search/notes.h"
#include "search/placequery.h"
#include "store/listpaces.h"
#include "store/datafolder.h"

#include <algorithm>

namespace {

ListProgress progressOf(const ListPlan &plan)
{
    return ListProgress(plan.progressFile, plan.phrases, plan.inputs.fragment, plan.inputs.pageLimit,
                        plan.inputs.italianOnly, plan.inputs.place);
}

} // namespace

ListPlan ListPlan::inFolder(const DataFolder &folder, const QString &archive, const QString &dateSeparator)
{
    ListPlan plan;
    plan.progressFile = folder.listProgress();
    plan.paceFile = folder.listPaces();
    plan.resultLog = folder.resultLog();
    plan.dateSeparator = dateSeparator;
    plan.archive = archive;
    return plan;
}

ListSession::ListSession(ListPlan plan, QObject *parent)
    : QObject(parent)
    , m_plan(std::move(plan))
    , m_coolDown(m_plan.coolDownMilliseconds, m_plan.longestCoolDownMilliseconds, m_plan.coolDownTotalMilliseconds)
{
    connect(&m_faults, &FaultNotes::note, this, &ListSession::note);
}

ListSession::~ListSession() = default;

int ListSession::checkedBefore(const ListPlan &plan)
{
    return progressOf(plan).checkedCount();
}

std::optional<ListSession::Refusal> ListSession::open()
{
    if (!shared())
        return std::nullopt;
    if (!Archive::isServer(m_plan.archive))
        return Refusal{Refusal::Kind::NotShared, Archive::displayName(m_plan.archive), QString()};
    auto list = std::make_unique<SharedList>(m_plan.archive, m_plan.sharedName, m_plan.leaseSeconds);
    if (!list->open(m_plan.phrases, m_plan.resume))
        return Refusal{Refusal::Kind::Unreachable, Archive::displayName(m_plan.archive), list->problem()};
    m_shared = std::move(list);
    return std::nullopt;
}

void ListSession::start(SearchRun *run)
{
    m_run = run;
    m_list = std::make_unique<ListRun>(run, m_plan.phrases, m_plan.inputs, m_plan.pauseMilliseconds,
                                       m_plan.minimumPauseMilliseconds);
    m_list->setPageTimeout(m_plan.pageMilliseconds);
    if (!m_plan.inWindow && !m_plan.paceFile.isEmpty()) {
        m_host = run->options().host.isEmpty() ? PlaceQuery::hostFor(m_plan.inputs.place.country) : run->options().host;
        m_pace = Pace(ListPaces(m_plan.paceFile).timesFor(m_host));
        m_list->setMeanPause(m_pace.meanOf(m_plan.pauseMilliseconds));
    }
    if (shared()) {
        // Once the list has finished its last outcomes are sent, and the list let go.
        m_list->setShared([this] { return m_shared ? m_shared->take() : ListRun::Taken{}; },
                          [this](const RunOutcome &outcome) {
                              if (m_shared)
                                  m_shared->ended(outcome);
                          });
    } else {
        m_progress = progressOf(m_plan);
        if (!m_plan.resume)
            m_progress->restart();
        m_list->setProgress(&*m_progress);
    }
    m_list->setResultLog(m_plan.resultLog, m_plan.dateSeparator);
    if (!m_plan.inWindow)
        m_faults.follow(run);
    connect(m_list.get(), &ListRun::phraseStarted, this, &ListSession::phraseStarted);
    connect(m_list.get(), &ListRun::phraseEnded, this, [this](int index, const RunOutcome &outcome) {
        // A browser that started but cannot be reached: no phrase can be
        // searched, and the list ends here.
        if (outcome.end == RunEnd::Unfinished && !outcome.detail.isEmpty()) {
            m_list->stop();
            emit browserUnreachable(outcome.detail);
            return;
        }
        // A page that passed: the next check page starts the cool-downs over.
        m_coolDown.pagePassed();
        if (!m_plan.inWindow) {
            const int before = m_pace.times();
            m_pace.phraseEnded();
            paceChanged(before);
        }
        emit phraseEnded(index, outcome);
    });
    connect(m_list.get(), &ListRun::needsUser, this, [this](int index, const QString &phrase) {
        if (m_plan.inWindow) {
            emit needsUser(index, phrase);
            return;
        }
        // Nobody can answer it here: the phrase goes back for another
        // machine, and this one waits before it asks again.
        if (m_shared)
            m_shared->release();
        const int before = m_pace.times();
        m_pace.checkPage();
        paceChanged(before);
        const std::optional<qint64> wait = m_coolDown.checkPage();
        if (!wait) {
            emit needsUser(index, phrase);
            return;
        }
        m_list->askAgainAfter(*wait);
        emit coolingDown(index, phrase, QDateTime::currentDateTime().addMSecs(*wait));
    });
    connect(m_list.get(), &ListRun::askingAgain, this, &ListSession::askingAgain);
    connect(m_list.get(), &ListRun::resultNotSaved, this, [this](const QString &log) { emit note(Notes::resultNotSaved(log)); });
    connect(m_list.get(), &ListRun::finished, this, &ListSession::listFinished);
    m_list->start();
}

void ListSession::stop()
{
    if (m_list)
        m_list->stop();
}

const QList<RunOutcome> &ListSession::outcomes() const
{
    static const QList<RunOutcome> none;
    return m_list ? m_list->outcomes() : none;
}

bool ListSession::anyUnchecked() const
{
    return std::any_of(outcomes().begin(), outcomes().end(), [](const RunOutcome &outcome) { return outcome.unchecked(); });
}

void ListSession::paceChanged(int timesBefore)
{
    if (m_pace.times() == timesBefore)
        return;
    m_list->setMeanPause(m_pace.meanOf(m_plan.pauseMilliseconds));
    if (!m_host.isEmpty() && !ListPaces(m_plan.paceFile).keep(m_host, m_pace.times()))
        emit note(Notes::paceNotKept(m_plan.paceFile));
}

void ListSession::listFinished()
{
    // The last outcomes go to the archive before the shared list is let go.
    m_shared.reset();
    emit finished();
    // The last phrase's picture may still be on its way: it is kept first.
    if (m_run && m_run->pictureInFlight())
        connect(m_run, &SearchRun::picturesSettled, this, &ListSession::settled, Qt::SingleShotConnection);
    else
        emit settled();
}
