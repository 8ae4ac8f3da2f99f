#pragma once

#include "model/runrecords.h"
#include "store/result.h"

#include <QList>
#include <functional>
#include <optional>

class Archive;

// What the windows and the export ask of the archive across many runs.
class ArchiveReports
{
public:
    explicit ArchiveReports(Archive &archive) : m_archive(archive) {}

    struct Position
    {
        qint64 runId = 0;
        QDateTime started;
        std::optional<qint64> position;   // the first result holding the fragment; none when absent
    };
    // The runs of the series that read a page, oldest first, with the
    // position of any fragment ("Confronta con").
    Result<QList<Position>> positionsOf(const QString &series, const QString &fragment);

    // Every archived result, oldest run first, of one series or of all
    // (empty): of each page's newest reading, or of every reading, each
    // run's readings oldest reader first.
    enum class Readings { Newest, Every };
    struct ResultRow
    {
        const ArchivedRun *run;    // without pages; its picture's file alone
        const ArchivedResult *result;
        int reader = 0;            // the version of the reader that read its page
        bool newest = true;        // no re-reading has replaced it
    };
    Result<void> forEachResult(const QString &series, const std::function<void(const ResultRow &)> &visit,
                               Readings readings = Readings::Newest);

private:
    Archive &m_archive;
};
