#include "store/archivewriter.h"

#include "store/archive.h"

#include <QDir>
#include <QMetaObject>

// Lives on the writer's thread, with the archive's connection.
class ArchiveWriter::Worker : public QObject
{
public:
    Worker(ArchiveWriter *owner, QString path) : m_owner(owner), m_path(std::move(path)) {}

    void beginRun(quint64 handle, const ArchivedRun &run)
    {
        m_runs.insert(handle, Run{run, std::nullopt});
        ensureRun(handle);
    }

    void addPage(quint64 handle, const ArchivedPage &page)
    {
        const std::optional<qint64> id = ensureRun(handle);
        if (id && !m_archive->addPage(*id, page))
            report();
    }

    void endRun(quint64 handle, RunEnd end, qint64 position, const QDateTime &ended)
    {
        const std::optional<qint64> id = ensureRun(handle);
        if (id && !m_archive->endRun(*id, end, position, ended))
            report();
        m_runs.remove(handle);
        // A picture comes a moment after its run's end.
        if (m_ended.size() > 64)
            m_ended.clear();
        if (id)
            m_ended.insert(handle, *id);
    }

    void addPicture(quint64 handle, const ArchivedPicture &picture)
    {
        std::optional<qint64> id = ensureRun(handle);
        if (!id && m_ended.contains(handle))
            id = m_ended.value(handle);
        if (id && !m_archive->addPicture(*id, picture))
            report();
    }

    int busyTimeout = 10000;
    qint64 maximumPageCount = 0;

private:
    struct Run
    {
        ArchivedRun run;
        std::optional<qint64> id;
    };

    bool ensureOpen()
    {
        if (m_archive && m_archive->isOpen())
            return true;
        m_archive = std::make_unique<Archive>(m_path);
        m_archive->setBusyTimeout(busyTimeout);
        if (!m_archive->open()) {
            report();
            return false;
        }
        if (maximumPageCount > 0)
            m_archive->setMaximumPageCount(maximumPageCount);
        if (!m_archive->setAside().isEmpty()) {
            emit m_owner->fault(ArchiveFault{ArchiveFault::Kind::SetAside, m_path, QString(), m_archive->setAside()});
        }
        return true;
    }

    std::optional<qint64> ensureRun(quint64 handle)
    {
        const auto found = m_runs.find(handle);
        if (found == m_runs.end() || found->id || !ensureOpen())
            return found == m_runs.end() ? std::nullopt : found->id;
        found->id = m_archive->beginRun(found->run);
        if (!found->id)
            report();
        return found->id;
    }

    void report()
    {
        emit m_owner->fault(ArchiveFault{ArchiveFault::Kind::Unwritable, m_path, m_archive->problem(), QString()});
    }

    ArchiveWriter *m_owner;
    QString m_path;
    std::unique_ptr<Archive> m_archive;
    QHash<quint64, Run> m_runs;
    QHash<quint64, qint64> m_ended;     // the archive's ids of runs just ended
};

ArchiveWriter::ArchiveWriter(const QString &path, QObject *parent)
    : QObject(parent)
    , m_worker(new Worker(this, path))
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
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, handle, run] { worker->beginRun(handle, run); });
    return handle;
}

void ArchiveWriter::addPage(quint64 run, const ArchivedPage &page)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, run, page] { worker->addPage(run, page); });
}

void ArchiveWriter::endRun(quint64 run, RunEnd end, qint64 position, const QDateTime &ended)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, run, end, position, ended] {
        worker->endRun(run, end, position, ended);
    });
}

void ArchiveWriter::addPicture(quint64 run, const ArchivedPicture &picture)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, run, picture] { worker->addPicture(run, picture); });
}

void ArchiveWriter::flush()
{
    QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
}
