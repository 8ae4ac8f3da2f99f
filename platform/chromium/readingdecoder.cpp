#include "platform/chromium/readingdecoder.h"

#include <QJsonArray>
#include <QJsonObject>

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
    features.aiLoading = read.value(QStringLiteral("aiLoading")).toBool();
    for (const QJsonValue &entry : read.value(QStringLiteral("pack")).toArray()) {
        const QJsonObject business = entry.toObject();
        features.pack.append(PackEntry{business.value(QStringLiteral("name")).toString(),
                                       business.value(QStringLiteral("website")).toString(),
                                       business.value(QStringLiteral("maps")).toString()});
    }
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

namespace ReadingDecoder {

std::optional<ReadPage> decode(const QJsonValue &reading)
{
    const QJsonObject page = reading.toObject();
    const QJsonValue text = page.value(QStringLiteral("text"));
    if (!text.isString())
        return std::nullopt;
    return ReadPage{text.toString(),
                PageLinks{page.value(QStringLiteral("address")).toString(), stringsOf(page, "results"), stringsOf(page, "pages"),
                          stringsOf(page, "titles"), featuresOf(page), shapeOf(page)}};
}

} // namespace ReadingDecoder
