#pragma once

#include "model/gridrecords.h"

#include <QList>
#include <QString>
#include <optional>

// A grid of searches around a place: size x size points, spacingKm apart,
// north up, centred on the place; each point one search from there.
struct GridPlan
{
    static constexpr int kSmallest = 3;
    static constexpr int kLargest = 9;
    static constexpr double kNearestKm = 0.2;
    static constexpr double kFarthestKm = 20;

    int size = 5;
    Coordinates centre;
    double spacingKm = 1;
    QString phrase;
    QString fragment;

    // Why the grid cannot be searched, in one plain sentence: a size that is
    // even or out of range, a spacing out of range, a centre (or a point) off
    // the earth, no phrase, no fragment; nullopt when it can.
    std::optional<QString> problem() const;
    // The points, row by row from the north-west corner, each rounded as
    // its coordinates are written ("45.4732,9.1900").
    QList<Coordinates> points() const;
    // A point's place on the grid, in km from the centre: east, north.
    std::pair<double, double> kmFromCentre(const Coordinates &point) const;
    // What keeps a grid's runs apart from other grids: the phrase and the
    // centre, "idraulico milano @ 45.4642,9.1900".
    QString series() const;
    // The archive's record of a grid of this shape, without points.
    ArchivedGrid record() const;
    static GridPlan of(const ArchivedGrid &grid);
};

namespace GridPoints {
// "45.4732,9.1900: nel pacchetto locale 2, posizione 14", "45.4732,9.1900:
// fuori dal pacchetto locale, non trovato entro 30", "45.4732,9.1900: pagina
// non caricata".
QString line(const GridPointRecord &point);
} // namespace GridPoints

// What a grid measures, over its measured points.
struct GridMeasures
{
    // A point outside the pack, in the average that counts it.
    static constexpr int kNotInPack = 4;

    int points = 0;                     // measured
    int inPack = 0;
    std::optional<double> averageInPack;   // the average place where the fragment is in the pack
    std::optional<double> averageCounted;  // the average with a point outside the pack counted as kNotInPack

    static GridMeasures of(const QList<GridPointRecord> &points);
    // The share of points in the pack, from 0 to 1.
    double share() const { return points > 0 ? double(inPack) / points : 0; }
    // "nel pacchetto locale in 12 punti su 25 (48%); posto medio 1,8 dove c'è, 3,0 contando 4 dove manca"
    QString line() const;
};

// What changed from the previous grid of the same series, point by point.
struct GridComparison
{
    QList<Coordinates> gained;   // a better place in the pack (or into it)
    QList<Coordinates> lost;     // a worse place (or out of it)

    // The points of the same place on both, by their coordinates.
    static GridComparison of(const ArchivedGrid &before, const ArchivedGrid &now);
    // "rispetto alla griglia del 02/03/2026 08:00: 3 punti saliti, 1 sceso"
    QString line(const QDateTime &before) const;
};
