#include "platform/chromium/devtoolsframes.h"

#include <QJsonDocument>
#include <QJsonParseError>

QList<QByteArray> DevToolsFrames::append(QByteArrayView bytes)
{
    QList<QByteArray> messages;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\0');
        const QByteArrayView part = end < 0 ? bytes : bytes.first(end);
        if (!m_skipping) {
            if (m_buffer.size() + part.size() > kMaxMessage) {
                m_buffer.clear();
                m_buffer.squeeze();
                m_skipping = true;
                ++m_dropped;
            } else {
                m_buffer.append(part);
            }
        }
        if (end < 0)
            break;
        if (!m_skipping)
            messages.append(std::exchange(m_buffer, QByteArray()));
        m_skipping = false;
        bytes = bytes.sliced(end + 1);
    }
    return messages;
}

std::optional<QJsonObject> DevToolsFrames::parse(const QByteArray &message)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QByteArray DevToolsFrames::frame(const QJsonObject &message)
{
    QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    return bytes;
}
