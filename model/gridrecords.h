#pragma once

#include "model/searchplace.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// One point of a grid of searches: where it stands and what its search found.
struct GridPointRecord
{
    Coordinates point;
    int packPlace = 0;                  // the fragment's place in the local pack, from 1; 0: not in it
    std::optional<qint64> position;     // the organic position, when found
    bool measured = false;              // the search measured it (a page not loaded does not)
    QString result;                     // the run's words: "posizione 14", "non trovato entro 30", ...

    bool operator==(const GridPointRecord &) const = default;
};

// A grid of searches around a place, as the archive keeps it: its series
// (the phrase and the centre), its shape, and the points searched so far,
// row by row from the north-west corner.
struct ArchivedGrid
{
    qint64 id = 0;
    QString series;
    QString phrase;
    QString fragment;
    int size = 0;                       // points a side
    double spacingKm = 0;
    Coordinates centre;
    QDateTime started;
    QDateTime ended;                    // invalid while unfinished
    QList<GridPointRecord> points;
};
