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

void DevToolsSession::send(const QString &method, const QJsonObject &params, DevToolsConnection::Answer answer)
{
    if (m_connection)
        m_connection->send(method, params, m_id, std::move(answer));
}
