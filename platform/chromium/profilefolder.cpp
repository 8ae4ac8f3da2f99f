#include "platform/chromium/profilefolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace {

// What a copy leaves out: the locks of the browser that holds the original,
// and what the browser makes again by itself.
bool leftOut(const QString &relative)
{
    static const QStringList names{QStringLiteral("SingletonLock"), QStringLiteral("SingletonSocket"),
                                   QStringLiteral("SingletonCookie"), QStringLiteral("Cache"),
                                   QStringLiteral("Code Cache"), QStringLiteral("GPUCache"),
                                   QStringLiteral("GrShaderCache"), QStringLiteral("ShaderCache"),
                                   QStringLiteral("GraphiteDawnCache"), QStringLiteral("Crashpad"),
                                   QStringLiteral("component_crx_cache"), QStringLiteral("Service Worker")};
    for (const QString &part : relative.split(QLatin1Char('/'))) {
        if (names.contains(part))
            return true;
    }
    return false;
}

} // namespace

QString ProfileFolder::acquire()
{
    QDir().mkpath(m_folder);
    // A lock of a program that died is taken over; one held for hours by a
    // live program never goes stale.
    m_lock.setStaleLockTime(0);
    bool held = m_lock.isLocked() || m_lock.tryLock(0);
    // Held by another program with no browser in it: that program is letting
    // its browser go (its lock goes a moment after the browser's) or starting
    // one. A moment tells which, rather than a copy that would keep what
    // this browser writes from that program.
    if (!held && !m_copy && !inUse(m_folder))
        held = m_lock.tryLock(kMomentBetweenBrowsersMilliseconds);
    if (held && !inUse(m_folder))
        return m_folder;
    if (m_copy)
        return m_copy->path();
    m_copy = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("cerca-posizione-profilo-XXXXXX")));
    if (!m_copy->isValid() || !copyProfile(m_folder, m_copy->path())) {
        // Without a copy the second browser starts on an empty profile.
        qWarning("The browser profile could not be copied: %s", qPrintable(m_copy->errorString()));
    }
    return m_copy->path();
}

void ProfileFolder::release()
{
    m_lock.unlock();
    m_copy.reset();
}

bool ProfileFolder::inUse(const QString &folder)
{
#ifdef Q_OS_UNIX
    // Chromium's lock is a symbolic link to "HOST-PID".
    const QString target = QFileInfo(QDir(folder).filePath(QStringLiteral("SingletonLock"))).symLinkTarget();
    const QString name = QFileInfo(target).fileName();
    const qsizetype dash = name.lastIndexOf(QLatin1Char('-'));
    if (dash <= 0)
        return false;
    bool number = false;
    const qint64 pid = name.mid(dash + 1).toLongLong(&number);
    if (!number || pid <= 0 || name.left(dash) != QSysInfo::machineHostName())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    // Elsewhere the lock is a file the running browser holds open.
    QFile lock(QDir(folder).filePath(QStringLiteral("lockfile")));
    return lock.exists() && !lock.remove();
#endif
}

bool ProfileFolder::copyProfile(const QString &from, const QString &to)
{
    const QDir source(from);
    bool whole = true;
    QDirIterator entries(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const QString relative = source.relativeFilePath(path);
        const QFileInfo info = entries.fileInfo();
        if (leftOut(relative) || info.isSymLink())
            continue;
        const QString target = QDir(to).filePath(relative);
        if (info.isDir())
            whole = QDir().mkpath(target) && whole;
        else
            whole = (QDir().mkpath(QFileInfo(target).path()) && QFile::copy(path, target)) && whole;
    }
    return whole;
}
