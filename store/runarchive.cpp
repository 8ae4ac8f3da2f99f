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
        const Result<qint64> inserted = m_archive.insert(
            QStringLiteral("INSERT INTO runs (%1) VALUES (%2)").arg(columns.join(QStringLiteral(", ")), placeholders(values.size())), values);
        if (!inserted)
            return inserted.failure();
        id = *inserted;
        return {};
    });
    if (!done)
        return done.failure();
    return id;
}

Result<void> RunArchive::addPage(qint64 runId, const ArchivedPage &page)
{
    // A page kept unread means nothing to an archive that cannot tell it
    // from a page read.
    if (page.reading == PageReading::Unread && !m_archive.has(ArchiveStep::KeptPages))
        return {};
    return m_archive.transaction([&]() -> Result<void> {
        // A page sent again is written once.
        bool known = false;
        const Result<void> looked = m_archive.rows(QStringLiteral("SELECT 1 FROM pages WHERE run_id = ? AND \"offset\" = ? AND read_at = ?"),
                                                   {runId, page.offset, timeText(page.readAt)}, [&known](const QSqlQuery &) { known = true; });
        if (!looked || known)
            return looked;
        const Result<qint64> added = insertPage(runId, page);
        return added ? Result<void>() : added.failure();
    });
}

// A page's reading: the page, its results, its features and citations.
Result<qint64> RunArchive::insertPage(qint64 runId, const ArchivedPage &page)
{
    const bool withReader = m_archive.has(ArchiveStep::KeptPages);
    QVariantList values{runId, page.offset, timeText(page.readAt), readingName(page.reading)};
    if (withReader)
        values << page.reader;
    const Result<qint64> inserted = m_archive.insert(
        QStringLiteral("INSERT INTO pages (run_id, \"offset\", read_at, reading%1) VALUES (?, ?, ?, ?%2)")
            .arg(withReader ? QStringLiteral(", reader") : QString(), withReader ? QStringLiteral(", ?") : QString()),
        values);
    if (!inserted)
        return inserted.failure();
    const qint64 pageId = *inserted;
    QList<QVariantList> results;
    for (const ArchivedResult &result : page.results)
        results.append({pageId, result.position, result.address, QUrl(result.address).host(), result.title});
    if (Result<void> written = m_archive.execMany(
            QStringLiteral("INSERT INTO results (page_id, position, address, host, title) VALUES (?, ?, ?, ?, ?)"), results);
        !written)
        return written.failure();
    if (!page.features || !m_archive.has(ArchiveStep::PageFeatures))
        return pageId;
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
    if (Result<void> written = m_archive.execMany(QStringLiteral("INSERT INTO ai_citations (page_id, ord, address) VALUES (?, ?, ?)"), cited);
        !written)
        return written.failure();
    if (!m_archive.has(ArchiveStep::LocalPack))
        return pageId;
    QList<QVariantList> pack;
    for (qsizetype i = 0; i < features.pack.size(); ++i)
        pack.append({pageId, i, features.pack[i].name, features.pack[i].website, features.pack[i].maps});
    if (Result<void> written = m_archive.execMany(
            QStringLiteral("INSERT INTO pack_entries (page_id, ord, name, website, maps) VALUES (?, ?, ?, ?, ?)"), pack);
        !written)
        return written.failure();
    return pageId;
}

Result<void> RunArchive::addRereadings(const QList<std::pair<qint64, ArchivedPage>> &readings)
{
    if (!m_archive.has(ArchiveStep::KeptPages))
        return Failure{QStringLiteral("l'archivio non tiene ancora le pagine")};
    // A run's pages at once: a re-reading stopped half way leaves each run
    // read either as before or anew.
    return m_archive.transaction([&]() -> Result<void> {
        for (const auto &[pageId, page] : readings) {
            std::optional<qint64> runId;
            const Result<void> looked = m_archive.rows(QStringLiteral("SELECT run_id FROM pages WHERE id = ? AND newer = 0"), {pageId},
                                                       [&runId](const QSqlQuery &row) { runId = row.value(0).toLongLong(); });
            if (!looked)
                return looked;
            if (!runId)
                return Failure{QStringLiteral("la pagina %1 è già stata riletta").arg(pageId)};
            const Result<qint64> added = insertPage(*runId, page);
            if (!added)
                return added.failure();
            for (const QString &sql : {QStringLiteral("UPDATE pages SET newer = ? WHERE id = ?"),
                                       QStringLiteral("UPDATE kept_pages SET page_id = ? WHERE page_id = ?")}) {
                if (const Result<QSqlQuery> moved = m_archive.exec(sql, {*added, pageId}); !moved)
                    return moved.failure();
            }
        }
        return {};
    });
}

Result<QList<RunArchive::KeptPage>> RunArchive::keptPagesToRead(int reader, const QString &phrase)
{
    QList<KeptPage> pages;
    if (!m_archive.has(ArchiveStep::KeptPages))
        return pages;
    const Result<void> read = m_archive.rows(
        QStringLiteral("SELECT %1, p.id, p.\"offset\", p.read_at, p.reading, p.reader, k.markup FROM kept_pages k"
                       " JOIN pages p ON p.id = k.page_id JOIN runs r ON r.id = p.run_id"
                       " WHERE p.newer = 0 AND p.reader < ?%2 ORDER BY r.id, p.\"offset\"")
            .arg(kRunColumns, phrase.isEmpty() ? QString() : QStringLiteral(" AND r.phrase = ?")),
        phrase.isEmpty() ? QVariantList{reader} : QVariantList{reader, phrase}, [&pages](const QSqlQuery &row) {
            KeptPage kept;
            kept.run = runOf(row);
            const int first = kRunColumnCount;
            kept.pageId = row.value(first).toLongLong();
            kept.page.offset = row.value(first + 1).toLongLong();
            kept.page.readAt = timeOf(row.value(first + 2));
            kept.page.reading = readingNamed(row.value(first + 3).toString());
            kept.page.reader = row.value(first + 4).toInt();
            kept.page.kept.compressed = row.value(first + 5).toByteArray();
            kept.page.kept.reader = kept.page.reader;
            pages.append(kept);
        });
    if (!read)
        return read.failure();
    return pages;
}

Result<QList<RunArchive::Reread>> RunArchive::rereadRuns(const QString &series, const QString &fragment)
{
    QList<Reread> runs;
    if (!m_archive.has(ArchiveStep::KeptPages))
        return runs;
    const Result<void> read = m_archive.rows(
        QStringLiteral("SELECT r.ended, (SELECT min(s.position) FROM pages p JOIN results s ON s.page_id = p.id"
                       " WHERE p.run_id = r.id AND %1 > 0%2) FROM runs r WHERE r.series = ? AND r.ended IS NOT NULL"
                       " AND EXISTS (SELECT 1 FROM pages o WHERE o.run_id = r.id AND o.newer <> 0) ORDER BY r.ended")
            .arg(m_archive.dialect().positionIn(QStringLiteral("s.address"), QStringLiteral("?")), m_archive.newestPages()),
        {fragment, series}, [&runs](const QSqlQuery &row) {
            Reread run{timeOf(row.value(0)), std::nullopt};
            if (!row.value(1).isNull())
                run.position = row.value(1).toLongLong();
            runs.append(run);
        });
    if (!read)
        return read.failure();
    return runs;
}

Result<QList<ArchivedResult>> RunArchive::newestResults(qint64 runId)
{
    QList<ArchivedResult> results;
    const Result<void> read = m_archive.rows(
        QStringLiteral("SELECT s.position, s.address, s.title FROM results s JOIN pages p ON p.id = s.page_id"
                       " WHERE p.run_id = ?%1 ORDER BY s.position").arg(m_archive.newestPages()),
        {runId}, [&results](const QSqlQuery &row) {
            results.append({row.value(0).toLongLong(), row.value(1).toString(), row.value(2).toString()});
        });
    if (!read)
        return read.failure();
    return results;
}

Result<void> RunArchive::keepPage(qint64 runId, const ArchivedPage &page)
{
    if (!m_archive.has(ArchiveStep::KeptPages) || page.kept.compressed.isEmpty())
        return {};
    return m_archive.transaction([&]() -> Result<void> {
        std::optional<qint64> pageId;
        const Result<void> looked = m_archive.rows(
            QStringLiteral("SELECT id FROM pages WHERE run_id = ? AND \"offset\" = ? AND read_at = ?"),
            {runId, page.offset, timeText(page.readAt)}, [&pageId](const QSqlQuery &row) { pageId = row.value(0).toLongLong(); });
        if (!looked)
            return looked;
        if (!pageId)
            return Failure{QStringLiteral("la pagina non è nell'archivio")};
        const Result<QSqlQuery> written = m_archive.exec(
            QStringLiteral("INSERT INTO kept_pages (page_id, reader, markup) VALUES (?, ?, ?) ON CONFLICT (page_id) DO NOTHING"),
            {*pageId, page.kept.reader, page.kept.compressed});
        if (!written)
            return written.failure();
        // The series' older runs let their pages go, as their pictures do.
        const Result<QSqlQuery> trimmed = m_archive.exec(
            QStringLiteral("DELETE FROM kept_pages WHERE page_id IN (SELECT p.id FROM pages p JOIN runs r ON r.id = p.run_id"
                           " WHERE r.series = (SELECT series FROM runs WHERE id = ?) AND r.id NOT IN"
                           " (SELECT id FROM runs WHERE series = (SELECT series FROM runs WHERE id = ?)"
                           " ORDER BY started DESC, id DESC LIMIT ?))"),
            {runId, runId, qMax(1, page.kept.runs)});
        return trimmed ? Result<void>() : trimmed.failure();
    });
}

Result<QList<std::pair<qint64, KeptMarkup>>> RunArchive::keptPages(qint64 runId)
{
    QList<std::pair<qint64, KeptMarkup>> pages;
    if (!m_archive.has(ArchiveStep::KeptPages))
        return pages;
    const Result<void> read = m_archive.rows(
        QStringLiteral("SELECT p.\"offset\", k.reader, k.markup FROM kept_pages k JOIN pages p ON p.id = k.page_id"
                       " WHERE p.run_id = ? ORDER BY p.\"offset\", p.id"),
        {runId}, [&pages](const QSqlQuery &row) {
            KeptMarkup kept;
            kept.reader = row.value(1).toInt();
            kept.compressed = row.value(2).toByteArray();
            pages.append({row.value(0).toLongLong(), kept});
        });
    if (!read)
        return read.failure();
    return pages;
}

Result<void> RunArchive::endRun(qint64 runId, RunEnd end, qint64 position, const QDateTime &ended, int packPlace)
{
    return m_archive.transaction([&]() -> Result<void> {
        const bool withPack = m_archive.has(ArchiveStep::LocalPack);
        QVariantList values{timeText(ended), RunEnds::name(end), position};
        if (withPack)
            values << packPlace;
        values << runId;
        const Result<QSqlQuery> updated = m_archive.exec(QStringLiteral("UPDATE runs SET ended = ?, outcome = ?, position = ?%1 WHERE id = ?")
                                                             .arg(withPack ? QStringLiteral(", pack_place = ?") : QString()),
                                                         values);
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
    // each in one query; a query that fails fails the whole. A page read
    // again is its newest reading.
    const QString newest = m_archive.newestPages();
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
        {ArchiveStep::LocalPack, QStringLiteral("SELECT r.id, r.pack_place FROM runs r WHERE r.series = ? AND r.pack_place > 0"),
         [&](const QSqlQuery &row) { runs[runIndex.value(row.value(0).toLongLong())].packPlace = row.value(1).toInt(); }},
        {ArchiveStep::Runs, QStringLiteral("SELECT p.id, p.run_id, p.\"offset\", p.read_at, p.reading FROM pages p JOIN runs r ON r.id = p.run_id"
                        " WHERE r.series = ?%1 ORDER BY p.\"offset\", p.id").arg(newest),
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
                        " JOIN runs r ON r.id = p.run_id WHERE r.series = ?%1 ORDER BY s.page_id, s.position").arg(newest),
         [&](const QSqlQuery &row) {
             pageOf(row.value(0)).results.append(ArchivedResult{row.value(1).toLongLong(), row.value(2).toString(), row.value(3).toString()});
         }},
        {ArchiveStep::PageFeatures, QStringLiteral("SELECT f.page_id, f.ads_top, f.ads_bottom, f.featured, f.ai_overview, f.questions"
                        " FROM page_features f JOIN pages p ON p.id = f.page_id JOIN runs r ON r.id = p.run_id WHERE r.series = ?%1").arg(newest),
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
                        " JOIN runs r ON r.id = p.run_id WHERE r.series = ?%1 ORDER BY c.page_id, c.ord").arg(newest),
         [&](const QSqlQuery &row) {
             ArchivedPage &page = pageOf(row.value(0));
             if (page.features)
                 page.features->aiCited.append(row.value(1).toString());
         }},
        {ArchiveStep::LocalPack, QStringLiteral("SELECT k.page_id, k.name, k.website, k.maps FROM pack_entries k JOIN pages p ON p.id = k.page_id"
                        " JOIN runs r ON r.id = p.run_id WHERE r.series = ?%1 ORDER BY k.page_id, k.ord").arg(newest),
         [&](const QSqlQuery &row) {
             ArchivedPage &page = pageOf(row.value(0));
             if (page.features)
                 page.features->pack.append(PackEntry{row.value(1).toString(), row.value(2).toString(), row.value(3).toString()});
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
