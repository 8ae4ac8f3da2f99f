#include "platform/messagelog.h"

#include "platform/chromium/chromiumprocess.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

namespace MessageLog {

namespace {

struct State
{
    QString path;
    QByteArrayList kept;
};

State &state()
{
    static State instance;
    return instance;
}

void append(const QByteArrayList &lines)
{
    QFile file(state().path);
    if (file.open(QIODevice::Append))
        file.write(lines.join());
}

void handle(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    static const char *const kinds[] = {"debug", "warning", "critical", "fatal", "info"};
    const QByteArray line = QStringLiteral("%1 %2: %3\n")
                                .arg(QDateTime::currentDateTime().toString(Qt::ISODate), QLatin1String(kinds[type]), message)
                                .toUtf8();
    if (state().path.isEmpty())
        state().kept.append(line);
    else
        append({line});
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void install()
{
    qInstallMessageHandler(handle);
}

void setFile(const QString &logFile)
{
    QDir().mkpath(QFileInfo(logFile).path());
    ChromiumProcess::boundLog(logFile);
    state().path = logFile;
    append(std::exchange(state().kept, {}));
}

} // namespace MessageLog
