#include "store/runarchive.h"

#include "store/archive.h"
#include "store/archivedialect.h"
#include "store/archiverows.h"

#include <QHash>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

using namespace ArchiveRows;

namespace {

QString placeholders(qsizetype count)
{
    return QStringList(count, QStringLiteral("?")).join(QStringLiteral(", "));
}

// page_features.ai_overview: 0 none, 1 an overview, 2 an overview still being
// generated when the page had to be read (older programs read it as an overview).
constexpr int kOverviewLoading = 2;

int overviewCode(const PageFeatures &features)
{
    if (!features.aiOverview)
        return 0;
    return features.aiLoading ? kOverviewLoading : 1;
}

} // namespace

Result<qint64> RunArchive::beginRun(const ArchivedRun &run)
{
    qint64 id = 0;
    const Result<void> done = m_archive.transaction([&]() -> Result<void> {
        if (m_archive.has(ArchiveStep::RunTokens) && !run.token.isEmpty()) {
            const Result<void> looked = m_archive.rows(QStringLiteral("SELECT id FROM runs WHERE token = ?"), {run.token},
                                                       [&id](const QSqlQuery &row) { id = row.value(0).toLongLong(); });
            if (!looked || id != 0)
                return looked;
        }
        // The columns the archive's step has.
        QStringList columns{QStringLiteral("phrase"), QStringLiteral("host"), QStringLiteral("italian_only"),
                            QStringLiteral("fragment"), QStringLiteral("started")};
        QVariantList values{run.phrase, run.host, run.italianOnly ? 1 : 0, run.fragment, timeText(run.started)};
        if (m_archive.has(ArchiveStep::Places)) {
            columns << QStringLiteral("device") << QStringLiteral("country") << QStringLiteral("language")
                    << QStringLiteral("place") << QStringLiteral("series");
            values << SearchPlaces::deviceName(run.place.device) << run.place.country << run.place.language << run.place.place
                   << run.series();
        }
        if (m_archive.has(ArchiveStep::RunTokens)) {
            columns << QStringLiteral("token");
            values << run.token;
        }
        Result<QSqlQuery> inserted = m_archive.exec(QStringLiteral("INSERT INTO runs (%1) VALUES (%2)%3")
                                                        .arg(columns.join(QStringLiteral(", ")), placeholders(values.size()),
                                                             m_archive.dialect().returningId()),
                                                    values);
        if (!inserted)
            return inserted.failure();
        id = m_archive.dialect().insertedId(*inserted);
        return {};
    });
    if (!done)
        return done.failure();
    return id;
}

Result<void> RunArchive::addPage(qint64 runId, const ArchivedPage &page)
{
    return m_archive.transaction([&]() -> Result<void> {
        // A page sent again is written once.
        const QVariantList key{runId, page.offset, timeText(page.readAt)};
        bool known = false;
        const Result<void> looked = m_archive.rows(QStringLiteral("SELECT 1 FROM pages WHERE run_id = ? AND \"offset\" = ? AND read_at = ?"),
                                                   key, [&known](const QSqlQuery &) { known = true; });
        if (!looked || known)
            return looked;
        Result<QSqlQuery> inserted = m_archive.exec(
            QStringLiteral("INSERT INTO pages (run_id, \"offset\", read_at, reading) VALUES (?, ?, ?, ?)%1").arg(m_archive.dialect().returningId()),
            key + QVariantList{readingName(page.reading)});
        if (!inserted)
            return inserted.failure();
        const qint64 pageId = m_archive.dialect().insertedId(*inserted);
        QList<QVariantList> results;
        for (const ArchivedResult &result : page.results)
            results.append({pageId, result.position, result.address, QUrl(result.address).host(), result.title});
        if (Result<void> written = m_archive.execMany(
                QStringLiteral("INSERT INTO results (page_id, position, address, host, title) VALUES (?, ?, ?, ?, ?)"), results);
            !written)
            return written;
        if (!page.features || !m_archive.has(ArchiveStep::PageFeatures))
            return {};
        const PageFeatures &features = *page.features;
        if (Result<QSqlQuery> written = m_archive.exec(
                QStringLiteral("INSERT INTO page_features (page_id, ads_top, ads_bottom, featured, ai_overview, questions)"
                               " VALUES (?, ?, ?, ?, ?, ?)"),
                {pageId, features.adsTop, features.adsBottom, features.featured, overviewCode(features), features.questions ? 1 : 0});
            !written)
            return written.failure();
        QList<QVariantList> cited;
        for (qsizetype i = 0; i < features.aiCited.size(); ++i)
            cited.append({pageId, i, features.aiCited[i]});
        return m_archive.execMany(QStringLiteral("INSERT INTO ai_citations (page_id, ord, address) VALUES (?, ?, ?)"), cited);
    });
}

Result<void> RunArchive::endRun(qint64 runId, RunEnd end, qint64 position, const QDateTime &ended)
{
    return m_archive.transaction([&]() -> Result<void> {
        const Result<QSqlQuery> updated = m_archive.exec(QStringLiteral("UPDATE runs SET ended = ?, outcome = ?, position = ? WHERE id = ?"),
                                                         {timeText(ended), RunEnds::name(end), position, runId});
        return updated ? Result<void>() : updated.failure();
    });
}

Result<void> RunArchive::addPicture(qint64 runId, const ArchivedPicture &picture)
{
    if (!m_archive.has(ArchiveStep::Pictures))
        return Failure{QStringLiteral("l'archivio non tiene ancora le immagini")};
    return m_archive.transaction([&]() -> Result<void> {
        const bool withJpeg = m_archive.has(ArchiveStep::PictureBytes);
        QVariantList values{runId, picture.file, picture.bytes, picture.hitBox.x(), picture.hitBox.y(), picture.hitBox.width(),
                            picture.hitBox.height(), picture.size.width(), picture.size.height()};
        if (withJpeg)
            values << (picture.jpeg.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(picture.jpeg));
        const Result<QSqlQuery> written = m_archive.exec(
            QStringLiteral("INSERT INTO pictures (run_id, file, bytes, hit_x, hit_y, hit_width, hit_height,"
                           " width, height%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?%2) ON CONFLICT (run_id) DO UPDATE SET"
                           " file = excluded.file, bytes = excluded.bytes, hit_x = excluded.hit_x,"
                           " hit_y = excluded.hit_y, hit_width = excluded.hit_width, hit_height = excluded.hit_height,"
                           " width = excluded.width, height = excluded.height%3")
                .arg(withJpeg ? QStringLiteral(", jpeg") : QString(), withJpeg ? QStringLiteral(", ?") : QString(),
                     withJpeg ? QStringLiteral(", jpeg = excluded.jpeg") : QString()),
            values);
        return written ? Result<void>() : written.failure();
    });
}

Result<QStringList> RunArchive::series()
{
    QStringList series;
    const Result<void> read = m_archive.rows(QStringLiteral("SELECT series FROM runs GROUP BY series ORDER BY max(started) DESC"), {},
                                             [&series](const QSqlQuery &row) { series.append(row.value(0).toString()); });
    if (!read)
        return read.failure();
    return series;
}

Result<std::optional<ArchivedRun>> RunArchive::runWithPictureNear(const QString &series, const QDateTime &when)
{
    if (!m_archive.has(ArchiveStep::Pictures))
        return std::optional<ArchivedRun>();
    std::optional<ArchivedRun> nearest;
    qint64 distance = 10 * 60;
    const Result<void> read = m_archive.rows(
        QStringLiteral("SELECT %1, %2 FROM runs r JOIN pictures pic ON pic.run_id = r.id WHERE r.series = ? AND r.ended IS NOT NULL")
            .arg(kRunColumns, kPictureColumns),
        {series}, [&](const QSqlQuery &row) {
            const qint64 apart = std::abs(timeOf(row.value(6)).secsTo(when));
            if (apart <= distance) {
                distance = apart;
                nearest = runOf(row);
                nearest->picture = pictureOf(row, kRunColumnCount);
            }
        });
    if (!read)
        return read.failure();
    return nearest;
}

Result<QByteArray> RunArchive::pictureJpeg(qint64 runId)
{
    if (!m_archive.has(ArchiveStep::PictureBytes))
        return QByteArray();
    QByteArray jpeg;
    const Result<void> read = m_archive.rows(QStringLiteral("SELECT jpeg FROM pictures WHERE run_id = ?"), {runId},
                                             [&jpeg](const QSqlQuery &row) { jpeg = row.value(0).toByteArray(); });
    if (!read)
        return read.failure();
    return jpeg;
}

Result<QList<ArchivedRun>> RunArchive::runsOf(const QString &series)
{
    // The series came with the places: before them, there is none to read by.
    if (!m_archive.has(ArchiveStep::Places))
        return Failure{QStringLiteral("l'archivio non tiene ancora le serie")};
    QList<ArchivedRun> runs;
    QHash<qint64, qsizetype> runIndex;
    QHash<qint64, std::pair<qsizetype, qsizetype>> pageIndex;   // page id -> run, page
    auto pageOf = [&](const QVariant &id) -> ArchivedPage & {
        const auto [run, page] = pageIndex.value(id.toLongLong());
        return runs[run].pages[page];
    };
    // The runs, then their pictures, pages, results, features and citations,
    // each in one query; a query that fails fails the whole.
    const struct
    {
        ArchiveStep since;
        QString sql;
        std::function<void(const QSqlQuery &)> read;
    } reads[] = {
        {ArchiveStep::Runs, QStringLiteral("SELECT %1 FROM runs r WHERE r.series = ? ORDER BY r.started, r.id").arg(kRunColumns),
         [&](const QSqlQuery &row) {
             runIndex.insert(row.value(0).toLongLong(), runs.size());
             runs.append(runOf(row));
         }},
        {ArchiveStep::Pictures, QStringLiteral("SELECT pic.run_id, %1 FROM pictures pic JOIN runs r ON r.id = pic.run_id WHERE r.series = ?").arg(kPictureColumns),
         [&](const QSqlQuery &row) { runs[runIndex.value(row.value(0).toLongLong())].picture = pictureOf(row, 1); }},
        {ArchiveStep::Runs, QStringLiteral("SELECT p.id, p.run_id, p.\"offset\", p.read_at, p.reading FROM pages p JOIN runs r ON r.id = p.run_id"
                        " WHERE r.series = ? ORDER BY p.id"),
         [&](const QSqlQuery &row) {
             ArchivedPage page;
             page.offset = row.value(2).toLongLong();
             page.readAt = timeOf(row.value(3));
             page.reading = readingNamed(row.value(4).toString());
             const qsizetype run = runIndex.value(row.value(1).toLongLong());
             pageIndex.insert(row.value(0).toLongLong(), {run, runs[run].pages.size()});
             runs[run].pages.append(page);
         }},
        {ArchiveStep::Runs, QStringLiteral("SELECT s.page_id, s.position, s.address, s.title FROM results s JOIN pages p ON p.id = s.page_id"
                        " JOIN runs r ON r.id = p.run_id WHERE r.series = ? ORDER BY s.page_id, s.position"),
         [&](const QSqlQuery &row) {
             pageOf(row.value(0)).results.append(ArchivedResult{row.value(1).toLongLong(), row.value(2).toString(), row.value(3).toString()});
         }},
        {ArchiveStep::PageFeatures, QStringLiteral("SELECT f.page_id, f.ads_top, f.ads_bottom, f.featured, f.ai_overview, f.questions"
                        " FROM page_features f JOIN pages p ON p.id = f.page_id JOIN runs r ON r.id = p.run_id WHERE r.series = ?"),
         [&](const QSqlQuery &row) {
             PageFeatures features;
             features.adsTop = row.value(1).toInt();
             features.adsBottom = row.value(2).toInt();
             features.featured = row.value(3).toString();
             features.aiOverview = row.value(4).toInt() != 0;
             features.aiLoading = row.value(4).toInt() == kOverviewLoading;
             features.questions = row.value(5).toInt() != 0;
             pageOf(row.value(0)).features = features;
         }},
        {ArchiveStep::PageFeatures, QStringLiteral("SELECT c.page_id, c.address FROM ai_citations c JOIN pages p ON p.id = c.page_id"
                        " JOIN runs r ON r.id = p.run_id WHERE r.series = ? ORDER BY c.page_id, c.ord"),
         [&](const QSqlQuery &row) {
             ArchivedPage &page = pageOf(row.value(0));
             if (page.features)
                 page.features->aiCited.append(row.value(1).toString());
         }},
    };
    for (const auto &read : reads) {
        // What a step the archive has not taken yet would hold, it holds none of.
        if (!m_archive.has(read.since))
            continue;
        if (const Result<void> done = m_archive.rows(read.sql, {series}, read.read); !done)
            return done.failure();
        if (runs.isEmpty())
            break;
    }
    return runs;
}
