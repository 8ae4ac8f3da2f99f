#include "machine.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>

#include <csignal>
#include <sys/types.h>

namespace soak {

QList<qint64> descendantsOf(qint64 pid)
{
    QHash<qint64, qint64> parents;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 child = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(child));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and brackets.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> rest = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1)
            parents.insert(child, rest[1].toLongLong());
    }
    QList<qint64> found;
    QList<qint64> frontier{pid};
    while (!frontier.isEmpty()) {
        const qint64 parent = frontier.takeFirst();
        for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
            if (it.value() == parent && !found.contains(it.key())) {
                found.append(it.key());
                frontier.append(it.key());
            }
        }
    }
    return found;
}

bool isAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    // A zombie has ended; its parent has not yet read its status.
    return !text.mid(text.lastIndexOf(')') + 2).startsWith('Z');
}

QString commandLineOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray text = file.readAll();
    text.replace('\0', ' ');
    return QString::fromLocal8Bit(text).trimmed();
}

qint64 browserAmong(const QList<qint64> &pids)
{
    for (qint64 pid : pids) {
        const QString line = commandLineOf(pid);
        if (line.contains(QLatin1String("chrom")) && !line.contains(QLatin1String("--type=")))
            return pid;
    }
    return 0;
}

namespace {

qint64 sumOf(qint64 pid, std::initializer_list<const char *> fields)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    qint64 sum = 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        for (const char *field : fields) {
            if (line.startsWith(field))
                sum += line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return sum;
}

} // namespace

qint64 pssOf(qint64 pid)
{
    return sumOf(pid, {"Pss:"});
}

qint64 privateDirtyOf(qint64 pid)
{
    return sumOf(pid, {"Private_Dirty:"});
}

SmallDisk::SmallDisk(QString folder)
    : m_folder(std::move(folder))
{
    QDir().mkpath(m_folder);
    m_mounted = QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                          QStringLiteral("size=256m"), QStringLiteral("soak"), m_folder})
        == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder});
}

bool SmallDisk::fill()
{
    if (!m_mounted)
        return false;
    QFile filler(QDir(m_folder).filePath(QStringLiteral("riempitivo")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    for (const int size : {1 << 20, 4096, 1}) {
        const QByteArray block(size, 'x');
        while (filler.write(block) == block.size()) {
        }
    }
    m_full = true;
    return true;
}

void SmallDisk::empty()
{
    QFile::remove(QDir(m_folder).filePath(QStringLiteral("riempitivo")));
    m_full = false;
}

} // namespace soak
