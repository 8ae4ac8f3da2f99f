#pragma once

#include "platform/browser.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// What the browser engine module offers. The module is loaded at the first
// navigation, so this is a plain interface with no meta-objects to share.
class BrowserEngine
{
public:
    virtual ~BrowserEngine() = default;

    virtual void navigate(const QString &address) = 0;
    virtual std::optional<QString> pageText() const = 0;
    virtual PageLinks pageLinks() const = 0;
    // Shows the pages inside `container`.
    virtual void attach(QWidget *container) = 0;
    // Called once for each main-frame load that completes.
    virtual void setDocumentComplete(std::function<void()> handler) = 0;
};

// The module exports one function of this type by this name.
using CreateBrowserEngine = BrowserEngine *(*)();
inline constexpr char kCreateBrowserEngine[] = "cerca_create_browser_engine";
