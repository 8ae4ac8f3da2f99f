#pragma once

#include "model/runrecords.h"
#include "store/archivespool.h"

#include <QHash>
#include <QObject>
#include <QThread>
#include <memory>

class Archive;

// What went wrong with the archive, for the program to say in its own words.
struct ArchiveFault
{
    enum class Kind {
        Unwritable,   // a run or a page could not be written: it waits, the runs go on
        SetAside,     // a damaged archive was renamed, and a new one begun
        PageNotKept,  // a page's markup could not be kept: the page itself is written
    };
    Kind kind = Kind::Unwritable;
    QString archive;      // the archive's file, or a shared one's name
    QString reason;       // what the database said
    QString setAsideAs;   // where the damaged file went
    bool server = false;  // a shared archive that did not answer
};

// Writes runs to the archive on a thread of its own, so that a busy or slow
// disk never holds up a page. Calls return at once; the writes follow in
// order. What could not be written waits, in order, kept in a file beside
// the archive, and is written with the next record, at the flush, or by the
// next program to open the archive, once the archive takes it again.
class ArchiveWriter : public QObject
{
    Q_OBJECT
public:
    // `spool` names the files of the records waiting; the archive's own path
    // when empty, which a server's address cannot be.
    explicit ArchiveWriter(const QString &path, const QString &spool = QString(), QObject *parent = nullptr);
    // Writes what is queued before it returns.
    ~ArchiveWriter() override;

    // A handle for the run's later calls.
    quint64 beginRun(const ArchivedRun &run);
    void addPage(quint64 run, const ArchivedPage &page);
    void endRun(quint64 run, RunEnd end, qint64 position, const QDateTime &ended, int packPlace = 0);
    // The picture of what the run saw; it may come after the run's end.
    void addPicture(quint64 run, const ArchivedPicture &picture);
    // Returns once everything queued so far is written (or has failed).
    void flush();

    // For tests: the busy time-out and the file's greatest size in pages.
    void setLimits(int busyTimeoutMilliseconds, qint64 maximumPageCount = 0);

signals:
    // Something could not be written, or a damaged archive was set aside.
    void fault(const ArchiveFault &fault);

private:
    class Worker;
    void queue(ArchiveRecord record);
    QThread m_thread;
    Worker *m_worker;
    quint64 m_nextRun = 0;
};
