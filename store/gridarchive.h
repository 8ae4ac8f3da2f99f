#pragma once

#include "model/gridrecords.h"
#include "store/result.h"

#include <optional>

class Archive;

// The grids in the archive: a grid is written when it starts, a point at a
// time as each search ends, and ended once every point is searched, so that
// a grid stopped half way can go on from its points.
class GridArchive
{
public:
    explicit GridArchive(Archive &archive) : m_archive(archive) {}

    // A new grid, without points; its id.
    Result<qint64> begin(const ArchivedGrid &grid);
    // The point at `ord` (row by row from the north-west corner); a point
    // written again replaces the one before.
    Result<void> addPoint(qint64 gridId, int ord, const GridPointRecord &point);
    Result<void> end(qint64 gridId, const QDateTime &ended);

    // The grid `id`, with its points; nullopt when there is none.
    Result<std::optional<ArchivedGrid>> grid(qint64 id);
    // The latest grid of the series, ended or not, with its points.
    Result<std::optional<ArchivedGrid>> latest(const QString &series);
    // The latest grid of the same series and shape not ended, with the
    // points it has; nullopt when there is none.
    Result<std::optional<ArchivedGrid>> unfinished(const ArchivedGrid &shape);
    // The latest grid of the series ended before the grid `id`, with its
    // points; nullopt when there is none.
    Result<std::optional<ArchivedGrid>> previous(const QString &series, qint64 id);

private:
    Result<std::optional<ArchivedGrid>> first(const QString &where, const QVariantList &values);

    Archive &m_archive;
};
