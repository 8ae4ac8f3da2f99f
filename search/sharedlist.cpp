#include "search/sharedlist.h"

#include <QCoreApplication>
#include <QSysInfo>

SharedList::SharedList(QString archive, QString name, int leaseSeconds, QObject *parent)
    : QObject(parent)
    , m_path(std::move(archive))
    , m_name(std::move(name))
    , m_holder(QStringLiteral("%1:%2").arg(QSysInfo::machineHostName()).arg(QCoreApplication::applicationPid()))
    , m_leaseSeconds(std::max(1, leaseSeconds))
{
    // Renewed well before it runs out, so that a live machine keeps its phrase.
    m_renew.setInterval(m_leaseSeconds * 1000 / 4);
    connect(&m_renew, &QTimer::timeout, this, &SharedList::renew);
}

SharedList::~SharedList()
{
    sendEnds();
}

bool SharedList::ensureOpen()
{
    if (m_archive && m_archive->isOpen())
        return true;
    m_archive = std::make_unique<Archive>(m_path);
    m_archive->setBusyTimeout(5000);
    if (m_archive->open())
        return true;
    m_problem = m_archive->problem();
    return false;
}

bool SharedList::open(const QStringList &phrases, bool resume)
{
    if (!ensureOpen())
        return false;
    if (m_archive->shareList(m_name, phrases, !resume))
        return true;
    m_problem = m_archive->problem();
    return false;
}

bool SharedList::sendEnds()
{
    while (!m_ends.isEmpty()) {
        const End &end = m_ends.constFirst();
        if (!ensureOpen() || !m_archive->endSharedPhrase(m_name, end.ord, m_holder, end.outcome, end.checked)) {
            // A server that went away is reached anew at the next try.
            m_archive.reset();
            return false;
        }
        m_ends.removeFirst();
    }
    return true;
}

ListRun::Taken SharedList::take()
{
    if (!sendEnds() || !ensureOpen())
        return {ListRun::Taken::Kind::Wait, {}};
    m_held = m_archive->takeSharedPhrase(m_name, m_holder, m_leaseSeconds);
    if (!m_held) {
        if (!m_archive->problem().isEmpty()) {
            m_problem = m_archive->problem();
            m_archive.reset();
            return {ListRun::Taken::Kind::Wait, {}};
        }
        return {ListRun::Taken::Kind::NoneLeft, {}};
    }
    m_renew.start();
    return {ListRun::Taken::Kind::Phrase, m_held->phrase};
}

void SharedList::renew()
{
    if (m_held && ensureOpen() && !m_archive->renewLease(m_name, m_held->ord, m_holder, m_leaseSeconds))
        m_archive.reset();
}

void SharedList::ended(const RunOutcome &outcome)
{
    if (!m_held)
        return;
    m_renew.stop();
    m_ends.append({m_held->ord, outcome.result(), !outcome.unchecked()});
    m_held.reset();
    sendEnds();
}

void SharedList::release()
{
    if (!m_held)
        return;
    m_renew.stop();
    m_ends.append({m_held->ord, QStringLiteral("in attesa di una risposta"), false});
    m_held.reset();
    sendEnds();
}
