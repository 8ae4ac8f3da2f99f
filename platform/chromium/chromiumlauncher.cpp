#include "platform/chromium/chromiumlauncher.h"

#include "platform/chromium/chromiumlocator.h"
#include "platform/chromium/chromiumprocess.h"
#include "platform/chromium/devtoolsconnection.h"

#include <QDir>
#include <QJsonArray>
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
    DevToolsConnection *connection = m_process->connection();
    connection->send(QStringLiteral("Browser.getVersion"), {}, {}, [this, connection](const QJsonObject &version, const QString &) {
        const QString agent = version.value(QStringLiteral("userAgent")).toString();
        const QString product = version.value(QStringLiteral("product")).toString();
        // The tab the browser opened with, or a new one.
        connection->send(QStringLiteral("Target.getTargets"), {}, {}, [=, this](const QJsonObject &result, const QString &) {
            for (const QJsonValue &target : result.value(QStringLiteral("targetInfos")).toArray()) {
                if (target[QStringLiteral("type")].toString() == QLatin1String("page")) {
                    attachTo(target[QStringLiteral("targetId")].toString(), agent, product);
                    return;
                }
            }
            connection->send(QStringLiteral("Target.createTarget"), {{QStringLiteral("url"), QStringLiteral("about:blank")}}, {},
                             [=, this](const QJsonObject &created, const QString &) {
                                 attachTo(created.value(QStringLiteral("targetId")).toString(), agent, product);
                             });
        });
    });
    return true;
}

void ChromiumLauncher::attachTo(const QString &targetId, const QString &engineAgent, const QString &product)
{
    const QJsonObject params{{QStringLiteral("targetId"), targetId}, {QStringLiteral("flatten"), true}};
    connection()->send(QStringLiteral("Target.attachToTarget"), params, {},
                       [=, this](const QJsonObject &attached, const QString &error) {
        if (!error.isEmpty()) {
            qWarning("The browser's page could not be attached: %s", qPrintable(error));
            return;
        }
        emit this->attached(PageTarget{targetId, attached.value(QStringLiteral("sessionId")).toString(), engineAgent, product});
    });
}

void ChromiumLauncher::onEnded()
{
    m_process.release()->deleteLater();
    emit ended();
}
