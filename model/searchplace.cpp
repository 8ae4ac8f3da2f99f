#include "model/searchplace.h"

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
    return place.section(QLatin1Char(','), 0, 0).trimmed();
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
