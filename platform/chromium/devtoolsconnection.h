#pragma once

#include "platform/chromium/devtoolsframes.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;

// One DevTools connection over a pair of pipe ends: sends commands with ids,
// matches the answers to them, and hands on the events.
class DevToolsConnection : public QObject
{
    Q_OBJECT
public:
    // error is empty when the command succeeded.
    using Answer = std::function<void(const QJsonObject &result, const QString &error)>;

    // Takes both descriptors and closes them when it goes.
    DevToolsConnection(int readFd, int writeFd, QObject *parent = nullptr);
    ~DevToolsConnection() override;

    // sessionId empty: a command to the browser itself.
    void send(const QString &method, const QJsonObject &params = {}, const QString &sessionId = {}, Answer answer = {});
    bool isOpen() const { return m_readFd >= 0; }
    void close();

    // Feeds bytes as if they had arrived on the pipe (the fuzz target uses it).
    void receive(QByteArrayView bytes);
    int unreadable() const { return m_unreadable; }

signals:
    void event(const QString &sessionId, const QString &method, const QJsonObject &params);
    // The browser closed its end, or a read or write failed.
    void closed();

private:
    void readAvailable();
    void writePending();
    void dispatch(const QByteArray &message);
    void unreadableMessage(const QByteArray &message);

    int m_readFd;
    int m_writeFd;
    QSocketNotifier *m_reader = nullptr;
    QSocketNotifier *m_writer = nullptr;
    DevToolsFrames m_frames;
    QByteArray m_outgoing;
    QHash<int, Answer> m_answers;
    int m_nextId = 1;
    int m_unreadable = 0;
};
