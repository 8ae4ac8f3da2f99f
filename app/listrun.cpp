#include "app/listrun.h"

#include "app/form1.h"
#include "store/listprogress.h"

#include <QSet>

QString PhraseOutcome::result() const
{
    if (!unreadPage.isEmpty())
        return QStringLiteral("%1 (salvata in %2)").arg(RunEnds::name(RunEnd::PageUnreadable), unreadPage);
    if (notLoaded)
        return RunEnds::name(RunEnd::PageNotLoaded);
    return position ? QStringLiteral("posizione %1").arg(*position) : QStringLiteral("non trovato entro %1").arg(checked);
}

QString PhraseOutcome::line() const
{
    return phrase + QStringLiteral(": ") + result() + (position ? QStringLiteral(" (%1)").arg(address) : QString())
        + citation();
}

QString PhraseOutcome::citation() const
{
    return citedInAiOverview ? QStringLiteral(", citato nella Panoramica AI") : QString();
}

ListRun::ListRun(Form1 *form, QStringList phrases, int pauseMilliseconds, int minimumPauseMilliseconds, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_phrases(std::move(phrases))
    , m_meanPause(pauseMilliseconds)
    , m_minimumPause(minimumPauseMilliseconds)
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &ListRun::next);
    m_pageTimer.setSingleShot(true);
    connect(&m_pageTimer, &QTimer::timeout, this, &ListRun::pageTimedOut);
    connect(form, &Form1::pageLoading, this, [this] {
        if (m_running && m_pageLimit)
            m_pageTimer.start();
    });
    connect(form, &Form1::pageCompleted, &m_pageTimer, &QTimer::stop);
    connect(form, &Form1::runEnded, this, &ListRun::runEnded);
    connect(form, &Form1::runFailed, this, &ListRun::runFailed);
    connect(form, &Form1::pageNeedsUser, this, [this] {
        if (m_running && m_index >= 0)
            emit needsUser(m_index, m_phrases[m_index]);
    });
}

ListRun::~ListRun()
{
    if (m_running && m_form)
        m_form->setListMode({});
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

int ListRun::pauseFor(int meanMilliseconds, int minimumMilliseconds, double uniform)
{
    return std::max(minimumMilliseconds, int(std::lround(meanMilliseconds * (0.5 + uniform))));
}

int ListRun::drawPause()
{
    return pauseFor(m_meanPause, m_minimumPause, m_random.generateDouble());
}

void ListRun::start()
{
    if (m_running || !m_form)
        return;
    m_running = true;
    m_stopping = false;
    m_index = -1;
    m_outcomes.clear();
    m_form->setListMode([this] { return drawPause(); });
    next();
}

void ListRun::stop()
{
    m_stopping = true;
    // Between two phrases there is no run to wait for.
    if (m_running && m_pause.isActive()) {
        m_pause.stop();
        next();
    }
}

void ListRun::next()
{
    // Phrases checked before the list stopped are not asked again.
    while (m_progress && m_index + 1 < m_phrases.size() && m_progress->isChecked(m_phrases[m_index + 1]))
        ++m_index;
    if (!m_form || m_stopping || m_index + 1 >= m_phrases.size()) {
        m_running = false;
        m_pageTimer.stop();
        if (m_form)
            m_form->setListMode({});
        if (m_progress && !m_stopping && m_form)
            m_progress->finish();
        emit finished();
        return;
    }
    ++m_index;
    emit phraseStarted(m_index, m_phrases[m_index]);
    m_form->startRunFor(m_phrases[m_index]);
}

void ListRun::runEnded()
{
    if (!m_running || m_index < 0 || m_pause.isActive() || !m_form)
        return;
    m_pageTimer.stop();
    const RunValues &run = m_form->runValues();
    PhraseOutcome outcome;
    outcome.phrase = m_phrases[m_index];
    const QString report = m_form->report();
    if (!report.isEmpty() && !report.endsWith(QLatin1String("non trovato!"))) {   // the found report
        outcome.position = run.contaPosizione;
        outcome.address = run.indirizzoCorrente.value_or(QString());
    } else {
        outcome.checked = run.contaPosizione.value_or(0);
    }
    outcome.citedInAiOverview = m_form->citedInAiOverview();
    m_form->saveResult();
    // An empty report (a stop while a page waited) measured nothing.
    if (m_progress && !report.isEmpty())
        m_progress->markChecked(outcome.phrase);
    endPhrase(outcome);
}

void ListRun::pageTimedOut()
{
    if (!m_running || m_index < 0 || m_pause.isActive() || !m_form)
        return;
    m_form->abandonUnloadedPage();
}

void ListRun::runFailed(RunEnd end, const QString &detail)
{
    if (!m_running || m_index < 0 || m_pause.isActive())
        return;
    // Nothing was measured: no log line, and the phrase stays to be checked.
    m_pageTimer.stop();
    PhraseOutcome outcome;
    outcome.phrase = m_phrases[m_index];
    outcome.notLoaded = end == RunEnd::PageNotLoaded;
    if (end == RunEnd::PageUnreadable)
        outcome.unreadPage = detail;
    endPhrase(outcome);
}

void ListRun::endPhrase(const PhraseOutcome &outcome)
{
    m_outcomes.append(outcome);
    emit phraseEnded(m_index, outcome);
    m_pause.start(drawPause());
}
