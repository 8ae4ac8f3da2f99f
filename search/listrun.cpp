#include "search/listrun.h"

#include "store/listprogress.h"
#include "store/resultlog.h"

#include <QSet>

#include <limits>

ListRun::ListRun(SearchRun *run, QStringList phrases, RunInputs inputs, int pauseMilliseconds,
                 int minimumPauseMilliseconds, QObject *parent)
    : QObject(parent)
    , m_run(run)
    , m_phrases(std::move(phrases))
    , m_inputs(std::move(inputs))
    , m_meanPause(pauseMilliseconds)
    , m_minimumPause(minimumPauseMilliseconds)
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &ListRun::next);
    m_pageTimer.setSingleShot(true);
    connect(&m_pageTimer, &QTimer::timeout, this, &ListRun::pageTimedOut);
    m_askAgain.setSingleShot(true);
    connect(&m_askAgain, &QTimer::timeout, this, &ListRun::coolDownEnded);
    m_clock.start();
    connect(run, &SearchRun::pageLoading, this, [this] {
        if (m_running)
            m_schedule.searchStarted(m_clock.elapsed());
        if (m_running && m_pageLimit)
            m_pageTimer.start();
    });
    connect(run, &SearchRun::pageCompleted, &m_pageTimer, &QTimer::stop);
    connect(run, &SearchRun::ended, this, &ListRun::runEnded);
    connect(run, &SearchRun::needsUser, this, [this] {
        if (m_running && m_index >= 0)
            emit needsUser(m_index, m_phrases[m_index]);
    });
}

ListRun::~ListRun()
{
    if (m_running && m_run)
        m_run->setListMode({});
}

void ListRun::setResultLog(const QString &path, const QString &dateSeparator)
{
    m_resultLog = path;
    m_dateSeparator = dateSeparator;
}

QStringList ListRun::phrasesOf(const QStringList &lines)
{
    QStringList phrases;
    QSet<QString> seen;
    for (const QString &line : lines) {
        const QString phrase = line.trimmed();
        if (phrase.isEmpty() || seen.contains(phrase))
            continue;
        seen.insert(phrase);
        phrases.append(phrase);
    }
    return phrases;
}

int ListRun::drawPause()
{
    return int(std::min<qint64>(m_schedule.next(m_clock.elapsed(), m_meanPause, m_minimumPause, m_random.generateDouble()),
                                std::numeric_limits<int>::max()));
}

void ListRun::start()
{
    if (m_running || !m_run)
        return;
    m_running = true;
    m_stopping = false;
    m_index = -1;
    m_outcomes.clear();
    m_run->setListMode([this] { return drawPause(); });
    next();
}

void ListRun::stop()
{
    m_stopping = true;
    // Between two phrases, or cooling down, there is no run to wait for.
    if (m_running && (m_pause.isActive() || m_askAgain.isActive())) {
        m_pause.stop();
        m_askAgain.stop();
        next();
    }
}

void ListRun::askAgainAfter(qint64 milliseconds)
{
    if (!m_running || !m_run || m_index < 0)
        return;
    m_pageTimer.stop();
    m_lettingGo = true;
    m_run->stop();
    m_lettingGo = false;
    // The archive has the run that ended on the page, and the picture of
    // the page is taken, before the browser goes.
    m_run->flushArchive();
    // A shared list has given the phrase back, and takes its next one.
    if (!m_take)
        --m_index;
    m_askAgain.start(int(std::min<qint64>(milliseconds, std::numeric_limits<int>::max())));
    m_browserHeld = true;
    if (m_run->pictureInFlight())
        connect(m_run, &SearchRun::picturesSettled, this, &ListRun::letBrowserGo, Qt::SingleShotConnection);
    else
        letBrowserGo();
}

void ListRun::askAgainNow()
{
    if (!m_askAgain.isActive())
        return;
    m_askAgain.stop();
    coolDownEnded();
}

void ListRun::letBrowserGo()
{
    m_browserHeld = false;
    if (m_run && m_run->page())
        m_run->page()->letGo();
    emit browserLetGo();
    // A cool-down shorter than the picture has waited for it.
    if (m_running && m_waitedForBrowser)
        coolDownEnded();
}

void ListRun::coolDownEnded()
{
    m_waitedForBrowser = m_browserHeld;
    if (!m_running || m_browserHeld)
        return;
    if (!m_take && m_index + 1 < m_phrases.size())
        emit askingAgain(m_index + 1, m_phrases[m_index + 1]);
    next();
}

void ListRun::setShared(std::function<Taken()> take, std::function<void(const RunOutcome &)> ended)
{
    m_take = std::move(take);
    m_sharedEnded = std::move(ended);
}

void ListRun::nextShared()
{
    const Taken taken = m_stopping || !m_run ? Taken{} : m_take();
    if (taken.kind == Taken::Kind::Wait || taken.kind == Taken::Kind::OthersHold) {
        if (taken.kind == Taken::Kind::OthersHold && !std::exchange(m_waitingForOthers, true))
            emit waitingForOthers();
        m_pause.start(kSharedWaitMilliseconds);
        return;
    }
    m_waitingForOthers = false;
    if (taken.kind == Taken::Kind::NoneLeft) {
        m_running = false;
        m_pageTimer.stop();
        if (m_run)
            m_run->setListMode({});
        emit finished();
        return;
    }
    m_phrases.append(taken.phrase);
    m_index = int(m_phrases.size()) - 1;
    emit phraseStarted(m_index, taken.phrase);
    m_run->start(inputsOf(taken.phrase));
}

void ListRun::next()
{
    if (m_take) {
        nextShared();
        return;
    }
    // Phrases checked before the list stopped are not asked again.
    while (m_progress && m_index + 1 < m_phrases.size() && m_progress->isChecked(m_phrases[m_index + 1]))
        ++m_index;
    if (!m_run || m_stopping || m_index + 1 >= m_phrases.size()) {
        m_running = false;
        m_pageTimer.stop();
        if (m_run)
            m_run->setListMode({});
        // Phrases left unchecked (a page not loaded or not read) stay for a resume.
        if (m_progress && !m_stopping && m_run && m_progress->checkedAll(m_phrases))
            m_progress->finish();
        emit finished();
        return;
    }
    ++m_index;
    emit phraseStarted(m_index, m_phrases[m_index]);
    m_run->start(inputsOf(m_phrases[m_index]));
}

RunInputs ListRun::inputsOf(const QString &entry) const
{
    if (m_inputsFor)
        return m_inputsFor(entry);
    RunInputs inputs = m_inputs;
    inputs.phrase = entry;
    return inputs;
}

void ListRun::runEnded(const RunOutcome &outcome)
{
    if (!m_running || m_index < 0 || m_pause.isActive() || m_lettingGo)
        return;
    m_pageTimer.stop();
    // The archive has the outcome before the phrase counts as checked.
    m_run->flushArchive();
    // What was not measured has no log line, and stays to be checked.
    if (outcome.measured() && !m_resultLog.isEmpty()) {
        const std::optional<QString> line = ResultLog::buildLine(outcome.logReport(), m_run->options().clock(), m_dateSeparator);
        if (line && !ResultLog::append(m_resultLog, *line))
            emit resultNotSaved(m_resultLog);
    }
    if (m_progress && outcome.measured())
        m_progress->markChecked(m_phrases.value(m_index, outcome.phrase));
    if (m_sharedEnded)
        m_sharedEnded(outcome);
    m_outcomes.append(outcome);
    emit phraseEnded(m_index, outcome);
    m_pause.start(drawPause());
}

void ListRun::pageTimedOut()
{
    if (m_running && m_index >= 0 && !m_pause.isActive() && m_run)
        m_run->abandonUnloadedPage();
}
