#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <optional>

// The DevTools pipe carries JSON messages, each followed by a NUL byte.
// This splits the bytes as they arrive into whole messages.
class DevToolsFrames
{
public:
    // A message longer than this is not one the browser sends us; it is
    // dropped up to its end, so that one bad message cannot fill the memory.
    static constexpr qsizetype kMaxMessage = 512 * 1024 * 1024;

    // The whole messages the bytes complete, in order.
    QList<QByteArray> append(QByteArrayView bytes);
    // How many messages were dropped for their size.
    int dropped() const { return m_dropped; }

    // A message as a JSON object; nullopt when it is not one.
    static std::optional<QJsonObject> parse(const QByteArray &message);
    static QByteArray frame(const QJsonObject &message);

private:
    QByteArray m_buffer;
    bool m_skipping = false;   // inside a message that is too long
    int m_dropped = 0;
};
