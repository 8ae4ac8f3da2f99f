#pragma once

#include "platform/chromium/devtoolsconnection.h"

#include <QObject>
#include <QPointer>

// One page's share of a DevTools connection: its commands carry the page's
// session id, and only its events come out of it.
class DevToolsSession : public QObject
{
    Q_OBJECT
public:
    DevToolsSession(DevToolsConnection *connection, QString sessionId, QObject *parent = nullptr);

    // Answered as the connection answers; at once with Closed when the
    // connection has gone.
    void send(const QString &method, const QJsonObject &params = {}, DevToolsConnection::Answer answer = {}, int bound = 0);
    QString id() const { return m_id; }

signals:
    void event(const QString &method, const QJsonObject &params);

private:
    QPointer<DevToolsConnection> m_connection;
    QString m_id;
};
