#include "search/placequery.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace PlaceQuery {

namespace {

// The countries whose Google is not www.google.CC.
struct Domain
{
    const char *country;
    const char *domain;
};
constexpr Domain kDomains[] = {
    {"us", "com"},    {"gb", "co.uk"},  {"uk", "co.uk"},  {"au", "com.au"}, {"br", "com.br"},
    {"mx", "com.mx"}, {"ar", "com.ar"}, {"tr", "com.tr"}, {"jp", "co.jp"},  {"in", "co.in"},
    {"za", "co.za"},  {"nz", "co.nz"},  {"kr", "co.kr"},
};

// The radius a coordinates' record gives, as the public converters write it.
constexpr int kUuleRadius = 65000;

const QByteArray kLengthKeys = QByteArrayLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");

QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

} // namespace

QString hostFor(const QString &country)
{
    const QString code = country.trimmed().toLower();
    for (const Domain &entry : kDomains) {
        if (code == QLatin1String(entry.country))
            return QStringLiteral("www.google.") + QLatin1String(entry.domain);
    }
    return QStringLiteral("www.google.") + code;
}

std::optional<QString> coordinatesProblem(const Coordinates &point)
{
    if (point.latitude < -90 || point.latitude > 90 || point.longitude < -180 || point.longitude > 180) {
        return QStringLiteral("Le coordinate \"%1\" sono fuori dalla Terra: la latitudine va da -90 a 90 e la longitudine "
                              "da -180 a 180 (per esempio \"45.4642,9.1900\" per Milano).")
            .arg(SearchPlaces::coordinatesText(point));
    }
    return std::nullopt;
}

std::optional<QString> placeProblem(const QString &name)
{
    if (const std::optional<Coordinates> point = SearchPlaces::coordinatesOf(name))
        return coordinatesProblem(*point);
    const QStringList parts = name.split(QLatin1Char(','));
    bool emptyPart = false;
    for (const QString &part : parts)
        emptyPart = emptyPart || part.trimmed().isEmpty();
    if (parts.size() < 2 || emptyPart) {
        return QStringLiteral("Il luogo \"%1\" non è un nome di Google: scrivi la città o la regione, poi le parti che la "
                              "contengono fino al paese, separate da virgole (per esempio \"Milan,Lombardy,Italy\").")
            .arg(name);
    }
    return std::nullopt;
}

std::optional<QString> problem(const SearchPlace &place)
{
    static const QRegularExpression country(QStringLiteral("^[a-z]{2}$"));
    static const QRegularExpression language(QStringLiteral("^[a-z]{2,3}(-[A-Za-z]{2,4})?$"));
    if (!country.match(place.country).hasMatch())
        return QStringLiteral("Il paese \"%1\" non è un codice di due lettere (per esempio \"it\", \"us\", \"de\").")
            .arg(place.country);
    if (!language.match(place.language).hasMatch())
        return QStringLiteral("La lingua \"%1\" non è un codice di lingua (per esempio \"it\", \"en\", \"pt-BR\").")
            .arg(place.language);
    if (!place.place.isEmpty())
        return placeProblem(place.place);
    return std::nullopt;
}

QString coordinatesUule(const Coordinates &point)
{
    const QString record = QStringLiteral("role: CURRENT_LOCATION\nproducer: DEVICE_LOCATION\nradius: %1\nlatlng <\n"
                                          "  latitude_e7: %2\n  longitude_e7: %3\n>")
                               .arg(kUuleRadius)
                               .arg(qRound64(point.latitude * 1e7))
                               .arg(qRound64(point.longitude * 1e7));
    return QStringLiteral("a+") + QString::fromLatin1(record.toUtf8().toBase64());
}

QString uule(const QString &name)
{
    if (const std::optional<Coordinates> point = SearchPlaces::coordinatesOf(name))
        return coordinatesUule(*point);
    const QByteArray bytes = name.toUtf8();
    return QStringLiteral("w+CAIQICI") + QLatin1Char(kLengthKeys.at(bytes.size() % kLengthKeys.size()))
        + QString::fromLatin1(bytes.toBase64());
}

QString queryPart(const SearchPlace &place)
{
    const SearchPlace defaults;
    QString part;
    if (place.country != defaults.country)
        part += QStringLiteral("&gl=") + encoded(place.country);
    if (place.language != defaults.language)
        part += QStringLiteral("&hl=") + encoded(place.language);
    if (!place.place.isEmpty())
        part += QStringLiteral("&uule=") + encoded(uule(place.place));
    return part;
}

} // namespace PlaceQuery
