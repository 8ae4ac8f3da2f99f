#include "platform/webengine/webenginebrowser.h"

#include "platform/useragent.h"

#include <QFile>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <type_traits>

namespace {

// net::ERR_ABORTED: the load was given up, for instance for a newer one.
constexpr int kAborted = -3;

} // namespace

QString WebEngineBrowser::pageTextScript()
{
    QFile file(QStringLiteral(":/webengine/pagetext.js"));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

WebEngineBrowser::WebEngineBrowser()
    : m_script(pageTextScript())
{
    // A named profile keeps its cookies in the per-user data folder, so a
    // consent given once stays given.
    m_profile = new QWebEngineProfile(QStringLiteral("cerca-posizione"));
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_profile->setHttpUserAgent(UserAgent::forEngine(m_profile->httpUserAgent()));
    m_view = new QWebEngineView;
    m_view->setPage(new QWebEnginePage(m_profile, m_view));
    connect(m_view->page(), &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
}

WebEngineBrowser::~WebEngineBrowser()
{
    // No answer may arrive for a page that is going; the page before its profile.
    ++m_generation;
    delete m_view;
    delete m_profile;
}

void WebEngineBrowser::attach(QWidget *container)
{
    m_container = container;
    placeView();
}

void WebEngineBrowser::placeView()
{
    if (!m_view || !m_container || m_view->parentWidget() == m_container)
        return;
    auto *layout = new QVBoxLayout(m_container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->show();
}

void WebEngineBrowser::navigate(const QString &address)
{
    ++m_generation;
    m_view->load(QUrl(address, QUrl::TolerantMode));
}

void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    // A navigation that replaces one in flight takes over its load: the
    // engine ends that load once, with the newer page.
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (info.errorCode() != kAborted)
            reportFailedLoad();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        readPageText();
        return;
    }
}

void WebEngineBrowser::reportFailedLoad()
{
    // What the view shows after a failed load is the engine's error page or,
    // when the connection broke mid-page, the part that had arrived, which
    // the engine sometimes renders and sometimes replaces. Neither is a page
    // to read results from: the document completes without markup.
    ++m_generation;   // a read still running for this load is dropped
    m_pageText.reset();
    m_pageLinks = PageLinks();
    if (m_documentComplete)
        m_documentComplete();
}

void WebEngineBrowser::readPageText()
{
    const quint64 generation = m_generation;
    m_view->page()->runJavaScript(m_script, QWebEngineScript::ApplicationWorld,
                                  [this, generation](const QVariant &result) {
                                      if (generation != m_generation)
                                          return;
                                      const QVariantMap read = result.toMap();
                                      const QVariant text = read.value(QStringLiteral("text"));
                                      if (text.typeId() == QMetaType::QString) {
                                          m_pageText = text.toString();
                                          m_pageLinks = PageLinks{read.value(QStringLiteral("address")).toString(),
                                                                  read.value(QStringLiteral("results")).toStringList(),
                                                                  read.value(QStringLiteral("pages")).toStringList()};
                                      } else {
                                          m_pageText.reset();
                                          m_pageLinks = PageLinks();
                                      }
                                      if (m_documentComplete)
                                          m_documentComplete();
                                  });
}

extern "C" Q_DECL_EXPORT BrowserEngine *cerca_create_browser_engine()
{
    return new WebEngineBrowser;
}
static_assert(std::is_same_v<decltype(&cerca_create_browser_engine), CreateBrowserEngine>);
