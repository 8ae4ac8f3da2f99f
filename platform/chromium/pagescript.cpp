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

QString expressionOf(const QString &script)
{
    QString expression = script.trimmed();
    if (expression.endsWith(QLatin1Char(';')))
        expression.chop(1);
    return expression;
}

void evaluate(DevToolsSession *page, const QString &frameId, const QString &expression,
              std::function<void(const QJsonValue &)> done, bool promise)
{
    if (!page) {
        done(QJsonValue());
        return;
    }
    const QJsonObject world{{QStringLiteral("frameId"), frameId}, {QStringLiteral("worldName"), QStringLiteral("cerca-posizione")}};
    QPointer<DevToolsSession> session = page;
    page->send(QStringLiteral("Page.createIsolatedWorld"), world,
               [session, expression, done, promise](const QJsonObject &created, const DevToolsError &error) {
        if (!error.isEmpty() || !session) {
            done(QJsonValue());
            return;
        }
        const QJsonObject params{{QStringLiteral("expression"), expression},
                                 {QStringLiteral("contextId"), created.value(QStringLiteral("executionContextId"))},
                                 {QStringLiteral("returnByValue"), true},
                                 {QStringLiteral("awaitPromise"), promise}};
        // A promise is answered when it comes true: the command waits the
        // slowest bound, which leaves the settling and the reading room.
        const int bound = promise ? DevToolsConnection::kSlowestBound : 0;
        session->send(QStringLiteral("Runtime.evaluate"), params, [done](const QJsonObject &evaluated, const DevToolsError &) {
            if (evaluated.contains(QStringLiteral("exceptionDetails")))
                done(QJsonValue());
            else
                done(evaluated.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")));
        }, bound);
    });
}

} // namespace PageScript
