#pragma once

#include "platform/device.h"

#include <QString>
#include <optional>

// Where and how a search is made: the device, the country (Google's domain
// and "gl"), the interface language ("hl") and a place, a city or region by
// its canonical name ("Milan,Lombardy,Italy", sent as "uule").
struct SearchPlace
{
    Device device = Device::Computer;
    QString country = QStringLiteral("it");
    QString language = QStringLiteral("it");
    QString place;   // empty: wherever the machine stands

    bool isDefault() const { return *this == SearchPlace(); }
    bool operator==(const SearchPlace &) const = default;
};

namespace SearchPlaces {

// The search host of a country: www.google.it, www.google.com for the United
// States, www.google.co.uk for Great Britain, ...
QString hostFor(const QString &country);

// Why a name cannot be one of Google's canonical names (an empty part, no
// country), in a plain sentence; nullopt when it can.
std::optional<QString> placeProblem(const QString &name);

// The "uule" value of a canonical name: "w+CAIQICI", the character of
// Google's table of 64 for the name's length in bytes, then the name's
// UTF-8 bytes in base64.
QString uule(const QString &name);

// What a results address adds for the options that are not the defaults:
// "&gl=", "&hl=" and "&uule=", each percent-encoded; empty at the defaults,
// so that every address stays what it was.
QString queryPart(const SearchPlace &place);

} // namespace SearchPlaces
