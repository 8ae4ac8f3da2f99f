#include "store/archivewriter.h"

#include "store/archive.h"
#include "store/pagecompression.h"
#include "store/runarchive.h"

#include <QDir>
#include <QMetaObject>
#include <QTimer>
#include <QUuid>

#include <deque>

// Lives on the writer's thread, with the archive's connection. What cannot
// be written (a full disk, a locked file) waits, in order, and is written
// before anything newer, once the archive takes it again.
class ArchiveWriter::Worker : public QObject
{
public:
    Worker(ArchiveWriter *owner, QString path, QString spool)
        : m_owner(owner)
        , m_path(std::move(path))
        , m_spool(spool.isEmpty() && !Archive::isServer(m_path) ? m_path : std::move(spool))
        , m_archive(m_path, ArchiveUse::Writing)
    {
    }

    void add(ArchiveRecord record)
    {
        // A disk that stays unwritable must not take all the memory: the
        // oldest records go first, as they would have without the wait.
        if (m_waiting.size() >= kMostWaiting) {
            m_waiting.pop_front();
            ++m_written;
        }
        withRunId(record);
        // The markup kept with a page is compressed here, never on the run's thread.
        if (record.kind == ArchiveRecord::Kind::Page && !record.page.kept.text.isEmpty()) {
            record.page.kept.compressed = PageCompression::compress(record.page.kept.text);
            record.page.kept.text.clear();
        }
        m_waiting.push_back(std::move(record));
        // While records wait in the file, a new one joins them there at once.
        if (m_spooled && m_whole && !m_spool.isEmpty())
            m_whole = ArchiveSpool::append(m_spool, m_waiting.back());
        writeWaiting();
    }

    void writeWaiting()
    {
        while (!m_waiting.empty()) {
            if (!ensureOpen()) {
                spool();
                return;
            }
            // A server that went away is reached anew at the next try.
            if (const Result<void> written = write(m_waiting.front()); !written) {
                report(written.error());
                spool();
                return;
            }
            m_waiting.pop_front();
            // The file counts each record written, so that none is written
            // twice; once all are, it goes.
            ++m_written;
            if (m_spooled && (m_waiting.empty() || !m_whole))
                spoolAll();
            else if (m_spooled)
                m_whole = ArchiveSpool::setWritten(m_spool, m_written);
        }
    }

    std::optional<int> busyTimeout;   // the writer's own when none
    qint64 maximumPageCount = 0;

private:
    static constexpr std::size_t kMostWaiting = 20000;
    static constexpr int kRetryMilliseconds = 5000;

    Result<void> write(const ArchiveRecord &record)
    {
        RunArchive runs(m_archive);
        if (record.kind == ArchiveRecord::Kind::Begin) {
            const Result<qint64> id = runs.beginRun(record.run);
            if (!id)
                return id.failure();
            m_ids.insert(record.handle, *id);
            return {};
        }
        const std::optional<qint64> id = m_ids.contains(record.handle) ? std::optional(m_ids.value(record.handle)) : record.runId;
        // A run whose beginning was dropped has nothing to add to.
        if (!id)
            return {};
        switch (record.kind) {
        case ArchiveRecord::Kind::Page:
            if (Result<void> added = runs.addPage(*id, record.page); !added)
                return added;
            // A page whose markup cannot be kept (a full disk) is written
            // without it: the markup is said lost and does not wait.
            if (const Result<void> kept = runs.keepPage(*id, record.page); !kept)
                emit m_owner->fault(ArchiveFault{ArchiveFault::Kind::PageNotKept, Archive::displayName(m_path), kept.error(),
                                                 QString(), Archive::isServer(m_path)});
            return {};
        case ArchiveRecord::Kind::End:
            if (Result<void> ended = runs.endRun(*id, record.end, record.position, record.ended, record.packPlace); !ended)
                return ended;
            // A picture comes a moment after its run's end; the ids of runs
            // long ended are no longer asked for.
            m_ended.push_back(record.handle);
            if (m_ended.size() > 64)
                m_ids.remove(m_ended.takeFirst());
            return {};
        case ArchiveRecord::Kind::Picture:
            return runs.addPicture(*id, record.picture);
        case ArchiveRecord::Kind::Begin:
            break;
        }
        return {};
    }

    void withRunId(ArchiveRecord &record) const
    {
        if (!record.runId && m_ids.contains(record.handle))
            record.runId = m_ids.value(record.handle);
    }

    // The archive did not take the first record: the records wait in the
    // file, written whole only when it does not hold them already.
    void spool()
    {
        if (!m_spooled || !m_whole)
            spoolAll();
        // A server may answer again before the next record comes.
        if (!m_waiting.empty())
            retryLater();
    }

    bool spoolAll()
    {
        if (m_spool.isEmpty())
            return false;
        for (ArchiveRecord &record : m_waiting)
            withRunId(record);
        m_whole = ArchiveSpool::save(m_spool, m_waiting);
        // A file that could not be written anew may still be there.
        m_spooled = !m_whole || !m_waiting.empty();
        m_written = 0;
        return m_whole;
    }

    // What programs that ended before left for the archive comes first.
    void takeLeftOver()
    {
        QStringList taken;
        if (m_spool.isEmpty())
            return;
        std::deque<ArchiveRecord> left = ArchiveSpool::takeLeftOver(m_spool, m_leftOverHandles, taken);
        if (taken.isEmpty())
            return;
        m_waiting.insert(m_waiting.begin(), left.begin(), left.end());
        if (spoolAll()) {
            for (const QString &file : taken)
                QFile::remove(file);
        }
    }

    bool ensureOpen()
    {
        if (m_archive.isOpen())
            return true;
        if (busyTimeout)
            (void)m_archive.setBusyTimeout(*busyTimeout);   // not open: it applies as it opens
        Result<void> opened = m_archive.open();
        if (opened && maximumPageCount > 0)
            opened = m_archive.setMaximumPageCount(maximumPageCount);
        if (!opened) {
            report(opened.error());
            return false;
        }
        if (!m_archive.setAside().isEmpty()) {
            emit m_owner->fault(ArchiveFault{ArchiveFault::Kind::SetAside, m_path, QString(), m_archive.setAside()});
        }
        if (!std::exchange(m_leftOverTaken, true))
            takeLeftOver();
        return true;
    }

    void report(const QString &reason)
    {
        emit m_owner->fault(ArchiveFault{ArchiveFault::Kind::Unwritable, Archive::displayName(m_path), reason, QString(),
                                         Archive::isServer(m_path)});
    }

    void retryLater()
    {
        if (!m_retry) {
            m_retry = new QTimer(this);
            m_retry->setSingleShot(true);
            m_retry->setInterval(kRetryMilliseconds);
            connect(m_retry, &QTimer::timeout, this, [this] { writeWaiting(); });
        }
        if (!m_retry->isActive())
            m_retry->start();
    }

    ArchiveWriter *m_owner;
    QString m_path;
    QString m_spool;
    Archive m_archive;
    QTimer *m_retry = nullptr;
    std::deque<ArchiveRecord> m_waiting;
    bool m_spooled = false;           // the file is there, and may hold records
    bool m_whole = true;              // it holds the records waiting, after m_written written ones
    qint64 m_written = 0;
    bool m_leftOverTaken = false;
    quint64 m_leftOverHandles = quint64(1) << 48;   // apart from this program's own
    QHash<quint64, qint64> m_ids;     // the archive's ids of the runs begun
    QList<quint64> m_ended;
};

ArchiveWriter::ArchiveWriter(const QString &path, const QString &spool, QObject *parent)
    : QObject(parent)
    , m_worker(new Worker(this, path, spool))
{
    m_thread.setObjectName(QStringLiteral("archivio"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

ArchiveWriter::~ArchiveWriter()
{
    flush();
    m_thread.quit();
    m_thread.wait();
}

void ArchiveWriter::setLimits(int busyTimeoutMilliseconds, qint64 maximumPageCount)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, busyTimeoutMilliseconds, maximumPageCount] {
        worker->busyTimeout = busyTimeoutMilliseconds;
        worker->maximumPageCount = maximumPageCount;
    }, Qt::BlockingQueuedConnection);
}

quint64 ArchiveWriter::beginRun(const ArchivedRun &run)
{
    const quint64 handle = ++m_nextRun;
    ArchiveRecord record;
    record.kind = ArchiveRecord::Kind::Begin;
    record.handle = handle;
    record.run = run;
    if (record.run.token.isEmpty())
        record.run.token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    queue(std::move(record));
    return handle;
}

void ArchiveWriter::addPage(quint64 run, const ArchivedPage &page)
{
    ArchiveRecord record;
    record.kind = ArchiveRecord::Kind::Page;
    record.handle = run;
    record.page = page;
    queue(std::move(record));
}

void ArchiveWriter::endRun(quint64 run, RunEnd end, qint64 position, const QDateTime &ended, int packPlace)
{
    ArchiveRecord record;
    record.kind = ArchiveRecord::Kind::End;
    record.handle = run;
    record.end = end;
    record.position = position;
    record.packPlace = packPlace;
    record.ended = ended;
    queue(std::move(record));
}

void ArchiveWriter::addPicture(quint64 run, const ArchivedPicture &picture)
{
    ArchiveRecord record;
    record.kind = ArchiveRecord::Kind::Picture;
    record.handle = run;
    record.picture = picture;
    queue(std::move(record));
}

void ArchiveWriter::queue(ArchiveRecord record)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, record = std::move(record)]() mutable { worker->add(std::move(record)); });
}

void ArchiveWriter::flush()
{
    // What waits for the archive gets one more try.
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->writeWaiting(); }, Qt::BlockingQueuedConnection);
}
