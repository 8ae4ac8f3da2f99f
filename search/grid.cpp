#include "search/grid.h"

#include "search/localpack.h"
#include "search/placequery.h"

#include <QHash>
#include <QLocale>
#include <cmath>

namespace {

// Kilometres in a degree of latitude, and of longitude at the equator.
constexpr double kKmPerDegree = 111.32;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

QString decimal(double value)
{
    return QString::number(value, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','));
}

// A point as its coordinates are written: what the search sends, and the key
// of its place on the grid.
Coordinates rounded(const Coordinates &point)
{
    return *SearchPlaces::coordinatesOf(SearchPlaces::coordinatesText(point));
}

} // namespace

std::optional<QString> GridPlan::problem() const
{
    if (size < kSmallest || size > kLargest || size % 2 == 0)
        return QStringLiteral("La griglia va da %1 a %2 punti per lato, in numero dispari (3, 5, 7 o 9), non %3.")
            .arg(kSmallest)
            .arg(kLargest)
            .arg(size);
    if (!(spacingKm >= kNearestKm && spacingKm <= kFarthestKm))
        return QStringLiteral("La distanza tra i punti va da %1 a %2 km, non %3.")
            .arg(decimal(kNearestKm), QString::number(kFarthestKm), QString::number(spacingKm).replace(QLatin1Char('.'), QLatin1Char(',')));
    if (const std::optional<QString> offEarth = PlaceQuery::coordinatesProblem(centre))
        return offEarth;
    if (phrase.trimmed().isEmpty())
        return QStringLiteral("Manca la frase da cercare.");
    if (fragment.trimmed().isEmpty())
        return QStringLiteral("Manca il frammento dell'indirizzo (o il nome dell'attività) da cercare.");
    for (const Coordinates &point : points()) {
        if (PlaceQuery::coordinatesProblem(point))
            return QStringLiteral("La griglia esce dalla Terra: scegli un centro più lontano dai poli o punti più vicini.");
    }
    return std::nullopt;
}

QList<Coordinates> GridPlan::points() const
{
    QList<Coordinates> points;
    const int half = size / 2;
    const double kmPerLongitude = kKmPerDegree * std::cos(centre.latitude * kRadiansPerDegree);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            const double north = (half - row) * spacingKm;
            const double east = (column - half) * spacingKm;
            points.append(rounded({centre.latitude + north / kKmPerDegree,
                                   centre.longitude + (kmPerLongitude > 0 ? east / kmPerLongitude : 0)}));
        }
    }
    return points;
}

std::pair<double, double> GridPlan::kmFromCentre(const Coordinates &point) const
{
    const double kmPerLongitude = kKmPerDegree * std::cos(centre.latitude * kRadiansPerDegree);
    return {(point.longitude - centre.longitude) * kmPerLongitude, (point.latitude - centre.latitude) * kKmPerDegree};
}

QString GridPlan::series() const
{
    return phrase + QStringLiteral(" @ ") + SearchPlaces::coordinatesText(centre);
}

ArchivedGrid GridPlan::record() const
{
    ArchivedGrid grid;
    grid.series = series();
    grid.phrase = phrase;
    grid.fragment = fragment;
    grid.size = size;
    grid.spacingKm = spacingKm;
    grid.centre = rounded(centre);
    return grid;
}

GridPlan GridPlan::of(const ArchivedGrid &grid)
{
    return GridPlan{grid.size, grid.centre, grid.spacingKm, grid.phrase, grid.fragment};
}

namespace GridPoints {

QString line(const GridPointRecord &point)
{
    const QString where = SearchPlaces::coordinatesText(point.point) + QStringLiteral(": ");
    if (!point.measured)
        return where + point.result;
    return where + (point.packPlace > 0 ? LocalPack::words(point.packPlace) : QStringLiteral("fuori dal pacchetto locale"))
        + QStringLiteral(", ") + point.result;
}

} // namespace GridPoints

GridMeasures GridMeasures::of(const QList<GridPointRecord> &points)
{
    GridMeasures measures;
    int placesFound = 0;
    int placesCounted = 0;
    for (const GridPointRecord &point : points) {
        if (!point.measured)
            continue;
        ++measures.points;
        if (point.packPlace > 0) {
            ++measures.inPack;
            placesFound += point.packPlace;
        }
        placesCounted += point.packPlace > 0 ? point.packPlace : kNotInPack;
    }
    if (measures.inPack > 0)
        measures.averageInPack = double(placesFound) / measures.inPack;
    if (measures.points > 0)
        measures.averageCounted = double(placesCounted) / measures.points;
    return measures;
}

QString GridMeasures::line() const
{
    if (points == 0)
        return QStringLiteral("nessun punto misurato");
    QString text = QStringLiteral("nel pacchetto locale in %1 punti su %2 (%3%)")
                       .arg(inPack)
                       .arg(points)
                       .arg(qRound(share() * 100));
    text += averageInPack ? QStringLiteral("; posto medio %1 dove c'è").arg(decimal(*averageInPack)) : QStringLiteral("; mai nel pacchetto");
    text += QStringLiteral(", %1 contando %2 dove manca").arg(decimal(*averageCounted)).arg(kNotInPack);
    return text;
}

GridComparison GridComparison::of(const ArchivedGrid &before, const ArchivedGrid &now)
{
    // A place outside the pack counts below every place in it.
    const auto rank = [](const GridPointRecord &point) { return point.packPlace > 0 ? point.packPlace : GridMeasures::kNotInPack; };
    QHash<QString, GridPointRecord> earlier;
    for (const GridPointRecord &point : before.points) {
        if (point.measured)
            earlier.insert(SearchPlaces::coordinatesText(point.point), point);
    }
    GridComparison comparison;
    for (const GridPointRecord &point : now.points) {
        const auto was = earlier.constFind(SearchPlaces::coordinatesText(point.point));
        if (!point.measured || was == earlier.cend())
            continue;
        if (rank(point) < rank(*was))
            comparison.gained.append(point.point);
        else if (rank(point) > rank(*was))
            comparison.lost.append(point.point);
    }
    return comparison;
}

QString GridComparison::line(const QDateTime &before) const
{
    return QStringLiteral("rispetto alla griglia del %1: %2 %3 meglio, %4 %5 peggio")
        .arg(QLocale::c().toString(before.toLocalTime(), QStringLiteral("dd/MM/yyyy HH:mm")))
        .arg(gained.size())
        .arg(gained.size() == 1 ? QStringLiteral("punto") : QStringLiteral("punti"))
        .arg(lost.size())
        .arg(lost.size() == 1 ? QStringLiteral("punto") : QStringLiteral("punti"));
}
