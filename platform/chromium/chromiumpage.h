#pragma once

#include "platform/browser.h"
#include "platform/chromium/loadtracker.h"
#include "platform/chromium/profilefolder.h"

#include <QJsonValue>
#include <QPointer>
#include <QSize>
#include <functional>
#include <memory>

class ChromiumProcess;
class DevToolsSession;

// The page a run drives: the system's Chromium, headless, started at the
// first navigation and driven over its DevTools pipe. It finds its target,
// navigates, tracks the loads, reads each document with the page script and
// sends the screencast's frames while it is in front.
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
    PageLinks pageLinks() const override { return m_pageLinks; }
    QString loadError() const override { return m_loadError; }
    void capturePage(std::function<void(const QByteArray &, const QByteArray &)> done) override;
    void capturePicture(const QStringList &hits, std::function<void(const PagePicture &)> done) override;
    void setInFront(bool front) override;
    void setViewSize(QSize size) override;
    void setDevice(Device device) override;
    void sendInput(const QString &method, const QJsonObject &params) override;

    bool engineStarted() const { return m_process != nullptr; }
    // Starts the browser now; false, with errorString(), when there is none.
    bool startEngine();
    QString errorString() const { return m_error; }
    // The note for a user without a browser.
    static QString unavailableNote();
    qint64 processId() const;
    QString profilePath() const { return m_profilePath; }

    // Runs a script in the page's isolated world (the benchmark compares the
    // page script with the engine's own serialization this way).
    void evaluate(const QString &expression, std::function<void(const QJsonValue &)> done);

private:
    void attachToPage(const QString &targetId, const QString &agent, const QString &product);
    void onPageEvent(const QString &method, const QJsonObject &params);
    void readDocument();
    void finishDocument(quint64 document, const QJsonValue &read, const QString &failure = QString());
    void onProcessEnded();
    void applyViewport();
    void sendViewport(QSize size);
    void applyAgent();
    QSize layoutSize() const;

    QString m_dataFolder;
    ProfileFolder m_profile;
    QString m_profilePath;
    QString m_script;
    std::unique_ptr<ChromiumProcess> m_process;
    QPointer<DevToolsSession> m_session;
    LoadTracker m_tracker;
    QSize m_viewSize;
    Device m_device = Device::Computer;
    QString m_engineAgent;        // as the browser gives it
    QString m_product;
    QString m_pendingAddress;     // asked for before the page was ready
    quint64 m_document = 0;       // one per navigation asked for and per document read
    bool m_expecting = false;     // a document is owed for a navigation we asked for
    bool m_inFront = false;
    bool m_ready = false;         // the page is set up and can navigate
    int m_capturing = 0;          // pictures being taken: a navigation waits for them
    quint64 m_browserGeneration = 0;   // a new browser for each that ended
    QString m_error;
    std::optional<QString> m_pageText;
    PageLinks m_pageLinks;
    QString m_loadError;
};
