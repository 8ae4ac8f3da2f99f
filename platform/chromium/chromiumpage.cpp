#include "platform/chromium/chromiumpage.h"

#include "platform/chromium/chromiumlocator.h"
#include "platform/chromium/chromiumprocess.h"
#include "platform/chromium/devtoolsconnection.h"
#include "platform/chromium/devtoolssession.h"
#include "platform/useragent.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QtMath>

static void initResources()
{
    Q_INIT_RESOURCE(chromium);
}

namespace {

QString folderOr(const QString &dataFolder)
{
    return dataFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : dataFolder;
}

QString readScript(const QString &name = QStringLiteral("pagetext.js"))
{
    initResources();
    QFile file(QStringLiteral(":/chromium/") + name);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// A picture goes down to a little below the last hit, and never further
// than this, in CSS pixels: beyond, a JPEG grows large and says nothing more.
constexpr int kBelowTheHit = 160;
constexpr int kTallestPicture = 6000;
constexpr int kPictureQuality = 55;
constexpr int kPictureTimeout = 15000;
// A phone's page is drawn at 1.25 pixels a CSS pixel: readable, and small.
constexpr double kPhonePictureScale = 1.25;

QString outlineScript(const QStringList &hits, bool remove)
{
    static const QString script = readScript(QStringLiteral("outline.js"));
    QString call = script;
    return call.replace(QStringLiteral("HITS, REMOVE"), QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(hits)).toJson(QJsonDocument::Compact))
                                                         + (remove ? QStringLiteral(", true") : QStringLiteral(", false")));
}

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

ChromiumPage::ChromiumPage(const QString &dataFolder, QObject *parent)
    : Browser(parent)
    , m_dataFolder(folderOr(dataFolder))
    , m_profile(QDir(m_dataFolder).filePath(QStringLiteral("Chromium")))
    , m_script(readScript())
{
}

ChromiumPage::~ChromiumPage()
{
    delete m_session;
    m_process.reset();
}

QString ChromiumPage::unavailableNote()
{
    return QStringLiteral("Per cercare serve il browser Chromium, che non è stato trovato: installa %1 e riprova.")
        .arg(ChromiumLocator::packageHint());
}

qint64 ChromiumPage::processId() const
{
    return m_process ? m_process->processId() : 0;
}

bool ChromiumPage::startEngine()
{
    if (m_process)
        return true;
    const QString executable = ChromiumLocator::find();
    if (executable.isEmpty()) {
        m_error = unavailableNote();
        return false;
    }
    m_profilePath = m_profile.acquire();
    auto process = std::make_unique<ChromiumProcess>();
    if (!process->start(executable, m_profilePath, QDir(m_dataFolder).filePath(QStringLiteral("Chromium.log")))) {
        m_error = QStringLiteral("%1 (%2)").arg(unavailableNote(), process->errorString());
        return false;
    }
    m_error.clear();
    m_process = std::move(process);
    connect(m_process.get(), &ChromiumProcess::ended, this, &ChromiumPage::onProcessEnded, Qt::QueuedConnection);
    DevToolsConnection *connection = m_process->connection();
    connection->send(QStringLiteral("Browser.getVersion"), {}, {}, [this, connection](const QJsonObject &version, const QString &) {
        const QString agent = version.value(QStringLiteral("userAgent")).toString();
        const QString product = version.value(QStringLiteral("product")).toString();
        // The tab the browser opened with, or a new one.
        connection->send(QStringLiteral("Target.getTargets"), {}, {}, [=, this](const QJsonObject &result, const QString &) {
            for (const QJsonValue &target : result.value(QStringLiteral("targetInfos")).toArray()) {
                if (target[QStringLiteral("type")].toString() == QLatin1String("page")) {
                    attachToPage(target[QStringLiteral("targetId")].toString(), agent, product);
                    return;
                }
            }
            connection->send(QStringLiteral("Target.createTarget"), {{QStringLiteral("url"), QStringLiteral("about:blank")}}, {},
                             [=, this](const QJsonObject &created, const QString &) {
                                 attachToPage(created.value(QStringLiteral("targetId")).toString(), agent, product);
                             });
        });
    });
    return true;
}

void ChromiumPage::attachToPage(const QString &targetId, const QString &engineAgent, const QString &product)
{
    DevToolsConnection *connection = m_process->connection();
    const QJsonObject params{{QStringLiteral("targetId"), targetId}, {QStringLiteral("flatten"), true}};
    connection->send(QStringLiteral("Target.attachToTarget"), params, {},
                     [=, this](const QJsonObject &attached, const QString &error) {
        if (!error.isEmpty()) {
            qWarning("The browser's page could not be attached: %s", qPrintable(error));
            return;
        }
        m_tracker = LoadTracker();
        m_tracker.setMainFrame(targetId);
        m_session = new DevToolsSession(connection, attached.value(QStringLiteral("sessionId")).toString(), this);
        connect(m_session, &DevToolsSession::event, this, &ChromiumPage::onPageEvent);
        // Commands of one session run in order: the page is set up before it navigates.
        m_session->send(QStringLiteral("Page.enable"));
        m_session->send(QStringLiteral("Page.setLifecycleEventsEnabled"), {{QStringLiteral("enabled"), true}});
        m_session->send(QStringLiteral("Network.enable"));
        m_engineAgent = engineAgent;
        m_product = product;
        applyAgent();
        applyViewport();
        if (m_inFront)
            setInFront(true);
        // Navigating once the page reports its events: the answer to the last
        // command of the set-up comes after the others.
        m_session->send(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, [this](const QJsonObject &, const QString &) {
            m_ready = true;
            if (!m_pendingAddress.isEmpty())
                navigate2(std::exchange(m_pendingAddress, QString()));
        });
    });
}

void ChromiumPage::navigate2(const QString &address)
{
    ++m_document;
    m_expecting = true;
    m_tracker.navigationRequested();
    if (!startEngine()) {
        m_expecting = false;
        emit unavailable(m_error);
        return;
    }
    // A picture being taken is of the page before.
    if (!m_session || !m_ready || m_capturing > 0) {
        m_pendingAddress = address;
        return;
    }
    const QString url = QUrl(address, QUrl::TolerantMode).toString(QUrl::FullyEncoded);
    m_session->send(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url.isEmpty() ? address : url}});
}

void ChromiumPage::onPageEvent(const QString &method, const QJsonObject &params)
{
    if (method == QLatin1String("Page.screencastFrame")) {
        m_session->send(QStringLiteral("Page.screencastFrameAck"), {{QStringLiteral("sessionId"), params.value(QStringLiteral("sessionId"))}});
        emit frame(QByteArray::fromBase64(params.value(QStringLiteral("data")).toString().toLatin1()), layoutSize());
        return;
    }
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

void ChromiumPage::evaluate(const QString &expression, std::function<void(const QJsonValue &)> done)
{
    if (!m_session) {
        done(QJsonValue());
        return;
    }
    const QJsonObject world{{QStringLiteral("frameId"), m_tracker.mainFrame()},
                            {QStringLiteral("worldName"), QStringLiteral("cerca-posizione")}};
    QPointer<DevToolsSession> session = m_session;
    m_session->send(QStringLiteral("Page.createIsolatedWorld"), world,
                    [session, expression, done](const QJsonObject &created, const QString &error) {
        if (!error.isEmpty() || !session) {
            done(QJsonValue());
            return;
        }
        const QJsonObject params{{QStringLiteral("expression"), expression},
                                 {QStringLiteral("contextId"), created.value(QStringLiteral("executionContextId"))},
                                 {QStringLiteral("returnByValue"), true}};
        session->send(QStringLiteral("Runtime.evaluate"), params, [done](const QJsonObject &evaluated, const QString &) {
            if (evaluated.contains(QStringLiteral("exceptionDetails")))
                done(QJsonValue());
            else
                done(evaluated.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")));
        });
    });
}

void ChromiumPage::readDocument()
{
    const quint64 document = ++m_document;
    evaluate(m_script, [this, document](const QJsonValue &read) { finishDocument(document, read); });
}

namespace {

QStringList stringsOf(const QJsonObject &object, const char *key)
{
    QStringList strings;
    for (const QJsonValue &value : object.value(QLatin1String(key)).toArray())
        strings.append(value.toString());
    return strings;
}

std::optional<PageFeatures> featuresOf(const QJsonObject &page)
{
    const QJsonValue value = page.value(QStringLiteral("features"));
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject read = value.toObject();
    PageFeatures features;
    features.adsTop = read.value(QStringLiteral("adsTop")).toInt();
    features.adsBottom = read.value(QStringLiteral("adsBottom")).toInt();
    features.featured = read.value(QStringLiteral("featured")).toString();
    features.aiOverview = read.value(QStringLiteral("aiOverview")).toBool();
    features.aiCited = stringsOf(read, "aiCited");
    features.questions = read.value(QStringLiteral("questions")).toBool();
    return features;
}

PageShape shapeOf(const QJsonObject &page)
{
    const QJsonObject read = page.value(QStringLiteral("shape")).toObject();
    PageShape shape;
    shape.searchForm = read.value(QStringLiteral("searchForm")).toBool();
    shape.resultsColumn = read.value(QStringLiteral("resultsColumn")).toBool();
    shape.otherForms = stringsOf(read, "otherForms");
    shape.captcha = read.value(QStringLiteral("captcha")).toBool();
    shape.dialog = read.value(QStringLiteral("dialog")).toBool();
    shape.noResultsMessage = read.value(QStringLiteral("noResultsMessage")).toBool();
    shape.links = stringsOf(read, "links");
    return shape;
}

} // namespace

void ChromiumPage::finishDocument(quint64 document, const QJsonValue &read, const QString &failure)
{
    if (document != m_document)
        return;   // a newer navigation or document took its place
    const QJsonObject page = read.toObject();
    const QJsonValue text = page.value(QStringLiteral("text"));
    if (text.isString()) {
        m_pageText = text.toString();
        m_pageLinks = PageLinks{page.value(QStringLiteral("address")).toString(), stringsOf(page, "results"),
                                stringsOf(page, "pages"), stringsOf(page, "titles"), featuresOf(page), shapeOf(page)};
        m_loadError.clear();
    } else {
        m_pageText.reset();
        m_pageLinks = PageLinks();
        m_loadError = failure.isEmpty() ? QStringLiteral("pagina illeggibile") : failure;
    }
    m_expecting = false;
    emit documentComplete();
}

void ChromiumPage::capturePage(std::function<void(const QByteArray &, const QByteArray &)> done)
{
    const QString markup = QStringLiteral(
        "(document.doctype ? '<!DOCTYPE ' + document.doctype.name + '>\\n' : '') + document.documentElement.outerHTML");
    QPointer<DevToolsSession> session = m_session;
    evaluate(markup, [session, done](const QJsonValue &read) {
        const QByteArray text = read.toString().toUtf8();
        if (!session) {
            done(text, QByteArray());
            return;
        }
        session->send(QStringLiteral("Page.captureScreenshot"), {{QStringLiteral("format"), QStringLiteral("png")}},
                      [text, done](const QJsonObject &shot, const QString &) {
            done(text, QByteArray::fromBase64(shot.value(QStringLiteral("data")).toString().toLatin1()));
        });
    });
}

void ChromiumPage::capturePicture(const QStringList &hits, std::function<void(const PagePicture &)> done)
{
    if (!m_session || !m_ready) {
        done(PagePicture());
        return;
    }
    ++m_capturing;
    QPointer<ChromiumPage> self(this);
    const double pictureScale = m_device == Device::Smartphone ? kPhonePictureScale : 1.0;
    const double deviceScale = m_device == Device::Smartphone ? Devices::kPhonePixelRatio : 1.0;
    // Once: by the browser's answer, or by the time limit when a browser that
    // hangs or ends never answers, so that no navigation waits for ever.
    auto finished = std::make_shared<bool>(false);
    const quint64 browser = m_browserGeneration;
    auto finish = [self, done, finished, browser](const PagePicture &picture) {
        if (std::exchange(*finished, true))
            return;
        done(picture);
        if (!self || self->m_browserGeneration != browser || --self->m_capturing > 0)
            return;
        self->evaluate(outlineScript({}, true), [](const QJsonValue &) {});
        if (!self->m_pendingAddress.isEmpty())
            self->navigate2(std::exchange(self->m_pendingAddress, QString()));
    };
    QTimer::singleShot(kPictureTimeout, this, [finish] { finish(PagePicture()); });
    evaluate(outlineScript(hits, false), [self, finish, pictureScale, deviceScale](const QJsonValue &measured) {
        const QJsonObject page = measured.toObject();
        if (!self || !self->m_session || page.isEmpty()) {
            finish(PagePicture());
            return;
        }
        const QJsonArray boxes = page.value(QStringLiteral("boxes")).toArray();
        const double width = page.value(QStringLiteral("width")).toDouble();
        double height = std::min<double>(page.value(QStringLiteral("height")).toDouble(), kTallestPicture);
        QRectF first;
        if (!boxes.isEmpty()) {
            const QJsonObject box = boxes.first().toObject();
            first = QRectF(box.value(QStringLiteral("x")).toDouble(), box.value(QStringLiteral("y")).toDouble(),
                           box.value(QStringLiteral("width")).toDouble(), box.value(QStringLiteral("height")).toDouble());
            const QJsonObject last = boxes.last().toObject();
            height = std::min(height, last.value(QStringLiteral("y")).toDouble() + last.value(QStringLiteral("height")).toDouble()
                                          + kBelowTheHit);
        }
        // A picture taller than the view is taken with the view as tall as
        // the picture, then the view goes back as it was.
        const bool taller = height > page.value(QStringLiteral("viewportHeight")).toDouble();
        self->m_session->send(QStringLiteral("Emulation.setScrollbarsHidden"), {{QStringLiteral("hidden"), true}});
        if (taller)
            self->sendViewport(QSize(qRound(width), qCeil(height)));
        const QJsonObject clip{{QStringLiteral("x"), 0}, {QStringLiteral("y"), 0}, {QStringLiteral("width"), width},
                               {QStringLiteral("height"), height}, {QStringLiteral("scale"), pictureScale / deviceScale}};
        self->m_session->send(QStringLiteral("Page.captureScreenshot"),
                              {{QStringLiteral("format"), QStringLiteral("jpeg")}, {QStringLiteral("quality"), kPictureQuality},
                               {QStringLiteral("clip"), clip}},
                              [self, taller, finish, first, width, height, pictureScale](const QJsonObject &shot, const QString &error) {
            if (self && taller)
                self->applyViewport();
            if (self && self->m_session)
                self->m_session->send(QStringLiteral("Emulation.setScrollbarsHidden"), {{QStringLiteral("hidden"), false}});
            PagePicture picture;
            if (error.isEmpty())
                picture.jpeg = QByteArray::fromBase64(shot.value(QStringLiteral("data")).toString().toLatin1());
            const QRectF box(first.topLeft() * pictureScale, first.size() * pictureScale);
            picture.hitBox = box.toAlignedRect();
            picture.size = QSizeF(width * pictureScale, height * pictureScale).toSize();
            finish(picture);
        });
    });
}

void ChromiumPage::onProcessEnded()
{
    // The next navigation starts a new browser; a page it owed completes
    // without markup, so the run takes its usual waiting path.
    qWarning("The browser ended; the next page starts it again.");
    delete m_session;
    m_ready = false;
    m_process.release()->deleteLater();
    emit frame(QByteArray(), layoutSize());
    const bool owed = m_expecting;
    m_pageText.reset();
    m_pageLinks = PageLinks();
    m_loadError = QStringLiteral("il browser si è chiuso");
    // Pictures being taken will never come.
    m_capturing = 0;
    ++m_browserGeneration;
    m_expecting = false;
    ++m_document;
    if (owed)
        emit documentComplete();
}

void ChromiumPage::sendInput(const QString &method, const QJsonObject &params)
{
    if (m_session)
        m_session->send(method, params);
}

void ChromiumPage::setDevice(Device device)
{
    if (device == m_device)
        return;
    m_device = device;
    applyAgent();
    applyViewport();
}

void ChromiumPage::applyAgent()
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

void ChromiumPage::setViewSize(QSize size)
{
    m_viewSize = size;
    if (m_inFront)
        applyViewport();
}

void ChromiumPage::setInFront(bool front)
{
    m_inFront = front;
    if (!m_session)
        return;
    applyViewport();
    // Frames are worth their cost only while the user sees the page.
    if (front)
        m_session->send(QStringLiteral("Page.startScreencast"), {{QStringLiteral("format"), QStringLiteral("jpeg")},
                                                                 {QStringLiteral("quality"), 85}});
    else
        m_session->send(QStringLiteral("Page.stopScreencast"));
}

QSize ChromiumPage::layoutSize() const
{
    // A phone's page is a phone's wherever it is. A computer's fills the view
    // in front; behind the lists, it is laid out as on an ordinary desktop, so
    // that the desktop page is served.
    if (m_device == Device::Smartphone)
        return Devices::kPhoneSize;
    return m_inFront && !m_viewSize.isEmpty() ? m_viewSize : kDesktopSize;
}

void ChromiumPage::applyViewport()
{
    sendViewport(layoutSize());
}

void ChromiumPage::sendViewport(QSize size)
{
    if (!m_session)
        return;
    m_session->send(QStringLiteral("Emulation.setDeviceMetricsOverride"),
                    {{QStringLiteral("width"), size.width()}, {QStringLiteral("height"), size.height()},
                     {QStringLiteral("screenWidth"), size.width()}, {QStringLiteral("screenHeight"), size.height()},
                     {QStringLiteral("deviceScaleFactor"), m_device == Device::Smartphone ? Devices::kPhonePixelRatio : 1.0},
                     {QStringLiteral("mobile"), m_device == Device::Smartphone}});
}
