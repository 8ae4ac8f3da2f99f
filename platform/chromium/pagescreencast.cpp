#include "platform/chromium/pagescreencast.h"

#include "platform/chromium/devtoolssession.h"

namespace {

constexpr int kFrameQuality = 85;

} // namespace

void PageScreencast::start()
{
    if (m_session)
        m_session->send(QStringLiteral("Page.startScreencast"),
                        {{QStringLiteral("format"), QStringLiteral("jpeg")}, {QStringLiteral("quality"), kFrameQuality}});
}

void PageScreencast::stop()
{
    if (m_session)
        m_session->send(QStringLiteral("Page.stopScreencast"));
}

std::optional<QByteArray> PageScreencast::frameOf(const QString &method, const QJsonObject &params)
{
    if (method != QLatin1String("Page.screencastFrame"))
        return std::nullopt;
    if (m_session)
        m_session->send(QStringLiteral("Page.screencastFrameAck"), {{QStringLiteral("sessionId"), params.value(QStringLiteral("sessionId"))}});
    return QByteArray::fromBase64(params.value(QStringLiteral("data")).toString().toLatin1());
}
