#pragma once

#include "platform/browser.h"
#include "platform/modules.h"

#include <QPointer>
#include <QStringList>
#include <memory>

class BrowserEngine;
class QLibrary;

// The embedded browser the window uses. Its engine is a module loaded at the
// first navigation: until a search starts, the program does not pay for it.
class EmbeddedBrowser : public Browser
{
    Q_OBJECT
public:
    explicit EmbeddedBrowser(QStringList folders = Modules::folders(), QObject *parent = nullptr);
    ~EmbeddedBrowser() override;

    void navigate2(const QString &address) override;
    std::optional<QString> pageText() const override;
    PageLinks pageLinks() const override;
    void attach(QWidget *container) override;

    bool engineStarted() const { return m_engine != nullptr; }
    // Loads and starts the engine now; false, with errorString(), when the
    // module cannot be loaded.
    bool startEngine();
    QString errorString() const { return m_error; }

private:
    void showUnavailable();

    QStringList m_folders;
    QPointer<QWidget> m_container;
    std::unique_ptr<QLibrary> m_library;
    std::unique_ptr<BrowserEngine> m_engine;
    QString m_error;
    bool m_tried = false;
};
