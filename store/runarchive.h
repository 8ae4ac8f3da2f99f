#pragma once

#include "model/runrecords.h"
#include "store/result.h"

#include <QStringList>
#include <optional>

class Archive;

// The runs in the archive: each written as it goes, a page at a time, and
// read back by series, a phrase with the device and place it was searched
// from when they are not the defaults ("bimby [smartphone, Milan]"), so that
// a phone's runs never mix with a computer's.
class RunArchive
{
public:
    explicit RunArchive(Archive &archive) : m_archive(archive) {}

    // Each write is one transaction. A run sent again with its token, or a
    // page sent again, is written once.
    Result<qint64> beginRun(const ArchivedRun &run);
    Result<void> addPage(qint64 runId, const ArchivedPage &page);
    // `packPlace`: the fragment's place in the local pack, 0 when not in it.
    Result<void> endRun(qint64 runId, RunEnd end, qint64 position, const QDateTime &ended, int packPlace = 0);
    Result<void> addPicture(qint64 runId, const ArchivedPicture &picture);
    // The compressed markup of a page already added, kept with the pages of
    // the series' latest `page.kept.runs` runs; those of older runs go.
    Result<void> keepPage(qint64 runId, const ArchivedPage &page);

    // The series, by the latest run first.
    Result<QStringList> series();
    // A series' runs, oldest first, with their pages, results and pictures.
    Result<QList<ArchivedRun>> runsOf(const QString &series);
    // The run of a series with a picture that ended nearest to `when`, within
    // ten minutes (the run a line of the result log was saved from), without
    // its pages; nullopt when there is none.
    Result<std::optional<ArchivedRun>> runWithPictureNear(const QString &series, const QDateTime &when);
    // The picture kept in the archive itself (a shared one's); empty when none.
    Result<QByteArray> pictureJpeg(qint64 runId);
    // The kept markup of a run's pages, by the page's offset; compressed.
    Result<QList<std::pair<qint64, KeptMarkup>>> keptPages(qint64 runId);

    // A kept page to read again, with its run (without the run's pages).
    struct KeptPage
    {
        qint64 pageId = 0;
        ArchivedRun run;
        ArchivedPage page;   // as last read; its kept markup compressed
    };
    // The kept pages whose newest reading was made by a reader older than
    // `reader`, run by run, each run's in page order; of one phrase's runs
    // when `phrase` is given.
    Result<QList<KeptPage>> keptPagesToRead(int reader, const QString &phrase = QString());
    // New readings of pages (by their ids), stored beside the old ones,
    // which stay; the kept markup goes with the newest. All or none.
    Result<void> addRereadings(const QList<std::pair<qint64, ArchivedPage>> &readings);
    // The runs of a series whose pages were read again: when each ended, and
    // where the newest reading puts the fragment (nullopt: not on its pages).
    struct Reread
    {
        QDateTime ended;
        std::optional<qint64> position;
    };
    Result<QList<Reread>> rereadRuns(const QString &series, const QString &fragment);
    // The results of a run's newest readings of its pages, in order.
    Result<QList<ArchivedResult>> newestResults(qint64 runId);

private:
    Result<qint64> insertPage(qint64 runId, const ArchivedPage &page);
    Archive &m_archive;
};
