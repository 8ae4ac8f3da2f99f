#pragma once

#include "platform/browser.h"

#include <QPointer>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
#include <QWebEngineView>

// The embedded browser on Qt WebEngine. The engine starts with the first
// navigation, so that the program starts fast and light.
class WebEngineBrowser : public Browser
{
    Q_OBJECT
public:
    explicit WebEngineBrowser(QObject *parent = nullptr);
    ~WebEngineBrowser() override;

    void navigate2(const QString &address) override;
    std::optional<QString> pageText() const override { return m_pageText; }
    void attach(QWidget *container) override;

    bool engineStarted() const { return m_view != nullptr; }
    // Starts the engine now rather than at the first navigation.
    void startEngine();

    // The script that writes a page's text, run in an isolated world.
    static QString pageTextScript();

private:
    void placeView();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void readPageText();

    QPointer<QWidget> m_container;
    QWebEngineProfile *m_profile = nullptr;
    QPointer<QWebEngineView> m_view; // owned by the container once attached
    QString m_script;
    quint64 m_generation = 0;   // one per navigation we asked for
    std::optional<QString> m_pageText;
};
