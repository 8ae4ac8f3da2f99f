#pragma once

#include "model/searchplace.h"

#include <QString>
#include <optional>

// The addresses of the search engine's results pages. The phrase goes in as
// typed, spaces and quotes included; only "%", "&", "#" and "+", which would
// change what the address asks for, are written as escapes.
namespace QueryAddress {

QString defaultHost();

// CERCA_POSIZIONE_HOST when it is set and not empty, the engine's host otherwise.
QString hostFromEnvironment();

// The place's options follow the phrase; at the defaults they add nothing.
QString firstPage(const QString &host, const QString &phrase, const SearchPlace &place = {});
QString nextPage(const QString &host, const QString &phrase, qint64 offset, bool italianOnly,
                 const SearchPlace &place = {});

// The offset of the results page on which a list entry ("12 - address") was
// found; nullopt when the entry has no valid position number.
std::optional<qint64> pageOffsetOfEntry(const QString &entry);

// The results page of a list entry, for the user's own browser: double quotes
// in the phrase become %22, the offset is always given.
std::optional<QString> resultsPageOfEntry(const QString &host, const QString &phrase, const QString &entry,
                                          const SearchPlace &place = {});

} // namespace QueryAddress
