#pragma once

#include "platform/browserengine.h"

#include <QObject>
#include <QPointer>
#include <QWebEngineView>

class QWebEngineLoadingInfo;
class QWebEngineProfile;

// The browser engine on Qt WebEngine, built as a module of its own.
class WebEngineBrowser : public QObject, public BrowserEngine
{
    Q_OBJECT
public:
    WebEngineBrowser();
    ~WebEngineBrowser() override;

    void navigate(const QString &address) override;
    std::optional<QString> pageText() const override { return m_pageText; }
    PageLinks pageLinks() const override { return m_pageLinks; }
    void attach(QWidget *container) override;
    void setDocumentComplete(std::function<void()> handler) override { m_documentComplete = std::move(handler); }

    // The script that writes a page's text, run in an isolated world.
    static QString pageTextScript();

private:
    void placeView();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void readPageText();
    void reportFailedLoad();

    QPointer<QWidget> m_container;
    QWebEngineProfile *m_profile = nullptr;
    QPointer<QWebEngineView> m_view; // owned by the container once attached
    QString m_script;
    quint64 m_generation = 0;   // one per navigation we asked for
    std::optional<QString> m_pageText;
    PageLinks m_pageLinks;
    std::function<void()> m_documentComplete;
};
