#include "platform/chromium/chromiumlauncher.h"

#include "platform/chromium/chromiumlocator.h"
#include "platform/chromium/chromiumprocess.h"
#include "platform/chromium/devtoolsconnection.h"

#include <QDir>
#include <QJsonArray>
#include <QPointer>
#include <QStandardPaths>

namespace {

QString folderOr(const QString &dataFolder)
{
    return dataFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : dataFolder;
}

} // namespace

ChromiumLauncher::ChromiumLauncher(const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , m_dataFolder(folderOr(dataFolder))
    , m_profile(QDir(m_dataFolder).filePath(QStringLiteral("Chromium")))
{
}

ChromiumLauncher::~ChromiumLauncher() = default;

QString ChromiumLauncher::unavailableNote()
{
    return QStringLiteral("Per cercare serve il browser Chromium, che non è stato trovato: installa %1 e riprova.")
        .arg(ChromiumLocator::packageHint());
}

QString ChromiumLauncher::cookieFile(const QString &dataFolder)
{
    return QDir(folderOr(dataFolder)).filePath(QStringLiteral("Chromium/Default/Cookies"));
}

qint64 ChromiumLauncher::processId() const
{
    return m_process ? m_process->processId() : 0;
}

DevToolsConnection *ChromiumLauncher::connection() const
{
    return m_process ? m_process->connection() : nullptr;
}

bool ChromiumLauncher::start()
{
    if (m_process)
        return true;
    const QString executable = ChromiumLocator::find();
    if (executable.isEmpty()) {
        m_error = unavailableNote();
        return false;
    }
    m_profilePath = m_profile.acquire();
    auto process = std::make_unique<ChromiumProcess>();
    if (!process->start(executable, m_profilePath, QDir(m_dataFolder).filePath(QStringLiteral("Chromium.log")))) {
        m_error = QStringLiteral("%1 (%2)").arg(unavailableNote(), process->errorString());
        return false;
    }
    m_error.clear();
    m_process = std::move(process);
    connect(m_process.get(), &ChromiumProcess::ended, this, &ChromiumLauncher::onEnded, Qt::QueuedConnection);
    ++m_browser;
    ask(BrowserFault::Step::Version, QStringLiteral("Browser.getVersion"), {}, [this](const QJsonObject &version) {
        const QString agent = version.value(QStringLiteral("userAgent")).toString();
        const QString product = version.value(QStringLiteral("product")).toString();
        // The tab the browser opened with, or a new one.
        ask(BrowserFault::Step::Target, QStringLiteral("Target.getTargets"), {}, [=, this](const QJsonObject &result) {
            for (const QJsonValue &target : result.value(QStringLiteral("targetInfos")).toArray()) {
                if (target[QStringLiteral("type")].toString() == QLatin1String("page")) {
                    attachTo(target[QStringLiteral("targetId")].toString(), agent, product);
                    return;
                }
            }
            ask(BrowserFault::Step::Target, QStringLiteral("Target.createTarget"), {{QStringLiteral("url"), QStringLiteral("about:blank")}},
                [=, this](const QJsonObject &created) { attachTo(created.value(QStringLiteral("targetId")).toString(), agent, product); });
        });
    });
    return true;
}

void ChromiumLauncher::ask(BrowserFault::Step step, const QString &command, const QJsonObject &params, Step next)
{
    QPointer<ChromiumLauncher> self(this);
    const quint64 browser = m_browser;
    connection()->send(command, params, {}, [self, browser, step, command, next](const QJsonObject &result, const DevToolsError &error) {
        // An answer of a browser that has gone since finds nobody.
        if (!self || self->m_browser != browser || !self->m_process)
            return;
        if (!error.isEmpty())
            self->fail(step, command, error);
        else
            next(result);
    });
}

void ChromiumLauncher::attachTo(const QString &targetId, const QString &engineAgent, const QString &product)
{
    const QJsonObject params{{QStringLiteral("targetId"), targetId}, {QStringLiteral("flatten"), true}};
    ask(BrowserFault::Step::Attach, QStringLiteral("Target.attachToTarget"), params, [=, this](const QJsonObject &attached) {
        emit this->attached(PageTarget{targetId, attached.value(QStringLiteral("sessionId")).toString(), engineAgent, product});
    });
}

void ChromiumLauncher::fail(BrowserFault::Step step, const QString &command, const DevToolsError &error)
{
    if (!m_process || std::exchange(m_failedBrowser, m_browser) == m_browser)
        return;
    qWarning("The browser's start-up failed: %s", qPrintable(error.message));
    BrowserFault fault;
    fault.step = step;
    fault.command = command;
    fault.why = error.kind == DevToolsError::Kind::TimedOut ? BrowserFault::Why::TimedOut
        : error.kind == DevToolsError::Kind::Closed         ? BrowserFault::Why::Closed
                                                            : BrowserFault::Why::Refused;
    fault.words = fault.why == BrowserFault::Why::Refused ? error.message : QString();
    fault.seconds = error.bound / 1000;
    emit failed(fault);
    m_process->stop();
}

void ChromiumLauncher::close()
{
    if (m_process) {
        // What it says while it closes is of a browser nobody waits for.
        disconnect(m_process.get(), nullptr, this, nullptr);
        ++m_browser;
        m_process.reset();
    }
    m_profile.release();
    emit ended();
}

void ChromiumLauncher::onEnded()
{
    if (!m_process)
        return;
    m_process.release()->deleteLater();
    emit ended();
}
