#include "search/resultlinks.h"

#include <QUrl>
#include <QUrlQuery>

namespace ResultLinks {

namespace {

bool isWeb(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && !url.host().isEmpty();
}

bool isGoogleHost(const QString &host)
{
    // google.it, www.google.com, consent.google.co.uk, ...
    const QStringList labels = host.toLower().split(QLatin1Char('.'));
    return labels.contains(QStringLiteral("google")) || labels.contains(QStringLiteral("googleusercontent"))
        || labels.contains(QStringLiteral("gstatic"));
}

bool sameHost(const QUrl &a, const QUrl &b)
{
    return a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port() == b.port();
}

// The phrase of a search address; a "+" in a query stands for a space.
QString phraseOf(const QUrl &url)
{
    QString encoded = QUrlQuery(url.query(QUrl::FullyEncoded)).queryItemValue(QStringLiteral("q"), QUrl::FullyEncoded);
    encoded.replace(QLatin1Char('+'), QStringLiteral("%20"));
    return QUrl::fromPercentEncoding(encoded.toLatin1());
}

qint64 offsetOf(const QUrlQuery &query)
{
    bool ok = false;
    const qint64 start = query.queryItemValue(QStringLiteral("start")).toLongLong(&ok);
    return ok ? start : 0;
}

} // namespace

std::optional<QString> targetOf(const QString &link, const QString &pageAddress)
{
    const QUrl url(link);
    if (!isWeb(url))
        return std::nullopt;
    const QUrl page(pageAddress);
    const bool own = sameHost(url, page) || isGoogleHost(url.host());
    if (own && url.path() == QLatin1String("/url")) {
        const QUrlQuery query(url);
        for (const char *key : {"q", "url"}) {
            const QString target = query.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
            if (!target.isEmpty())
                return targetOf(target, pageAddress);
        }
        return std::nullopt;
    }
    if (own)
        return std::nullopt;
    return link;
}

QStringList targetsOf(const QStringList &links, const QString &pageAddress)
{
    QStringList targets;
    for (const QString &link : links) {
        const std::optional<QString> target = targetOf(link, pageAddress);
        if (target && !targets.contains(*target))
            targets.append(*target);
    }
    return targets;
}

bool hasNextPage(const QString &pageAddress, const QStringList &links)
{
    const QUrl page(pageAddress);
    const QString phrase = phraseOf(page);
    const qint64 offset = offsetOf(QUrlQuery(page));
    for (const QString &link : links) {
        const QUrl url(link);
        if (!sameHost(url, page) || url.path() != page.path())
            continue;
        if (phraseOf(url) == phrase && offsetOf(QUrlQuery(url)) > offset)
            return true;
    }
    return false;
}

} // namespace ResultLinks
