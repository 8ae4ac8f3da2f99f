#include "platform/chromium/chromiumpage.h"

#include "platform/chromium/devtoolssession.h"
#include "platform/chromium/readingdecoder.h"
#include "platform/chromium/pagescript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace {

QString originOf(const QString &address)
{
    return QUrl(address).adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
}

} // namespace

ChromiumPage::ChromiumPage(const QString &dataFolder, QObject *parent)
    : Browser(parent)
    , m_launcher(dataFolder)
    , m_script(PageScript::source(QStringLiteral("pagetext.js")))
    , m_keptScript(PageScript::source(QStringLiteral("keptpage.js")))
    , m_settleScript(PageScript::source(QStringLiteral("pagesettle.js")))
    , m_readingExpression(PageScript::expressionOf(m_script))
    , m_pictures(m_emulation, [this](const QString &expression, std::function<void(const QJsonValue &)> done) {
        evaluate(expression, std::move(done));
    })
{
    connect(&m_launcher, &ChromiumLauncher::attached, this, &ChromiumPage::onAttached);
    connect(&m_launcher, &ChromiumLauncher::failed, this, &ChromiumPage::onStartFailed);
    connect(&m_launcher, &ChromiumLauncher::ended, this, &ChromiumPage::onBrowserEnded);
}

ChromiumPage::~ChromiumPage()
{
    delete m_session;
}

bool ChromiumPage::startEngine()
{
    return m_launcher.start();
}

void ChromiumPage::onAttached(const PageTarget &target)
{
    m_tracker = LoadTracker();
    m_tracker.setMainFrame(target.targetId);
    m_session = new DevToolsSession(m_launcher.connection(), target.sessionId, this);
    connect(m_session, &DevToolsSession::event, this, &ChromiumPage::onPageEvent);
    m_firstNavigation = true;
    // Commands of one session run in order: the page is set up before it navigates.
    enable(QStringLiteral("Page.enable"));
    enable(QStringLiteral("Page.setLifecycleEventsEnabled"), {{QStringLiteral("enabled"), true}});
    enable(QStringLiteral("Network.enable"));
    if (m_keptPagesOnly)
        enable(QStringLiteral("Fetch.enable"), {{QStringLiteral("patterns"), QJsonArray{QJsonObject{{QStringLiteral("urlPattern"), QStringLiteral("*")}}}}});
    m_emulation.attach(m_session, target.engineAgent, target.product);
    m_screencast.attach(m_session);
    m_pictures.attach(m_session);
    if (m_emulation.inFront())
        setInFront(true);
    // Navigating once the page reports its events: the answer to the last
    // command of the set-up comes after the others.
    enable(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, [this] {
        m_ready = true;
        if (!m_pendingAddress.isEmpty())
            navigate2(std::exchange(m_pendingAddress, QString()));
    });
}

void ChromiumPage::enable(const QString &command, const QJsonObject &params, std::function<void()> done)
{
    QPointer<DevToolsSession> session = m_session;
    m_session->send(command, params, [this, session, command, done](const QJsonObject &, const DevToolsError &error) {
        if (!session || session != m_session)
            return;   // a page of a browser that has gone
        if (!error.isEmpty())
            m_launcher.fail(BrowserFault::Step::Domains, command, error);
        else if (done)
            done();
    });
}

void ChromiumPage::onStartFailed(const BrowserFault &fault)
{
    // The page asked for will not come from this browser: the run hears why.
    m_pendingAddress.clear();
    m_expecting = false;
    ++m_document;
    emit startFailed(fault);
}

void ChromiumPage::navigate2(const QString &address)
{
    ++m_document;
    m_shownOrigin = originOf(address);
    m_expecting = true;
    m_tracker.navigationRequested();
    if (!startEngine()) {
        m_expecting = false;
        emit unavailable(errorString());
        return;
    }
    // A picture being taken is of the page before.
    if (!m_session || !m_ready || m_capturing > 0) {
        m_pendingAddress = address;
        return;
    }
    const QString url = QUrl(address, QUrl::TolerantMode).toString(QUrl::FullyEncoded);
    const bool first = std::exchange(m_firstNavigation, false);
    const quint64 document = m_document;
    QPointer<DevToolsSession> session = m_session;
    m_session->send(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url.isEmpty() ? address : url}},
                    [this, session, first, document](const QJsonObject &, const DevToolsError &error) {
        // A page slow to answer is the loads' to wait for, and a browser that
        // ended says so itself: only the browser's refusal counts here.
        if (error.kind != DevToolsError::Kind::Browser || !session || session != m_session)
            return;
        if (first)
            m_launcher.fail(BrowserFault::Step::FirstPage, QStringLiteral("Page.navigate"), error);
        else
            finishDocument(document, QJsonValue(), error.message);
    });
}

void ChromiumPage::onPageEvent(const QString &method, const QJsonObject &params)
{
    if (std::optional<PageFrame> frame = m_screencast.frameOf(method, params)) {
        frame->touch = m_emulation.device() == Device::Smartphone;
        m_emulation.frameShown(frame->pageScale);
        emit this->frame(*frame);
        return;
    }
    if (method == QLatin1String("Fetch.requestPaused")) {
        answerOffline(params);
        return;
    }
    if (method == QLatin1String("Page.frameNavigated")
        && !params.value(QStringLiteral("frame")).toObject().contains(QStringLiteral("parentId")))
        m_emulation.documentChanged();
    switch (m_tracker.onEvent(method, params)) {
    case LoadTracker::Step::None:
        return;
    case LoadTracker::Step::Read:
        readDocument();
        return;
    case LoadTracker::Step::Failed:
        // Neither the browser's error page nor a page cut short is one to
        // read results from: the document completes without markup.
        finishDocument(++m_document, QJsonValue(), m_tracker.failure());
        return;
    }
}

void ChromiumPage::navigateKept(const QString &address, const QByteArray &markup)
{
    m_keptDocument = markup;
    // A navigation costs more than the reading: a kept page of the origin
    // shown is set into the document in place, under its own address.
    const QString origin = originOf(address);
    if (m_session && m_ready && m_capturing == 0 && !origin.isEmpty() && origin == m_shownOrigin) {
        setKeptInPlace(address);
        return;
    }
    navigate2(address);
}

void ChromiumPage::setKeptInPlace(const QString &address)
{
    const quint64 document = ++m_document;
    m_expecting = true;
    m_keptMarkup.clear();
    // Its path and query: the document keeps its origin, which the browser
    // may have moved to https when it first came.
    const QString path = QUrl(address, QUrl::TolerantMode)
                             .adjusted(QUrl::RemoveScheme | QUrl::RemoveAuthority)
                             .toString(QUrl::FullyEncoded);
    const QString quoted = QString::fromUtf8(QJsonDocument(QJsonArray{path}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    const QString reading = QStringLiteral("(function () {\nhistory.replaceState(null, '', %1);\nreturn (\n%2\n);\n})()")
                                .arg(quoted, m_readingExpression);
    // Anything that goes wrong in place (a document of another origin, a
    // page the reader cannot read there) is done again by a navigation.
    const auto navigateInstead = [this, document, address] {
        if (document != m_document)
            return;
        navigate2(address);
    };
    QPointer<DevToolsSession> session = m_session;
    m_session->send(QStringLiteral("Page.setDocumentContent"),
                    {{QStringLiteral("frameId"), m_tracker.mainFrame()}, {QStringLiteral("html"), QString::fromUtf8(m_keptDocument)}},
                    [this, session, document, reading, navigateInstead](const QJsonObject &, const DevToolsError &error) {
        if (!session || session != m_session || document != m_document)
            return;
        if (!error.isEmpty()) {
            navigateInstead();
            return;
        }
        evaluate(reading, [this, document, navigateInstead](const QJsonValue &read) {
            if (read.isUndefined() || read.isNull())
                navigateInstead();
            else
                finishDocument(document, read);
        });
    });
}

void ChromiumPage::answerOffline(const QJsonObject &params)
{
    // The main frame's document is the kept markup; anything else it asks
    // for (pictures, scripts, frames) is refused.
    const QString request = params.value(QStringLiteral("requestId")).toString();
    if (params.value(QStringLiteral("resourceType")).toString() == QLatin1String("Document")
        && params.value(QStringLiteral("frameId")).toString() == m_tracker.mainFrame()) {
        m_session->send(QStringLiteral("Fetch.fulfillRequest"),
                        {{QStringLiteral("requestId"), request},
                         {QStringLiteral("responseCode"), 200},
                         {QStringLiteral("responseHeaders"),
                          QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Content-Type")},
                                                 {QStringLiteral("value"), QStringLiteral("text/html; charset=utf-8")}}}},
                         {QStringLiteral("body"), QString::fromLatin1(m_keptDocument.toBase64())}});
        return;
    }
    m_session->send(QStringLiteral("Fetch.failRequest"),
                    {{QStringLiteral("requestId"), request}, {QStringLiteral("errorReason"), QStringLiteral("BlockedByClient")}});
}

void ChromiumPage::evaluate(const QString &expression, std::function<void(const QJsonValue &)> done)
{
    PageScript::evaluate(m_session, m_tracker.mainFrame(), expression, std::move(done));
}

// The reading of a completed document, in one evaluation: the page settles
// (pagesettle.js), then the page script reads it as it stands.
void ChromiumPage::readDocument()
{
    const quint64 document = ++m_document;
    m_keptMarkup.clear();
    const auto done = [this, document](const QJsonValue &read) {
        if (!m_keeping || document != m_document) {
            finishDocument(document, read);
            return;
        }
        // Written out at once after the reading, as the page stands.
        evaluate(m_keptScript, [this, document, read](const QJsonValue &kept) {
            if (document == m_document)
                m_keptMarkup = kept.toString().toUtf8();
            finishDocument(document, read);
        });
    };
    // A kept page has no scripts left to change it: it is read at once.
    if (m_keptPagesOnly) {
        evaluate(m_script, done);
        return;
    }
    const QString settling = m_settleScript.arg(Settling::kQuietMilliseconds).arg(m_settleSeconds * 1000);
    const QString reading = QStringLiteral("(") + settling + QStringLiteral("\n).catch(function () {}).then(function () {\nreturn (\n")
        + m_readingExpression + QStringLiteral("\n);\n})");
    PageScript::evaluate(m_session, m_tracker.mainFrame(), reading, done, true);
}

void ChromiumPage::finishDocument(quint64 document, const QJsonValue &read, const QString &failure)
{
    if (document != m_document)
        return;   // a newer navigation or document took its place
    if (std::optional<ReadingDecoder::ReadPage> reading = ReadingDecoder::decode(read)) {
        m_pageText = std::move(reading->text);
        m_pageLinks = std::move(reading->links);
        m_loadError.clear();
    } else {
        m_pageText.reset();
        m_pageLinks = PageLinks();
        m_keptMarkup.clear();
        m_loadError = failure.isEmpty() ? QStringLiteral("pagina illeggibile") : failure;
    }
    m_expecting = false;
    emit documentComplete();
}

void ChromiumPage::capturePage(std::function<void(const QByteArray &, const QByteArray &)> done)
{
    m_pictures.capturePage(std::move(done));
}

void ChromiumPage::capturePicture(const QStringList &hits, std::function<void(const PagePicture &)> done)
{
    if (!m_session || !m_ready) {
        done(PagePicture());
        return;
    }
    ++m_capturing;
    QPointer<ChromiumPage> self(this);
    // Every command of the picture is answered, by the browser, by the
    // connection's end or by its bound: no navigation waits for ever.
    const quint64 browser = m_browserGeneration;
    m_pictures.take(hits, [self, done, browser](const PagePicture &picture) {
        done(picture);
        if (!self || self->m_browserGeneration != browser || --self->m_capturing > 0)
            return;
        self->m_pictures.removeOutlines();
        if (!self->m_pendingAddress.isEmpty())
            self->navigate2(std::exchange(self->m_pendingAddress, QString()));
    });
}

void ChromiumPage::onBrowserEnded()
{
    // The next navigation starts a new browser; a page it owed completes
    // without markup, so the run takes its usual waiting path.
    if (!m_lettingGo)
        qWarning("The browser ended; the next page starts it again.");
    delete m_session;
    m_ready = false;
    emit frame(PageFrame());
    const bool owed = m_expecting;
    m_pageText.reset();
    m_pageLinks = PageLinks();
    m_loadError = QStringLiteral("il browser si è chiuso");
    // The pictures being taken were answered as the pipe closed.
    m_capturing = 0;
    ++m_browserGeneration;
    m_expecting = false;
    ++m_document;
    if (owed)
        emit documentComplete();
}

void ChromiumPage::letGo()
{
    m_pendingAddress.clear();
    m_lettingGo = true;
    m_launcher.close();
    m_lettingGo = false;
}

void ChromiumPage::sendInput(const QString &method, const QJsonObject &params)
{
    if (m_session)
        m_session->send(method, params);
}

void ChromiumPage::setDevice(Device device)
{
    m_emulation.setDevice(device);
}

void ChromiumPage::setViewSize(QSize size)
{
    m_emulation.setViewSize(size);
}

void ChromiumPage::setInFront(bool front)
{
    m_emulation.setInFront(front);
    if (!m_session)
        return;
    if (front)
        m_screencast.start();
    else
        m_screencast.stop();
}
