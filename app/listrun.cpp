#include "app/listrun.h"

#include "app/form1.h"

#include <QSet>

QString PhraseOutcome::result() const
{
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

ListRun::ListRun(Form1 *form, QStringList phrases, int pauseMilliseconds, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_phrases(std::move(phrases))
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(pauseMilliseconds);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &ListRun::next);
    connect(form, &Form1::runEnded, this, &ListRun::runEnded);
    connect(form, &Form1::pageNeedsUser, this, [this] {
        if (m_running && m_index >= 0)
            emit needsUser(m_index, m_phrases[m_index]);
    });
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

void ListRun::start()
{
    if (m_running || !m_form)
        return;
    m_running = true;
    m_stopping = false;
    m_index = -1;
    m_outcomes.clear();
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
    if (!m_form || m_stopping || m_index + 1 >= m_phrases.size()) {
        m_running = false;
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
    m_outcomes.append(outcome);
    emit phraseEnded(m_index, outcome);
    m_pause.start();
}
