#include "platform/chromium/pagepictures.h"

#include "platform/chromium/devtoolssession.h"
#include "platform/chromium/pageemulation.h"
#include "platform/chromium/pagescript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtMath>

namespace {

// A picture goes down to a little below the last hit, and never further
// than this, in CSS pixels: beyond, a JPEG grows large and says nothing more.
constexpr int kBelowTheHit = 160;
constexpr int kTallestPicture = 6000;
constexpr int kPictureQuality = 55;
// A phone's page is drawn at 1.25 pixels a CSS pixel: readable, and small.
constexpr double kPhonePictureScale = 1.25;

QString outlineScript(const QStringList &hits, bool remove)
{
    static const QString script = PageScript::source(QStringLiteral("outline.js"));
    QString call = script;
    return call.replace(QStringLiteral("HITS, REMOVE"), QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(hits)).toJson(QJsonDocument::Compact))
                                                         + (remove ? QStringLiteral(", true") : QStringLiteral(", false")));
}

} // namespace

PagePictures::PagePictures(PageEmulation &emulation, Evaluate evaluate, QObject *parent)
    : QObject(parent)
    , m_emulation(emulation)
    , m_evaluate(std::move(evaluate))
{
}

void PagePictures::take(const QStringList &hits, std::function<void(const PagePicture &)> done)
{
    QPointer<PagePictures> self(this);
    // At the scales of the device the page was read for.
    const double pictureScale = m_emulation.device() == Device::Smartphone ? kPhonePictureScale : 1.0;
    const double pixelRatio = m_emulation.pixelRatio();
    m_evaluate(outlineScript(hits, false), [self, done, pictureScale, pixelRatio](const QJsonValue &measured) {
        const QJsonObject page = measured.toObject();
        if (!self || !self->m_session || page.isEmpty()) {
            done(PagePicture());
            return;
        }
        self->shoot(page, pictureScale, pixelRatio, done);
    });
}

void PagePictures::shoot(const QJsonObject &page, double pictureScale, double pixelRatio,
                         std::function<void(const PagePicture &)> done)
{
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
    m_emulation.setScrollbarsHidden(true);
    if (taller)
        m_emulation.sendViewport(QSize(qRound(width), qCeil(height)));
    const QJsonObject clip{{QStringLiteral("x"), 0}, {QStringLiteral("y"), 0}, {QStringLiteral("width"), width},
                           {QStringLiteral("height"), height}, {QStringLiteral("scale"), pictureScale / pixelRatio}};
    QPointer<PagePictures> self(this);
    m_session->send(QStringLiteral("Page.captureScreenshot"),
                    {{QStringLiteral("format"), QStringLiteral("jpeg")}, {QStringLiteral("quality"), kPictureQuality},
                     {QStringLiteral("clip"), clip}},
                    [self, taller, done, first, width, height, pictureScale](const QJsonObject &shot, const DevToolsError &error) {
        if (self && taller)
            self->m_emulation.applyViewport();
        if (self)
            self->m_emulation.setScrollbarsHidden(false);
        PagePicture picture;
        if (error.isEmpty())
            picture.jpeg = QByteArray::fromBase64(shot.value(QStringLiteral("data")).toString().toLatin1());
        const QRectF box(first.topLeft() * pictureScale, first.size() * pictureScale);
        picture.hitBox = box.toAlignedRect();
        picture.size = QSizeF(width * pictureScale, height * pictureScale).toSize();
        done(picture);
    });
}

void PagePictures::removeOutlines()
{
    m_evaluate(outlineScript({}, true), [](const QJsonValue &) {});
}

void PagePictures::capturePage(std::function<void(const QByteArray &, const QByteArray &)> done)
{
    const QString markup = QStringLiteral(
        "(document.doctype ? '<!DOCTYPE ' + document.doctype.name + '>\\n' : '') + document.documentElement.outerHTML");
    QPointer<PagePictures> self(this);
    m_evaluate(markup, [self, done](const QJsonValue &read) {
        const QByteArray text = read.toString().toUtf8();
        if (!self || !self->m_session) {
            done(text, QByteArray());
            return;
        }
        self->m_session->send(QStringLiteral("Page.captureScreenshot"), {{QStringLiteral("format"), QStringLiteral("png")}},
                              [text, done](const QJsonObject &shot, const DevToolsError &) {
            done(text, QByteArray::fromBase64(shot.value(QStringLiteral("data")).toString().toLatin1()));
        });
    });
}
