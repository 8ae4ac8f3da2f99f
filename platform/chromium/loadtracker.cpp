#include "platform/chromium/loadtracker.h"

namespace {

QString text(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toString();
}

} // namespace

void LoadTracker::navigationRequested()
{
    m_committed.clear();
    m_errorPage = false;
    m_failure.clear();
    // Only the newest loads matter; what came before is dropped.
    m_documentRequests.clear();
    m_statuses.clear();
    m_reported.clear();
}

LoadTracker::Step LoadTracker::complete(const QString &loaderId, Step step)
{
    if (loaderId.isEmpty() || m_reported.contains(loaderId))
        return Step::None;
    m_reported.insert(loaderId);
    return step;
}

LoadTracker::Step LoadTracker::onEvent(const QString &method, const QJsonObject &params)
{
    if (method == QLatin1String("Network.requestWillBeSent")) {
        // A document request's id is its loader's id.
        if (text(params, "type") == QLatin1String("Document")
            && (m_mainFrame.isEmpty() || text(params, "frameId") == m_mainFrame))
            m_documentRequests.insert(text(params, "requestId"));
        return Step::None;
    }
    if (method == QLatin1String("Network.loadingFailed")) {
        const QString request = text(params, "requestId");
        // A request given up for a newer one is no failure of the page.
        if (!m_documentRequests.contains(request) || params.value(QLatin1String("canceled")).toBool())
            return Step::None;
        m_failure = text(params, "errorText");
        return complete(request, Step::Failed);
    }
    if (method == QLatin1String("Network.responseReceived")) {
        const QString request = text(params, "requestId");
        const int status = params.value(QLatin1String("response")).toObject().value(QLatin1String("status")).toInt();
        if (!m_documentRequests.contains(request))
            return Step::None;
        m_statuses.insert(request, status);
        if (status >= 500)
            m_failure = QStringLiteral("HTTP %1").arg(status);
        return Step::None;
    }
    if (method == QLatin1String("Page.frameNavigated")) {
        const QJsonObject frame = params.value(QLatin1String("frame")).toObject();
        if (frame.contains(QLatin1String("parentId")))
            return Step::None;
        m_mainFrame = text(frame, "id");
        m_committed = text(frame, "loaderId");
        m_errorPage = text(frame, "url").startsWith(QLatin1String("chrome-error:"));
        return Step::None;
    }
    if (method == QLatin1String("Page.lifecycleEvent")) {
        if (text(params, "frameId") != m_mainFrame)
            return Step::None;
        const QString name = text(params, "name");
        const QString loader = text(params, "loaderId");
        // A new document's first events name its loader, whether or not the
        // frame's navigation was reported before them.
        if (name == QLatin1String("init") || name == QLatin1String("commit")) {
            if (loader != m_committed)
                m_errorPage = false;
            m_committed = loader;
            return Step::None;
        }
        if (name != QLatin1String("load") || loader != m_committed)
            return Step::None;
        // A server that answers with an error has no results to give, even
        // when it sends a page with the answer.
        const bool failed = m_errorPage || m_statuses.value(loader) >= 500;
        if (failed && m_failure.isEmpty())
            m_failure = QStringLiteral("net::ERR_FAILED");
        return complete(m_committed, failed ? Step::Failed : Step::Read);
    }
    return Step::None;
}
