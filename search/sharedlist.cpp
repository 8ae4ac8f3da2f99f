#include "search/sharedlist.h"

#include <QCoreApplication>
#include <QSysInfo>

SharedList::SharedList(QString archive, QString name, int leaseSeconds, QObject *parent)
    : QObject(parent)
    , m_path(std::move(archive))
    , m_name(std::move(name))
    , m_holder(QStringLiteral("%1:%2").arg(QSysInfo::machineHostName()).arg(QCoreApplication::applicationPid()))
    , m_leaseSeconds(std::max(1, leaseSeconds))
    , m_archive(m_path, ArchiveUse::SharingList)
{
    // Renewed well before it runs out, so that a live machine keeps its phrase.
    m_renew.setInterval(m_leaseSeconds * 1000 / 4);
    connect(&m_renew, &QTimer::timeout, this, &SharedList::renew);
}

SharedList::~SharedList()
{
    sendEnds();
}

bool SharedList::open(const QStringList &phrases, bool resume)
{
    Result<void> shared = m_archive.open();
    if (shared)
        shared = SharedPhrases(m_archive).share(m_name, phrases, !resume);
    m_problem = shared.error();
    return shared.ok();
}

bool SharedList::sendEnds()
{
    while (!m_ends.isEmpty()) {
        const End &end = m_ends.constFirst();
        // A server that went away is reached anew at the next try.
        if (!m_archive.open())
            return false;
        SharedPhrases phrases(m_archive);
        if (!(end.given ? phrases.giveBack(m_name, end.ord, m_holder, end.outcome)
                        : phrases.end(m_name, end.ord, m_holder, end.outcome, end.checked)))
            return false;
        m_ends.removeFirst();
    }
    // A pause that could not be said is said late rather than never.
    if (m_pauseMs && m_archive.open() && SharedPhrases(m_archive).pause(m_name, m_holder, *m_pauseMs))
        m_pauseMs.reset();
    return true;
}

ListRun::Taken SharedList::take()
{
    if (!sendEnds())
        return {ListRun::Taken::Kind::Wait, {}};
    Result<void> opened = m_archive.open();
    if (!opened) {
        m_problem = opened.error();
        return {ListRun::Taken::Kind::Wait, {}};
    }
    const Result<std::optional<SharedPhrases::Phrase>> taken = SharedPhrases(m_archive).take(m_name, m_holder, m_leaseSeconds);
    if (!taken) {
        m_problem = taken.error();
        return {ListRun::Taken::Kind::Wait, {}};
    }
    m_held = *taken;
    if (!m_held) {
        // Phrases other machines hold are waited for: one may be given back
        // (its machine met a check page) or taken again when its lease runs
        // out, and the list ends only once every phrase is done.
        const Result<qint64> unfinished = SharedPhrases(m_archive).unfinished(m_name);
        if (!unfinished) {
            m_problem = unfinished.error();
            return {ListRun::Taken::Kind::Wait, {}};
        }
        return {*unfinished > 0 ? ListRun::Taken::Kind::OthersHold : ListRun::Taken::Kind::NoneLeft, {}};
    }
    m_renew.start();
    return {ListRun::Taken::Kind::Phrase, m_held->phrase};
}

void SharedList::renew()
{
    // A lease not renewed is tried again at the next turn.
    if (m_held && m_archive.open())
        (void)SharedPhrases(m_archive).renew(m_name, m_held->ord, m_holder, m_leaseSeconds);
}

void SharedList::ended(const RunOutcome &outcome)
{
    if (!m_held)
        return;
    m_renew.stop();
    m_ends.append({m_held->ord, outcome.result(), !outcome.unchecked(), false});
    m_held.reset();
    sendEnds();
}

void SharedList::release()
{
    if (!m_held)
        return;
    m_renew.stop();
    m_ends.append({m_held->ord, QStringLiteral("in attesa di una risposta"), false, true});
    m_held.reset();
    sendEnds();
}

void SharedList::pause(qint64 milliseconds)
{
    m_pauseMs = milliseconds;
    sendEnds();
}
