#pragma once

#include <QString>
#include <optional>

// The device a search is made for: the page is laid out, and the browser
// introduces itself, as on a computer or as on a phone.
enum class Device { Computer, Smartphone };

// A point on the earth, in degrees: north and east are positive.
struct Coordinates
{
    double latitude = 0;
    double longitude = 0;

    bool operator==(const Coordinates &) const = default;
};

// Where and how a search is made: the device, the country (Google's domain
// and "gl"), the interface language ("hl") and a place, a city or region by
// its canonical name ("Milan,Lombardy,Italy") or a point by its coordinates
// ("45.4642,9.1900"), sent as "uule".
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

// "computer", "smartphone": as the command line, the archive and the log name them.
QString deviceName(Device device);
std::optional<Device> deviceNamed(const QString &name);

// The place's own name, the first part of its canonical one: "Milan";
// coordinates whole.
QString shortPlace(const QString &place);

// The coordinates a place is written as, "45.4642,9.1900" (latitude, then
// longitude, in degrees); nullopt when it is a name. Their range is not
// checked here (see PlaceQuery::placeProblem).
std::optional<Coordinates> coordinatesOf(const QString &place);
// "45.4642,9.1900": a point as a place and a grid's line write it.
QString coordinatesText(const Coordinates &point);

// What keeps a phrase's runs apart from the same phrase's runs elsewhere:
// the device and the place (or the country and language when they are not
// Italy's) in brackets after the phrase, "bimby [smartphone, Milan]"; the
// phrase alone at the defaults. The result log and the archive's series use it.
QString seriesOf(const QString &phrase, const SearchPlace &place);

// The options in force, for a line of the window: "smartphone, Milan,Lombardy,Italy,
// paese us, lingua en"; empty at the defaults.
QString describe(const SearchPlace &place);

} // namespace SearchPlaces
