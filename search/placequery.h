#pragma once

#include "model/searchplace.h"

#include <QString>
#include <optional>

// The addresses' side of a search's place and device.
namespace PlaceQuery {

// The search host of a country: www.google.it, www.google.com for the United
// States, www.google.co.uk for Great Britain, ...
QString hostFor(const QString &country);

// Why a name cannot be one of Google's canonical names (an empty part, no
// country), in a plain sentence; nullopt when it can.
std::optional<QString> placeProblem(const QString &name);

// Why the options cannot be searched, in a plain sentence: a country or a
// language that is no code, a place that is no canonical name; nullopt when
// they can.
std::optional<QString> problem(const SearchPlace &place);

// The "uule" value of a canonical name: "w+CAIQICI", the character of
// Google's table of 64 for the name's length in bytes, then the name's
// UTF-8 bytes in base64.
QString uule(const QString &name);

// What a results address adds for the options that are not the defaults:
// "&gl=", "&hl=" and "&uule=", each percent-encoded; empty at the defaults,
// so that every address stays what it was.
QString queryPart(const SearchPlace &place);

} // namespace PlaceQuery
