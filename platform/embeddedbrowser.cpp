#include "platform/embeddedbrowser.h"

#include "platform/browserengine.h"
#include "platform/engineenvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLibrary>
#include <QVBoxLayout>

QStringList EmbeddedBrowser::moduleFolders()
{
    // Next to the program, where an installed copy puts it, and where the
    // build makes it (for the tests and benchmarks in the build tree).
    QStringList folders{QCoreApplication::applicationDirPath()};
#ifdef CERCA_ENGINE_INSTALL_DIR
    folders << QStringLiteral(CERCA_ENGINE_INSTALL_DIR);
#endif
#ifdef CERCA_ENGINE_BUILD_DIR
    folders << QStringLiteral(CERCA_ENGINE_BUILD_DIR);
#endif
    folders.removeDuplicates();
    return folders;
}

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
    QStringList errors;
    for (const QString &folder : std::as_const(m_folders)) {
        auto library = std::make_unique<QLibrary>(QDir(folder).filePath(QStringLiteral("cerca-webengine")));
        if (!library->load()) {
            errors << library->errorString();
            continue;
        }
        auto create = reinterpret_cast<CreateBrowserEngine>(library->resolve(kCreateBrowserEngine));
        if (!create) {
            errors << library->errorString();
            continue;
        }
        m_library = std::move(library);
        m_engine.reset(create());
        m_engine->setDocumentComplete([this] { emit documentComplete(); });
        if (m_container)
            m_engine->attach(m_container);
        return true;
    }
    m_error = errors.isEmpty() ? QStringLiteral("no folder to look in") : errors.join(QLatin1Char('\n'));
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
