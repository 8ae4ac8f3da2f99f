#include "search/listsession.h"

#include "search/notes.h"
#include "search/placequery.h"
#include "store/archivereports.h"
#include "store/listpaces.h"
#include "store/datafolder.h"

#include <QFileInfo>
#include <QHash>

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
    m_started = run->options().clock();
    m_list = std::make_unique<ListRun>(run, m_plan.phrases, m_plan.inputs, m_plan.pauseMilliseconds,
                                       m_plan.minimumPauseMilliseconds);
    m_list->setPageTimeout(m_plan.pageMilliseconds);
    if (m_plan.inputsFor)
        m_list->setInputsFor(m_plan.inputsFor);
    if (!m_plan.inWindow && !m_plan.paceFile.isEmpty()) {
        m_host = run->options().host.isEmpty() ? PlaceQuery::hostFor(m_plan.inputs.place.country) : run->options().host;
        const ListPaces::Kept kept = ListPaces(m_plan.paceFile).paceFor(m_host);
        m_pace = Pace(kept.eighths, kept.limit, kept.phrases);
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
    connect(m_list.get(), &ListRun::waitingForOthers, this, &ListSession::waitingForOthers);
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
            const Pace before = m_pace;
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
        const Pace before = m_pace;
        m_pace.checkPage();
        paceChanged(before);
        const std::optional<qint64> wait = m_coolDown.checkPage();
        if (!wait) {
            m_leftAsking = phrase;
            emit needsUser(index, phrase);
            return;
        }
        if (m_shared)
            m_shared->pause(*wait);
        m_list->askAgainAfter(*wait);
        emit coolingDown(index, phrase, QDateTime::currentDateTime().addMSecs(*wait));
    });
    connect(m_list.get(), &ListRun::askingAgain, this, [this](int index, const QString &phrase) {
        if (m_cookies)
            m_cookies.release()->deleteLater();
        emit askingAgain(index, phrase);
    });
    connect(m_list.get(), &ListRun::browserLetGo, this, [this] {
        // Cookies written while the list waits are a window's answer.
        if (m_plan.cookieFile.isEmpty() || !QFileInfo::exists(m_plan.cookieFile) || !m_list->waitingToAskAgain())
            return;
        m_cookies = std::make_unique<QFileSystemWatcher>(QStringList{m_plan.cookieFile});
        connect(m_cookies.get(), &QFileSystemWatcher::fileChanged, m_list.get(), &ListRun::askAgainNow);
    });
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

ListSummary ListSession::summary() const
{
    const QStringList &phrases = m_list && shared() ? m_list->phrases() : m_plan.phrases;
    QHash<QString, RunOutcome> outcomes;
    for (const RunOutcome &outcome : this->outcomes())
        outcomes.insert(outcome.phrase, outcome);
    // Without an archive to read, no phrase has a run before.
    Archive archive(m_plan.archive, ArchiveUse::Reading);
    const bool read = !m_plan.archive.isEmpty() && (Archive::isServer(m_plan.archive) || QFileInfo::exists(m_plan.archive))
        && archive.open();
    ListSummary summary;
    for (const QString &phrase : phrases) {
        QList<ArchiveReports::Position> runs;
        if (read) {
            Result<QList<ArchiveReports::Position>> positions =
                ArchiveReports(archive).positionsOf(SearchPlaces::seriesOf(phrase, m_plan.inputs.place), m_plan.inputs.fragment);
            if (positions)
                runs = std::move(positions).value();
        }
        ListSummary::Phrase row;
        row.phrase = phrase;
        const auto ranBefore = [&runs](const QDateTime &when) {
            return std::find_if(runs.rbegin(), runs.rend(), [&when](const ArchiveReports::Position &run) { return run.started < when; });
        };
        const auto outcome = outcomes.constFind(phrase);
        std::optional<QDateTime> checkedAt;
        if (outcome != outcomes.cend() && outcome->measured()) {
            row.checked = true;
            if (outcome->found())
                row.after = outcome->position();
            checkedAt = m_started;
        } else if (outcome == outcomes.cend() && m_progress && m_progress->isChecked(phrase) && !runs.isEmpty()) {
            // Checked by the round this list resumed: its latest run.
            row.checked = true;
            row.after = runs.constLast().position;
            checkedAt = runs.constLast().started;
        } else if (outcome != outcomes.cend()) {
            row.why = RunEnds::describe(outcome->end, outcome->position());
        } else {
            row.why = phrase == m_leftAsking ? RunEnds::describe(RunEnd::WaitingForUser, 0) : QStringLiteral("non cercata");
        }
        const auto before = ranBefore(checkedAt.value_or(m_started));
        if (before != runs.rend()) {
            row.ranBefore = true;
            row.before = before->position;
        }
        summary.add(row);
    }
    return summary;
}

void ListSession::paceChanged(const Pace &before)
{
    if (m_pace.eighths() == before.eighths() && m_pace.limit() == before.limit())
        return;
    m_list->setMeanPause(m_pace.meanOf(m_plan.pauseMilliseconds));
    keepPace();
}

void ListSession::keepPace()
{
    if (!m_host.isEmpty()
        && !ListPaces(m_plan.paceFile).keep(m_host, {m_pace.eighths(), m_pace.limit(), m_pace.phrasesWithoutCheck()}))
        emit note(Notes::paceNotKept(m_plan.paceFile));
}

void ListSession::listFinished()
{
    // The phrases passed since the last check page count on in the next list.
    keepPace();
    // The last outcomes go to the archive before the shared list is let go.
    m_shared.reset();
    emit finished();
    // The last phrase's picture may still be on its way: it is kept first.
    if (m_run && m_run->pictureInFlight())
        connect(m_run, &SearchRun::picturesSettled, this, &ListSession::settled, Qt::SingleShotConnection);
    else
        emit settled();
}
