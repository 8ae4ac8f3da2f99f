#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/chromium/devtoolsconnection.h"

// The system's Chromium, headless, spoken to over the DevTools pipe (its
// descriptors 3 and 4): no port is opened, so no other program can take
// control of it. When this process dies, the pipe closes and the browser
// ends with it.
class ChromiumProcess : public QObject
{
    Q_OBJECT
public:
    explicit ChromiumProcess(QObject *parent = nullptr);
    ~ChromiumProcess() override;

    // Starts the browser on the profile folder, its output appended to the
    // log file (kept to a bounded size). False, with errorString(), when it
    // cannot start.
    bool start(const QString &executable, const QString &profile, const QString &logFile);
    QString errorString() const { return m_error; }
    DevToolsConnection *connection() const { return m_connection; }
    // Ends the browser now (a start-up that failed): the pipe closes, and
    // ended() follows.
    void stop() { onEnded(); }
    qint64 processId() const { return m_process.processId(); }

    static QStringList arguments(const QString &profile, bool runningAsRoot);
    // The log is moved aside as "NAME.1" once it passes this size.
    static constexpr qint64 kLogLimit = 1024 * 1024;
    static void boundLog(const QString &logFile);

signals:
    // The browser has gone: it ended, crashed or closed the pipe.
    void ended();

private:
    void onEnded();

    QProcess m_process;
    QPointer<DevToolsConnection> m_connection;
    QString m_error;
    bool m_ended = false;
};
