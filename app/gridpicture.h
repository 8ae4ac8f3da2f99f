#pragma once

#include "model/gridrecords.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>

// The picture of a grid: each point at its true place relative to the
// centre (km on the axes, north up), a circle coloured by the fragment's
// place in the local pack (green 1, yellow 2, orange 3, red none, grey not
// measured) with the place inside, the centre ringed, the points that did
// better or worse than in the previous grid marked with a triangle up or
// down, and the grid's measures under it. It needs no widget.
namespace GridPicture {

QColor colourOf(const GridPointRecord &point);
// The picture, `side` pixels wide; `before` is the previous grid of the
// series, when there is one.
QImage draw(const ArchivedGrid &grid, const std::optional<ArchivedGrid> &before = std::nullopt, int side = 800);
// Its file beside the archive (in `folder`): "Griglia-idraulico-milano-2026-03-10-0700.png".
QString fileIn(const QString &folder, const ArchivedGrid &grid);

} // namespace GridPicture
