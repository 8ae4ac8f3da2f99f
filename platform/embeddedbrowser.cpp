#include "platform/embeddedbrowser.h"

#include "platform/browserengine.h"
#include "platform/engineenvironment.h"
#include "platform/modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLibrary>
#include <QVBoxLayout>

EmbeddedBrowser::EmbeddedBrowser(QStringList folders, QObject *parent)
    : Browser(parent)
    , m_folders(std::move(folders))
{
}

EmbeddedBrowser::~EmbeddedBrowser()
{
    // The engine's code lives in the library: the engine goes first, and the
    // library stays mapped, as the engine's threads may outlive it briefly.
    m_engine.reset();
}

bool EmbeddedBrowser::startEngine()
{
    if (m_engine)
        return true;
    if (m_tried)
        return false;
    m_tried = true;
    EngineEnvironment::prepareShareContext();
    Modules::Loaded module = Modules::load(QStringLiteral("cerca-webengine"), kCreateBrowserEngine, m_folders);
    if (module.library) {
        m_library = std::move(module.library);
        m_engine.reset(reinterpret_cast<CreateBrowserEngine>(module.entry)());
        m_engine->setDocumentComplete([this] { emit documentComplete(); });
        if (m_container)
            m_engine->attach(m_container);
        return true;
    }
    m_error = module.error;
    qWarning("The browser engine could not be loaded: %s", qPrintable(m_error));
    showUnavailable();
    return false;
}

void EmbeddedBrowser::showUnavailable()
{
    if (!m_container || m_container->layout())
        return;
    auto *layout = new QVBoxLayout(m_container);
    auto *label = new QLabel(QStringLiteral("Il browser incorporato non è disponibile."), m_container);
    label->setObjectName(QStringLiteral("BrowserUnavailable"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    layout->addWidget(label);
}

void EmbeddedBrowser::navigate2(const QString &address)
{
    if (startEngine())
        m_engine->navigate(address);
}

std::optional<QString> EmbeddedBrowser::pageText() const
{
    if (!m_engine)
        return std::nullopt;
    return m_engine->pageText();
}

PageLinks EmbeddedBrowser::pageLinks() const
{
    return m_engine ? m_engine->pageLinks() : PageLinks();
}

void EmbeddedBrowser::attach(QWidget *container)
{
    m_container = container;
    if (m_engine)
        m_engine->attach(container);
    else if (m_tried)
        showUnavailable();
}
