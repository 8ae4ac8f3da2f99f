#include "search/queryaddress.h"

#include "search/placequery.h"

#include <QUrl>
#include <QtGlobal>
#include <utility>

namespace QueryAddress {

namespace {

QString searchPrefix(const QString &host)
{
    return QStringLiteral("http://") + host + QStringLiteral("/search?q=");
}

// The phrase as typed, but for the characters that would end the query
// value or change its meaning: "&" would start a new parameter, "#" would cut
// off the offset that follows, "+" would read as a space and "%" as the start
// of an escape.
QString phrasePart(const QString &phrase)
{
    QString part;
    part.reserve(phrase.size());
    for (QChar c : phrase) {
        switch (c.unicode()) {
        case '%': part += QStringLiteral("%25"); break;
        case '&': part += QStringLiteral("%26"); break;
        case '#': part += QStringLiteral("%23"); break;
        case '+': part += QStringLiteral("%2B"); break;
        default: part += c;
        }
    }
    return part;
}

// A next page names its language already: the place adds only the rest.
QString offsetPart(qint64 offset, const SearchPlace &place)
{
    SearchPlace others = place;
    const QString language = std::exchange(others.language, SearchPlace().language);
    return QStringLiteral("&hl=") + QString::fromLatin1(QUrl::toPercentEncoding(language))
        + QStringLiteral("&lr=&newwindow=1&start=") + QString::number(offset) + QStringLiteral("&sa=N")
        + PlaceQuery::queryPart(others);
}

} // namespace

QString defaultHost()
{
    return QStringLiteral("www.google.it");
}

QString hostFromEnvironment()
{
    const QString host = qEnvironmentVariable("CERCA_POSIZIONE_HOST");
    return host.isEmpty() ? defaultHost() : host;
}

QString firstPage(const QString &host, const QString &phrase, const SearchPlace &place)
{
    return searchPrefix(host) + phrasePart(phrase) + PlaceQuery::queryPart(place);
}

QString nextPage(const QString &host, const QString &phrase, qint64 offset, bool italianOnly, const SearchPlace &place)
{
    QString address = searchPrefix(host) + phrasePart(phrase) + offsetPart(offset, place);
    if (italianOnly)
        address += QStringLiteral("&lr=lang_it");
    return address;
}

std::optional<qint64> pageOffsetOfEntry(const QString &entry)
{
    // The position number is what stands before " - ".
    const qsizetype dash = entry.indexOf(QLatin1Char('-'));
    if (dash < 2)
        return std::nullopt;
    const QString number = entry.left(dash - 1);
    for (QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 position = number.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return position / 10 * 10;
}

std::optional<QString> resultsPageOfEntry(const QString &host, const QString &phrase, const QString &entry,
                                          const SearchPlace &place)
{
    const std::optional<qint64> offset = pageOffsetOfEntry(entry);
    if (!offset)
        return std::nullopt;
    QString quoted = phrasePart(phrase);
    quoted.replace(QLatin1Char('"'), QStringLiteral("%22"));
    return searchPrefix(host) + quoted + offsetPart(*offset, place);
}

} // namespace QueryAddress
