#include "app/historymodule.h"

#include "platform/modules.h"

#include <QLibrary>
#include <QWidget>

HistoryWindows::HistoryWindows(QWidget *parent, std::function<void(const QString &)> warn)
    : m_parent(parent)
    , m_warn(std::move(warn))
{
}

HistoryWindows::~HistoryWindows()
{
    // The windows' code lives in the module, which stays loaded.
    delete m_history;
    delete m_competitors;
}

bool HistoryWindows::load()
{
    if (m_module)
        return true;
    Modules::Loaded module = Modules::load(QStringLiteral("cerca-history"), kCreateHistoryWindow);
    const QFunctionPointer competitors = module.library ? module.library->resolve(kCreateCompetitorsWindow) : nullptr;
    if (!module.library || !competitors) {
        qWarning("The position history could not be loaded: %s", qPrintable(module.error));
        m_warn(QStringLiteral("La finestra dell'andamento delle posizioni non è disponibile."));
        return false;
    }
    m_module = std::move(module.library);
    m_createHistory = reinterpret_cast<CreateHistoryWindow>(module.entry);
    m_createCompetitors = reinterpret_cast<CreateCompetitorsWindow>(competitors);
    return true;
}

void HistoryWindows::openHistory(const QString &logPath)
{
    if (!load())
        return;
    delete m_history;
    m_history = m_createHistory(logPath, m_parent);
    show(m_history);
}

void HistoryWindows::openCompetitors(const QString &archivePath, const QString &phrase)
{
    if (!load())
        return;
    delete m_competitors;
    m_competitors = m_createCompetitors(archivePath, phrase, m_parent);
    show(m_competitors);
}

void HistoryWindows::show(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
