#include "model/searchplace.h"

#include <QRegularExpression>
#include <QStringList>

namespace SearchPlaces {

QString deviceName(Device device)
{
    return device == Device::Smartphone ? QStringLiteral("smartphone") : QStringLiteral("computer");
}

std::optional<Device> deviceNamed(const QString &name)
{
    for (Device device : {Device::Computer, Device::Smartphone}) {
        if (name.trimmed().compare(deviceName(device), Qt::CaseInsensitive) == 0)
            return device;
    }
    return std::nullopt;
}

QString shortPlace(const QString &place)
{
    if (const std::optional<Coordinates> point = coordinatesOf(place))
        return coordinatesText(*point);
    return place.section(QLatin1Char(','), 0, 0).trimmed();
}

std::optional<Coordinates> coordinatesOf(const QString &place)
{
    static const QRegularExpression pair(QStringLiteral("^\\s*([-+]?\\d+(?:\\.\\d+)?)\\s*,\\s*([-+]?\\d+(?:\\.\\d+)?)\\s*$"));
    const QRegularExpressionMatch match = pair.match(place);
    if (!match.hasMatch())
        return std::nullopt;
    return Coordinates{match.captured(1).toDouble(), match.captured(2).toDouble()};
}

QString coordinatesText(const Coordinates &point)
{
    return QStringLiteral("%1,%2").arg(point.latitude, 0, 'f', 4).arg(point.longitude, 0, 'f', 4);
}

QString seriesOf(const QString &phrase, const SearchPlace &place)
{
    if (place.isDefault())
        return phrase;
    const SearchPlace defaults;
    QStringList parts{deviceName(place.device)};
    if (!place.place.isEmpty())
        parts.append(shortPlace(place.place));
    else if (place.country != defaults.country)
        parts.append(place.country.toUpper());
    if (place.language != defaults.language)
        parts.append(place.language);
    return phrase + QStringLiteral(" [") + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QString describe(const SearchPlace &place)
{
    if (place.isDefault())
        return QString();
    const SearchPlace defaults;
    QStringList parts{deviceName(place.device)};
    if (place.country != defaults.country)
        parts.append(QStringLiteral("paese %1").arg(place.country));
    if (place.language != defaults.language)
        parts.append(QStringLiteral("lingua %1").arg(place.language));
    if (!place.place.isEmpty())
        parts.append(place.place);
    return parts.join(QStringLiteral(", "));
}

} // namespace SearchPlaces
