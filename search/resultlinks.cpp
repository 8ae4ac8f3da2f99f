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

// Google's caches and static files, never results.
bool isStaticHost(const QString &host)
{
    const QStringList labels = host.toLower().split(QLatin1Char('.'));
    return labels.contains(QStringLiteral("googleusercontent")) || labels.contains(QStringLiteral("gstatic"));
}

// The hosts that serve the searches themselves: google.it, www.google.co.uk.
bool isSearchHost(const QString &host)
{
    QStringList labels = host.toLower().split(QLatin1Char('.'));
    if (labels.size() > 1 && labels.first() == QLatin1String("www"))
        labels.removeFirst();
    return labels.size() > 1 && labels.first() == QLatin1String("google");
}

// A page of the search engine itself, not a result: a search, the home page,
// the settings, a check.
bool isSearchPage(const QUrl &url)
{
    static const QStringList pages{"/", "", "/search", "/webhp", "/imgres", "/setprefs", "/preferences",
                                   "/advanced_search", "/url"};
    const QString path = url.path();
    return pages.contains(path) || path.startsWith(QLatin1String("/sorry/"))
        || QUrlQuery(url).hasQueryItem(QStringLiteral("q"));
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

bool isGoogleHost(const QString &host)
{
    const QStringList labels = host.toLower().split(QLatin1Char('.'));
    return labels.contains(QStringLiteral("google")) || labels.contains(QStringLiteral("googleusercontent"))
        || labels.contains(QStringLiteral("gstatic"));
}

namespace {

bool isHomePage(const QUrl &url)
{
    return (url.path() == QLatin1String("/") || url.path().isEmpty()) && !url.hasQuery() && isSearchHost(url.host());
}

std::optional<QString> targetOf(const QString &link, const QString &pageAddress, bool headed)
{
    const QUrl url(link);
    if (!isWeb(url))
        return std::nullopt;
    const QUrl page(pageAddress);
    const bool searchHost = sameHost(url, page) || isSearchHost(url.host());
    if ((searchHost || isGoogleHost(url.host())) && url.path() == QLatin1String("/url")) {
        const QUrlQuery query(url);
        for (const char *key : {"q", "url"}) {
            const QString target = query.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
            if (!target.isEmpty())
                return targetOf(target, pageAddress, headed);
        }
        return std::nullopt;
    }
    if (headed && isHomePage(url))
        return link;
    if ((searchHost && isSearchPage(url)) || isStaticHost(url.host()))
        return std::nullopt;
    return link;
}

} // namespace

std::optional<QString> targetOf(const QString &link, const QString &pageAddress)
{
    return targetOf(link, pageAddress, false);
}

std::optional<QString> resultTargetOf(const QString &link, const QString &pageAddress)
{
    return targetOf(link, pageAddress, true);
}

QList<TitledLink> resultsOf(const QStringList &links, const QStringList &titles, const QString &pageAddress)
{
    QList<TitledLink> results;
    QStringList targets;
    for (qsizetype i = 0; i < links.size(); ++i) {
        const std::optional<QString> target = resultTargetOf(links[i], pageAddress);
        if (!target || targets.contains(*target))
            continue;
        targets.append(*target);
        results.append(TitledLink{*target, titles.value(i)});
    }
    return results;
}

QStringList targetsOf(const QStringList &links, const QString &pageAddress)
{
    QStringList targets;
    for (const TitledLink &result : resultsOf(links, QStringList(), pageAddress))
        targets.append(result.address);
    return targets;
}

PageFeatures resolved(PageFeatures features, const QString &pageAddress)
{
    features.featured = targetOf(features.featured, pageAddress).value_or(QString());
    features.aiCited = targetsOf(features.aiCited, pageAddress);
    return features;
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

QList<TitledLink> untitled(const QStringList &addresses)
{
    QList<TitledLink> results;
    results.reserve(addresses.size());
    for (const QString &address : addresses)
        results.append(TitledLink{address, QString()});
    return results;
}

} // namespace ResultLinks
