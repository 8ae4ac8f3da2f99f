#include "platform/chromium/chromiumprocess.h"

#include "platform/browser.h"
#include "platform/chromium/devtoolsconnection.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// A descriptor above the ones the child is to receive, closed on exec.
int highDescriptor(int fd)
{
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
    ::close(fd);
    return moved;
}
#endif

} // namespace

ChromiumProcess::ChromiumProcess(QObject *parent)
    : QObject(parent)
{
    connect(&m_process, &QProcess::finished, this, &ChromiumProcess::onEnded);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart || error == QProcess::Crashed)
            onEnded();
    });
}

ChromiumProcess::~ChromiumProcess()
{
    disconnect(&m_process, nullptr, this, nullptr);
    if (m_process.state() == QProcess::NotRunning)
        return;
    // Closed in order, the browser writes its cookies out; the pipe's end
    // closes it too, and a last kill makes sure.
    if (m_connection)
        m_connection->send(QStringLiteral("Browser.close"));
    if (!m_process.waitForFinished(3000)) {
        delete m_connection;
        if (!m_process.waitForFinished(2000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    delete m_connection;
}

QStringList ChromiumProcess::arguments(const QString &profile, bool runningAsRoot)
{
    QStringList list{QStringLiteral("--headless=new"),
                     QStringLiteral("--remote-debugging-pipe"),
                     QStringLiteral("--user-data-dir=") + profile,
                     QStringLiteral("--no-first-run"),
                     QStringLiteral("--no-default-browser-check"),
                     // One renderer, no process of its own for drawing, caches kept
                     // small, and nothing running that a search does not need.
                     QStringLiteral("--renderer-process-limit=1"),
                     QStringLiteral("--in-process-gpu"),
                     QStringLiteral("--enable-low-end-device-mode"),
                     QStringLiteral("--disable-extensions"),
                     QStringLiteral("--disable-background-networking"),
                     QStringLiteral("--disable-component-update"),
                     QStringLiteral("--disable-sync"),
                     QStringLiteral("--disable-default-apps"),
                     QStringLiteral("--disable-features=AutoReload,Translate,MediaRouter,OptimizationHints"),
                     // Sites read navigator.webdriver as a robot's mark.
                     QStringLiteral("--disable-blink-features=AutomationControlled"),
                     QStringLiteral("--window-size=%1,%2").arg(Browser::kDesktopSize.width()).arg(Browser::kDesktopSize.height())};
    // The browser's sandbox cannot run as root; everyone else keeps it.
    if (runningAsRoot)
        list << QStringLiteral("--no-sandbox");
    list << QStringLiteral("about:blank");
    return list;
}

void ChromiumProcess::boundLog(const QString &logFile)
{
    if (QFileInfo(logFile).size() <= kLogLimit)
        return;
    const QString older = logFile + QStringLiteral(".1");
    QFile::remove(older);
    QFile::rename(logFile, older);
}

bool ChromiumProcess::start(const QString &executable, const QString &profile, const QString &logFile)
{
#ifdef Q_OS_UNIX
    int toBrowser[2];
    int fromBrowser[2];
    if (::pipe(toBrowser) != 0) {
        m_error = QStringLiteral("pipe: %1").arg(qt_error_string());
        return false;
    }
    if (::pipe(fromBrowser) != 0) {
        ::close(toBrowser[0]);
        ::close(toBrowser[1]);
        m_error = QStringLiteral("pipe: %1").arg(qt_error_string());
        return false;
    }
    // Above 4, so that placing them at 3 and 4 in the child never overwrites one with the other.
    const int childReads = highDescriptor(toBrowser[0]);
    const int weWrite = highDescriptor(toBrowser[1]);
    const int weRead = highDescriptor(fromBrowser[0]);
    const int childWrites = highDescriptor(fromBrowser[1]);

    QDir().mkpath(QFileInfo(logFile).path());
    boundLog(logFile);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(logFile, QIODevice::Append);
    m_process.setStandardErrorFile(logFile, QIODevice::Append);
    m_process.setChildProcessModifier([childReads, childWrites] {
        // dup2 leaves the new descriptors open across exec.
        ::dup2(childReads, 3);
        ::dup2(childWrites, 4);
    });
    m_process.start(executable, arguments(profile, ::geteuid() == 0));
    ::close(childReads);
    ::close(childWrites);
    if (!m_process.waitForStarted(10000)) {
        ::close(weRead);
        ::close(weWrite);
        m_error = m_process.errorString();
        return false;
    }
    m_connection = new DevToolsConnection(weRead, weWrite, this);
    connect(m_connection, &DevToolsConnection::closed, this, &ChromiumProcess::onEnded);
    return true;
#else
    Q_UNUSED(executable)
    Q_UNUSED(profile)
    Q_UNUSED(logFile)
    m_error = QStringLiteral("the DevTools pipe is not available on this system");
    return false;
#endif
}

void ChromiumProcess::onEnded()
{
    if (m_ended)
        return;
    m_ended = true;
    // The commands still waiting hear that no answer will come.
    if (m_connection)
        m_connection->close();
    if (m_process.state() != QProcess::NotRunning)
        m_process.kill();
    emit ended();
}
