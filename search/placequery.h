#pragma once

#include "model/searchplace.h"

#include <QString>
#include <optional>

// The addresses' side of a search's place and device.
namespace PlaceQuery {

// The search host of a country: www.google.it, www.google.com for the United
// States, www.google.co.uk for Great Britain, ...
QString hostFor(const QString &country);

// Why a place cannot be searched from, in a plain sentence: a name that
// cannot be one of Google's canonical names (an empty part, no country), or
// coordinates off the earth; nullopt when it can.
std::optional<QString> placeProblem(const QString &name);
// Why coordinates are off the earth; nullopt when they are on it.
std::optional<QString> coordinatesProblem(const Coordinates &point);

// Why the options cannot be searched, in a plain sentence: a country or a
// language that is no code, a place that is no canonical name; nullopt when
// they can.
std::optional<QString> problem(const SearchPlace &place);

// The "uule" value of a canonical name: "w+CAIQICI", the character of
// Google's table of 64 for the name's length in bytes, then the name's
// UTF-8 bytes in base64.
// Coordinates ("45.4642,9.1900") give the coordinates' value instead.
QString uule(const QString &name);

// The "uule" value of coordinates: "a+", then in base64 the location record
// as the public converters write it (role, producer, radius, then latlng
// with latitude_e7 and longitude_e7, the degrees times ten million).
QString coordinatesUule(const Coordinates &point);

// What a results address adds for the options that are not the defaults:
// "&gl=", "&hl=" and "&uule=", each percent-encoded; empty at the defaults,
// so that every address stays what it was.
QString queryPart(const SearchPlace &place);

} // namespace PlaceQuery
