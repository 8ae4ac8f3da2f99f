#pragma once

#include "platform/browser.h"
#include "platform/chromium/profilefolder.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class ChromiumProcess;
class DevToolsConnection;
struct DevToolsError;

// The page target the browser opened with, attached to over the pipe, and
// the browser's own names for itself.
struct PageTarget
{
    QString targetId;       // the page's main frame has the target's id
    QString sessionId;
    QString engineAgent;    // the user agent as the browser gives it
    QString product;        // "Chrome/120.0.6099.224"
};

// Starts the system's Chromium on the program's profile and attaches to its
// page: the browser's version, the tab it opened with (or a new one), a
// flattened session on it. Each step's answer is checked: a step that fails
// ends the browser and says which, with the browser's words. A browser that
// ends is let go; the next start begins a new one.
class ChromiumLauncher : public QObject
{
    Q_OBJECT
public:
    // The profile (cookies) and the browser's log live in dataFolder; empty:
    // the per-user data folder.
    explicit ChromiumLauncher(const QString &dataFolder = QString(), QObject *parent = nullptr);
    ~ChromiumLauncher() override;

    // Starts the browser now, attached() or failed() follows; true at once
    // when it runs already. False, with errorString(), when there is none.
    bool start();
    bool started() const { return m_process != nullptr; }
    QString errorString() const { return m_error; }
    // The note for a user without a browser.
    static QString unavailableNote();
    static QString cookieFile(const QString &dataFolder);
    qint64 processId() const;
    QString profilePath() const { return m_profilePath; }
    DevToolsConnection *connection() const;

    // Closes the browser in order, its cookies written, and frees the
    // profile; ended() follows. The next start takes the profile again.
    void close();

    // A step of the start-up that failed: the fault said, the browser ended
    // (ended() follows). Once for each browser started.
    void fail(BrowserFault::Step step, const QString &command, const DevToolsError &error);

signals:
    void attached(const PageTarget &target);
    void failed(const BrowserFault &fault);
    // The browser has gone: it ended, crashed or closed the pipe.
    void ended();

private:
    using Step = std::function<void(const QJsonObject &result)>;
    // Sends a command of the start-up; its result goes on, its error fails the start.
    void ask(BrowserFault::Step step, const QString &command, const QJsonObject &params, Step next);
    void attachTo(const QString &targetId, const QString &engineAgent, const QString &product);
    void onEnded();

    QString m_dataFolder;
    ProfileFolder m_profile;
    QString m_profilePath;
    std::unique_ptr<ChromiumProcess> m_process;
    quint64 m_browser = 0;      // one for each started
    quint64 m_failedBrowser = 0;
    QString m_error;
};
