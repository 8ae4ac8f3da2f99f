#pragma once

#include "model/runrecords.h"

#include <QString>
#include <QStringList>
#include <optional>

// The links of a results page in today's markup, as the browser read them
// from the document (absolute addresses): which ones are results, and
// whether the page leads on to more.
namespace ResultLinks {

// The address a result link stands for: the link itself, or the target of a
// "/url?q=TARGET" redirect. nullopt for the search engine's own pages (other
// searches, the next page, its settings: on the page's host or on a Google
// search host) and for anything but http and https. Google's other sites
// (support.google.com, books.google.it, ...) give results like any site.
std::optional<QString> targetOf(const QString &link, const QString &pageAddress);
// The same for a link that holds a result's heading.
std::optional<QString> resultTargetOf(const QString &link, const QString &pageAddress);

// Whether the host is one of Google's: google.it, consent.google.com,
// www.gstatic.com, ...
bool isGoogleHost(const QString &host);

// The targets of the result links, in order, each once.
QStringList targetsOf(const QStringList &links, const QString &pageAddress);

struct TitledLink
{
    QString address;
    QString title;
    bool operator==(const TitledLink &) const = default;
};

// The same, each target with the title of its first link (titles[i] belongs
// to links[i]; a missing title is empty). These are the links that hold a
// result's heading: among them a search host's home page is a result too (the
// first for the phrase "google"), while nowhere else is it one.
QList<TitledLink> resultsOf(const QStringList &links, const QStringList &titles, const QString &pageAddress);

// The classic markup's results, read by its scan: addresses without titles.
QList<TitledLink> untitled(const QStringList &addresses);

// The featured answer's and the AI overview's links as the addresses they
// stand for, like the results'.
PageFeatures resolved(PageFeatures features, const QString &pageAddress);

// Whether some link asks the same search as the page at a larger offset.
bool hasNextPage(const QString &pageAddress, const QStringList &links);

} // namespace ResultLinks
