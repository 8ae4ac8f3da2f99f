#include "platform/processclock.h"

#include <QFile>
#include <QList>

#include <chrono>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace ProcessClock {

double millisecondsSinceStart()
{
    // A launcher's own clock at the start, in nanoseconds since 1970 (the
    // start-up benchmark's), is finer than the system's ticks of 10 ms.
    bool given = false;
    const qint64 launched = qgetenv("CERCA_POSIZIONE_LAUNCHED_NS").toLongLong(&given);
    if (given) {
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        return double(now.count() - launched) / 1e6;
    }
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    // The command name may hold spaces: count the fields after its ")".
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const double startTicks = fields.at(19).toDouble(); // field 22 of the whole line
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    return (upSeconds - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
#else
    return -1;
#endif
}

} // namespace ProcessClock
