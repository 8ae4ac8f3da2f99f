#pragma once

#include "platform/browser.h"
#include "platform/chromium/chromiumlauncher.h"
#include "platform/chromium/loadtracker.h"
#include "platform/chromium/pageemulation.h"
#include "platform/chromium/pagepictures.h"
#include "platform/chromium/pagescreencast.h"
#include "model/settling.h"

#include <QJsonValue>
#include <QPointer>
#include <QSize>
#include <algorithm>
#include <functional>

class DevToolsSession;

// The page a run drives: the system's Chromium, headless, started at the
// first navigation and driven over its DevTools pipe. It navigates, tracks
// the loads and reads each document with the page script; the launcher
// finds its target, the emulation lays it out for the device, the pictures
// and the screencast show it.
class ChromiumPage : public Browser
{
    Q_OBJECT
public:
    // The profile (cookies) and the browser's log live in dataFolder; empty:
    // the per-user data folder.
    explicit ChromiumPage(const QString &dataFolder = QString(), QObject *parent = nullptr);
    ~ChromiumPage() override;

    void navigate2(const QString &address) override;
    std::optional<QString> pageText() const override { return m_pageText; }
    void setKeepingPages(bool keep) override { m_keeping = keep; }
    // A browser that reads kept pages again: from its first start, the
    // network is never asked.
    void setKeptPagesOnly() { m_keptPagesOnly = true; }
    void navigateKept(const QString &address, const QByteArray &markup) override;
    QByteArray keptMarkup() const override { return m_keptMarkup; }
    PageLinks pageLinks() const override { return m_pageLinks; }
    QString loadError() const override { return m_loadError; }
    void capturePage(std::function<void(const QByteArray &, const QByteArray &)> done) override;
    void capturePicture(const QStringList &hits, std::function<void(const PagePicture &)> done) override;
    void setInFront(bool front) override;
    void setViewSize(QSize size) override;
    void setDevice(Device device) override;
    void sendInput(const QString &method, const QJsonObject &params) override;
    void letGo() override;

    bool engineStarted() const { return m_launcher.started(); }
    // Starts the browser now; false, with errorString(), when there is none.
    bool startEngine();
    QString errorString() const { return m_launcher.errorString(); }
    // The note for a user without a browser.
    static QString unavailableNote() { return ChromiumLauncher::unavailableNote(); }
    qint64 processId() const { return m_launcher.processId(); }
    // The file the browser keeps the cookies of the profile in dataFolder
    // in; the profile's own, whatever copy a second program runs on.
    static QString cookieFile(const QString &dataFolder) { return ChromiumLauncher::cookieFile(dataFolder); }
    QString profilePath() const { return m_launcher.profilePath(); }

    // How long after its load a document may take to settle before it is
    // read (pagesettle.js, see model/settling.h). 0: read at the load, as the
    // page stands.
    void setSettleSeconds(int seconds) override { m_settleSeconds = std::clamp(seconds, 0, Settling::kLongestSeconds); }
    int settleSeconds() const { return m_settleSeconds; }

    // Runs a script in the page's isolated world (the benchmark compares the
    // page script with the engine's own serialization this way).
    void evaluate(const QString &expression, std::function<void(const QJsonValue &)> done);

private:
    void answerOffline(const QJsonObject &params);
    void onAttached(const PageTarget &target);
    // A command of the page's set-up: its error fails the start-up.
    void enable(const QString &command, const QJsonObject &params = {}, std::function<void()> done = {});
    void onStartFailed(const BrowserFault &fault);
    void onPageEvent(const QString &method, const QJsonObject &params);
    void readDocument();
    void setKeptInPlace(const QString &address);
    void finishDocument(quint64 document, const QJsonValue &read, const QString &failure = QString());
    void onBrowserEnded();

    ChromiumLauncher m_launcher;
    QString m_script;
    QString m_keptScript;
    bool m_keeping = false;
    bool m_keptPagesOnly = false;
    QByteArray m_keptDocument;   // the markup the next document is made of
    QString m_shownOrigin;       // of the last page asked for
    QByteArray m_keptMarkup;
    QString m_settleScript;
    QString m_readingExpression;   // the page script as an expression, to follow the settling
    int m_settleSeconds = Settling::kDefaultSeconds;
    QPointer<DevToolsSession> m_session;
    LoadTracker m_tracker;
    PageEmulation m_emulation;
    PageScreencast m_screencast;
    PagePictures m_pictures;
    QString m_pendingAddress;     // asked for before the page was ready
    quint64 m_document = 0;       // one per navigation asked for and per document read
    bool m_expecting = false;     // a document is owed for a navigation we asked for
    bool m_ready = false;         // the page is set up and can navigate
    bool m_firstNavigation = false;   // the next is the first of this browser
    bool m_lettingGo = false;     // the browser is closed on purpose
    int m_capturing = 0;          // pictures being taken: a navigation waits for them
    quint64 m_browserGeneration = 0;   // a new browser for each that ended
    std::optional<QString> m_pageText;
    PageLinks m_pageLinks;
    QString m_loadError;
};
