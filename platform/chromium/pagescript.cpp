#include "platform/chromium/pagescript.h"

#include "platform/chromium/devtoolssession.h"

#include <QFile>
#include <QPointer>

static void initResources()
{
    Q_INIT_RESOURCE(chromium);
}

namespace PageScript {

QString source(const QString &name)
{
    initResources();
    QFile file(QStringLiteral(":/chromium/") + name);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

void evaluate(DevToolsSession *page, const QString &frameId, const QString &expression,
              std::function<void(const QJsonValue &)> done, int awaited)
{
    if (!page) {
        done(QJsonValue());
        return;
    }
    const QJsonObject world{{QStringLiteral("frameId"), frameId}, {QStringLiteral("worldName"), QStringLiteral("cerca-posizione")}};
    QPointer<DevToolsSession> session = page;
    page->send(QStringLiteral("Page.createIsolatedWorld"), world,
               [session, expression, done, awaited](const QJsonObject &created, const DevToolsError &error) {
        if (!error.isEmpty() || !session) {
            done(QJsonValue());
            return;
        }
        const QJsonObject params{{QStringLiteral("expression"), expression},
                                 {QStringLiteral("contextId"), created.value(QStringLiteral("executionContextId"))},
                                 {QStringLiteral("returnByValue"), true},
                                 {QStringLiteral("awaitPromise"), awaited > 0}};
        // A promise is answered when it comes true, within its own time: the
        // command waits the slowest bound, which leaves it room.
        const int bound = awaited > 0 ? DevToolsConnection::kSlowestBound : 0;
        session->send(QStringLiteral("Runtime.evaluate"), params, [done](const QJsonObject &evaluated, const DevToolsError &) {
            if (evaluated.contains(QStringLiteral("exceptionDetails")))
                done(QJsonValue());
            else
                done(evaluated.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")));
        }, bound);
    });
}

} // namespace PageScript
