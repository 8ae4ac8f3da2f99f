#include "store/archivereports.h"

#include "store/archive.h"
#include "store/archivedialect.h"
#include "store/archiverows.h"

#include <QSqlQuery>
#include <QVariant>

using namespace ArchiveRows;

Result<QList<ArchiveReports::Position>> ArchiveReports::positionsOf(const QString &series, const QString &fragment)
{
    // Case as the run's own comparison has it: no LIKE. Runs that read no
    // page (or kept only one they could not read) say nothing.
    QList<Position> positions;
    const QString newest = m_archive.newestPages();
    const Result<void> read = m_archive.rows(
        QStringLiteral("SELECT r.id, r.started, (SELECT min(s.position) FROM pages p JOIN results s ON s.page_id = p.id"
                       " WHERE p.run_id = r.id AND %1 > 0%2) FROM runs r WHERE r.series = ?"
                       " AND EXISTS (SELECT 1 FROM pages p WHERE p.run_id = r.id%3) ORDER BY r.started, r.id")
            .arg(m_archive.dialect().positionIn(QStringLiteral("s.address"), QStringLiteral("?")), newest, newest),
        {fragment, series}, [&positions](const QSqlQuery &row) {
            Position position{row.value(0).toLongLong(), timeOf(row.value(1)), std::nullopt};
            if (!row.value(2).isNull())
                position.position = row.value(2).toLongLong();
            positions.append(position);
        });
    if (!read)
        return read.failure();
    return positions;
}

Result<void> ArchiveReports::forEachResult(const QString &series, const std::function<void(const ResultRow &)> &visit,
                                           Readings readings)
{
    ArchivedRun run;
    // An archive from before the re-readings has one reading a page, by no numbered reader.
    const bool numbered = m_archive.has(ArchiveStep::KeptPages);
    return m_archive.rows(
        QStringLiteral("SELECT %1, s.position, s.address, s.title, pic.file, %4 FROM runs r JOIN pages p ON p.run_id = r.id"
                       " JOIN results s ON s.page_id = p.id LEFT JOIN pictures pic ON pic.run_id = r.id"
                       " WHERE 1 = 1%2%3 ORDER BY r.started, r.id, %5s.position")
            .arg(kRunColumns, series.isEmpty() ? QString() : QStringLiteral(" AND r.series = ?"),
                 readings == Readings::Newest ? m_archive.newestPages() : QString(),
                 numbered ? QStringLiteral("p.reader, p.newer") : QStringLiteral("0, 0"),
                 numbered && readings == Readings::Every ? QStringLiteral("p.reader, ") : QString()),
        series.isEmpty() ? QVariantList() : QVariantList{series}, [&](const QSqlQuery &row) {
            if (row.value(0).toLongLong() != run.id) {
                run = runOf(row);
                if (!row.value(kRunColumnCount + 3).isNull()) {
                    run.picture = ArchivedPicture();
                    run.picture->file = row.value(kRunColumnCount + 3).toString();
                }
            }
            const ArchivedResult result{row.value(kRunColumnCount).toLongLong(), row.value(kRunColumnCount + 1).toString(),
                                        row.value(kRunColumnCount + 2).toString()};
            visit(ResultRow{&run, &result, row.value(kRunColumnCount + 4).toInt(), row.value(kRunColumnCount + 5).toLongLong() == 0});
        });
}
