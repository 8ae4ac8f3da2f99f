#include "platform/chromium/devtoolssession.h"

DevToolsSession::DevToolsSession(DevToolsConnection *connection, QString sessionId, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_id(std::move(sessionId))
{
    connect(connection, &DevToolsConnection::event, this,
            [this](const QString &sessionId, const QString &method, const QJsonObject &params) {
                if (sessionId == m_id)
                    emit event(method, params);
            });
}

void DevToolsSession::send(const QString &method, const QJsonObject &params, DevToolsConnection::Answer answer, int bound)
{
    if (m_connection)
        m_connection->send(method, params, m_id, std::move(answer), bound);
    else if (answer)
        answer({}, DevToolsError{DevToolsError::Kind::Closed, QStringLiteral("%1: the connection has gone").arg(method)});
}
