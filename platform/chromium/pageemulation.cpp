#include "platform/chromium/pageemulation.h"

#include "platform/browser.h"
#include "platform/chromium/devtoolssession.h"
#include "platform/useragent.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

// Client hints name the browser too: as Chromium, not as a headless one.
QJsonObject agentMetadata(const QString &product, bool phone)
{
    const QString full = product.section(QLatin1Char('/'), 1);
    const QString major = full.section(QLatin1Char('.'), 0, 0);
    const QJsonArray brands{QJsonObject{{QStringLiteral("brand"), QStringLiteral("Chromium")}, {QStringLiteral("version"), major}},
                            QJsonObject{{QStringLiteral("brand"), QStringLiteral("Not/A)Brand")}, {QStringLiteral("version"), QStringLiteral("24")}}};
    return {{QStringLiteral("brands"), brands},
            {QStringLiteral("fullVersion"), full},
            {QStringLiteral("platform"), phone ? QStringLiteral("Android") : QStringLiteral("Linux")},
            {QStringLiteral("platformVersion"), phone ? QStringLiteral("10.0.0") : QString()},
            {QStringLiteral("architecture"), phone ? QString() : QStringLiteral("x86")},
            {QStringLiteral("model"), phone ? QStringLiteral("K") : QString()},
            {QStringLiteral("mobile"), phone}};
}

} // namespace

void PageEmulation::attach(DevToolsSession *session, const QString &engineAgent, const QString &product)
{
    m_session = session;
    m_engineAgent = engineAgent;
    m_product = product;
    applyAgent();
    applyViewport();
}

void PageEmulation::setDevice(Device device)
{
    if (device == m_device)
        return;
    m_device = device;
    applyAgent();
    applyViewport();
}

void PageEmulation::setViewSize(QSize size)
{
    m_viewSize = size;
    if (m_inFront)
        applyViewport();
}

void PageEmulation::setInFront(bool front)
{
    m_inFront = front;
    m_zoomAsked = false;
    applyViewport();
}

QSize PageEmulation::layoutSize() const
{
    const bool phone = m_device == Device::Smartphone;
    if (!m_inFront || m_viewSize.isEmpty())
        return phone ? Devices::kPhoneSize : Browser::kDesktopSize;
    if (!phone)
        return m_viewSize;
    // The phone's width, as tall as the view shows it: smaller than the
    // phone's width, the view draws it scaled down, and so taller.
    const int width = Devices::kPhoneSize.width();
    const double scale = std::min(1.0, double(m_viewSize.width()) / width);
    return {width, qMax(1, qRound(m_viewSize.height() / scale))};
}

void PageEmulation::frameShown(double pageScale)
{
    // Zoomed out, a page's text is too small to read in the view: shown at
    // its own size, it is scrolled instead. Asked once a document (the
    // page's own limits may refuse it).
    if (!m_session || !m_inFront || pageScale >= 0.99 || m_zoomAsked)
        return;
    m_zoomAsked = true;
    m_session->send(QStringLiteral("Emulation.setPageScaleFactor"), {{QStringLiteral("pageScaleFactor"), 1.0}});
}

double PageEmulation::pixelRatio() const
{
    return m_device == Device::Smartphone ? Devices::kPhonePixelRatio : 1.0;
}

void PageEmulation::applyAgent()
{
    if (!m_session)
        return;
    const bool phone = m_device == Device::Smartphone;
    QJsonObject override{{QStringLiteral("userAgent"), phone ? UserAgent::forPhone(m_engineAgent)
                                                              : UserAgent::forEngine(m_engineAgent)}};
    if (!UserAgent::chosen())
        override.insert(QStringLiteral("userAgentMetadata"), agentMetadata(m_product, phone));
    m_session->send(QStringLiteral("Network.setUserAgentOverride"), override);
    m_session->send(QStringLiteral("Emulation.setTouchEmulationEnabled"),
                    {{QStringLiteral("enabled"), phone}, {QStringLiteral("maxTouchPoints"), phone ? 5 : 1}});
}

void PageEmulation::applyViewport()
{
    sendViewport(layoutSize());
}

void PageEmulation::sendViewport(QSize size)
{
    if (!m_session)
        return;
    m_session->send(QStringLiteral("Emulation.setDeviceMetricsOverride"),
                    {{QStringLiteral("width"), size.width()}, {QStringLiteral("height"), size.height()},
                     {QStringLiteral("screenWidth"), size.width()}, {QStringLiteral("screenHeight"), size.height()},
                     {QStringLiteral("deviceScaleFactor"), pixelRatio()},
                     {QStringLiteral("mobile"), m_device == Device::Smartphone}});
}

void PageEmulation::setScrollbarsHidden(bool hidden)
{
    if (m_session)
        m_session->send(QStringLiteral("Emulation.setScrollbarsHidden"), {{QStringLiteral("hidden"), hidden}});
}
