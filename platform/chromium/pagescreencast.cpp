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

std::optional<PageFrame> PageScreencast::frameOf(const QString &method, const QJsonObject &params)
{
    if (method != QLatin1String("Page.screencastFrame"))
        return std::nullopt;
    if (m_session)
        m_session->send(QStringLiteral("Page.screencastFrameAck"), {{QStringLiteral("sessionId"), params.value(QStringLiteral("sessionId"))}});
    const QJsonObject metadata = params.value(QStringLiteral("metadata")).toObject();
    PageFrame frame;
    frame.jpeg = QByteArray::fromBase64(params.value(QStringLiteral("data")).toString().toLatin1());
    frame.viewport = QSize(qRound(metadata.value(QStringLiteral("deviceWidth")).toDouble()),
                           qRound(metadata.value(QStringLiteral("deviceHeight")).toDouble()));
    const double scale = metadata.value(QStringLiteral("pageScaleFactor")).toDouble(1.0);
    frame.pageScale = scale > 0 ? scale : 1.0;
    return frame;
}
