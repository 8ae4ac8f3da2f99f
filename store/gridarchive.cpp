#include "store/gridarchive.h"

#include "store/archive.h"
#include "store/archiverows.h"

#include <QSqlQuery>
#include <QVariant>
#include <cmath>

using namespace ArchiveRows;

namespace {

// Degrees as the archive keeps them: times ten million, whole.
qint64 e7(double degrees)
{
    return std::llround(degrees * 1e7);
}

double degrees(const QVariant &e7)
{
    return double(e7.toLongLong()) / 1e7;
}

} // namespace

Result<qint64> GridArchive::begin(const ArchivedGrid &grid)
{
    if (!m_archive.has(ArchiveStep::Grids))
        return Failure{QStringLiteral("l'archivio non tiene ancora le griglie")};
    return m_archive.insert(QStringLiteral("INSERT INTO grids (series, phrase, fragment, size, spacing_m, latitude_e7, longitude_e7,"
                                           " started) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                            {grid.series, grid.phrase, grid.fragment, grid.size, qint64(std::llround(grid.spacingKm * 1000)),
                             e7(grid.centre.latitude), e7(grid.centre.longitude), timeText(grid.started)});
}

Result<void> GridArchive::addPoint(qint64 gridId, int ord, const GridPointRecord &point)
{
    return m_archive.transaction([&]() -> Result<void> {
        if (const Result<QSqlQuery> gone = m_archive.exec(QStringLiteral("DELETE FROM grid_points WHERE grid_id = ? AND ord = ?"), {gridId, ord});
            !gone)
            return gone.failure();
        const Result<QSqlQuery> written = m_archive.exec(
            QStringLiteral("INSERT INTO grid_points (grid_id, ord, latitude_e7, longitude_e7, pack_place, position, measured, result)"
                           " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            {gridId, ord, e7(point.point.latitude), e7(point.point.longitude), point.packPlace,
             point.position ? QVariant(*point.position) : QVariant(QMetaType(QMetaType::LongLong)), point.measured ? 1 : 0, point.result});
        return written ? Result<void>() : written.failure();
    });
}

Result<void> GridArchive::end(qint64 gridId, const QDateTime &ended)
{
    return m_archive.transaction([&]() -> Result<void> {
        const Result<QSqlQuery> updated = m_archive.exec(QStringLiteral("UPDATE grids SET ended = ? WHERE id = ?"), {timeText(ended), gridId});
        return updated ? Result<void>() : updated.failure();
    });
}

Result<std::optional<ArchivedGrid>> GridArchive::grid(qint64 id)
{
    return first(QStringLiteral("id = ?"), {id});
}

Result<std::optional<ArchivedGrid>> GridArchive::latest(const QString &series)
{
    return first(QStringLiteral("series = ?"), {series});
}

Result<std::optional<ArchivedGrid>> GridArchive::unfinished(const ArchivedGrid &shape)
{
    return first(QStringLiteral("series = ? AND size = ? AND spacing_m = ? AND fragment = ? AND ended IS NULL"),
                 {shape.series, shape.size, qint64(std::llround(shape.spacingKm * 1000)), shape.fragment});
}

Result<std::optional<ArchivedGrid>> GridArchive::previous(const QString &series, qint64 id)
{
    return first(QStringLiteral("series = ? AND id < ? AND ended IS NOT NULL"), {series, id});
}

Result<std::optional<ArchivedGrid>> GridArchive::first(const QString &where, const QVariantList &values)
{
    std::optional<ArchivedGrid> found;
    if (!m_archive.has(ArchiveStep::Grids))
        return found;
    Result<void> read = m_archive.rows(
        QStringLiteral("SELECT id, series, phrase, fragment, size, spacing_m, latitude_e7, longitude_e7, started, ended FROM grids"
                       " WHERE %1 ORDER BY id DESC LIMIT 1").arg(where),
        values, [&found](const QSqlQuery &row) {
            ArchivedGrid grid;
            grid.id = row.value(0).toLongLong();
            grid.series = row.value(1).toString();
            grid.phrase = row.value(2).toString();
            grid.fragment = row.value(3).toString();
            grid.size = row.value(4).toInt();
            grid.spacingKm = row.value(5).toLongLong() / 1000.0;
            grid.centre = {degrees(row.value(6)), degrees(row.value(7))};
            grid.started = timeOf(row.value(8));
            grid.ended = row.value(9).isNull() ? QDateTime() : timeOf(row.value(9));
            found = grid;
        });
    if (read && found) {
        read = m_archive.rows(
            QStringLiteral("SELECT latitude_e7, longitude_e7, pack_place, position, measured, result FROM grid_points"
                           " WHERE grid_id = ? ORDER BY ord"),
            {found->id}, [&found](const QSqlQuery &row) {
                GridPointRecord point;
                point.point = {degrees(row.value(0)), degrees(row.value(1))};
                point.packPlace = row.value(2).toInt();
                if (!row.value(3).isNull())
                    point.position = row.value(3).toLongLong();
                point.measured = row.value(4).toInt() != 0;
                point.result = row.value(5).toString();
                found->points.append(point);
            });
    }
    if (!read)
        return read.failure();
    return found;
}
