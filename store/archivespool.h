#pragma once

#include "model/runrecords.h"

#include <QList>
#include <QString>
#include <deque>
#include <optional>

// One record for the archive: a run begun, a page read, a run ended, a picture.
struct ArchiveRecord
{
    enum class Kind { Begin, Page, End, Picture } kind = Kind::Begin;
    quint64 handle = 0;
    std::optional<qint64> runId;    // the archive's id of the run, once it is known
    ArchivedRun run;
    ArchivedPage page;
    RunEnd end = RunEnd::Unfinished;
    qint64 position = 0;
    int packPlace = 0;
    QDateTime ended;
    ArchivedPicture picture;
};

// The records the archive could not take, kept in a file beside it so that
// neither a program killed nor one that ended while the disk was full loses
// them: one file a process, named by it, that grows by a line a record while
// the archive is away; as they go in, a small file beside it counts those
// written. A later program takes the files of processes that have ended.
namespace ArchiveSpool {

// Writes the records waiting as the whole file (none: the file goes, and
// its count). false when it failed.
bool save(const QString &archive, const std::deque<ArchiveRecord> &waiting);
// One record more at the file's end.
bool append(const QString &archive, const ArchiveRecord &record);
// How many of the file's first records are written: a later program skips
// them, but for the runs' beginnings, which name their runs again.
bool setWritten(const QString &archive, qint64 count);
// The records left by processes that have ended, oldest file first, each
// file taken by this process alone (renamed; `taken` names them, to remove
// once the records are saved again); `nextHandle` numbers their runs anew.
std::deque<ArchiveRecord> takeLeftOver(const QString &archive, quint64 &nextHandle, QStringList &taken);

QByteArray encode(const ArchiveRecord &record);
std::optional<ArchiveRecord> decode(const QByteArray &line);

} // namespace ArchiveSpool
