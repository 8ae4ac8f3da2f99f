#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The links of a results page in today's markup, as the browser read them
// from the document (absolute addresses): which ones are results, and
// whether the page leads on to more.
namespace ResultLinks {

// The address a result link stands for: the link itself, or the target of a
// "/url?q=TARGET" redirect. nullopt for the search engine's own links (its
// host, or any google host) and for anything but http and https.
std::optional<QString> targetOf(const QString &link, const QString &pageAddress);

// The targets of the result links, in order, each once.
QStringList targetsOf(const QStringList &links, const QString &pageAddress);

// Whether some link asks the same search as the page at a larger offset.
bool hasNextPage(const QString &pageAddress, const QStringList &links);

} // namespace ResultLinks
