#include "search/pagekind.h"

#include "search/resultlinks.h"

#include <QUrl>

namespace PageKinds {

namespace {

bool asksTheUser(const PageShape &shape, const QString &address)
{
    const QUrl url(address);
    return url.host().startsWith(QLatin1String("consent."), Qt::CaseInsensitive)
        || url.path().startsWith(QLatin1String("/sorry/")) || !shape.otherForms.isEmpty() || shape.captcha
        || shape.dialog;
}

// A link to a site that is not Google's: on a page without results there is none.
bool linksElsewhere(const PageShape &shape, const QString &address)
{
    const QString pageHost = QUrl(address).host();
    for (const QString &link : shape.links) {
        const std::optional<QString> target = ResultLinks::targetOf(link, address);
        const QString host = target ? QUrl(*target).host() : QString();
        if (target && !ResultLinks::isGoogleHost(host) && host.compare(pageHost, Qt::CaseInsensitive) != 0)
            return true;
    }
    return false;
}

} // namespace

PageKind of(const PageShape &shape, const QString &address, const QStringList &pageLinks)
{
    if (asksTheUser(shape, address))
        return PageKind::Question;
    if (shape.searchForm && (shape.resultsColumn || shape.noResultsMessage) && !linksElsewhere(shape, address)
        && !ResultLinks::hasNextPage(address, pageLinks))
        return PageKind::NoResults;
    return PageKind::Unknown;
}

} // namespace PageKinds
