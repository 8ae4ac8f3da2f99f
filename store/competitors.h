#pragma once

#include "model/runrecords.h"

#include <QList>
#include <QString>
#include <optional>

// Who stands where among the archived runs of one phrase.
namespace Competitors {

struct Ranked
{
    ArchivedResult result;
    std::optional<qint64> previous;   // the position in the run before; none: new

    // "+3" (up three places), "-2", "=", "nuovo".
    QString move() const;
};

struct Dropped
{
    qint64 previous = 0;
    QString address;
};

struct Comparison
{
    QList<Ranked> latest;
    // Results of the run before that the latest run read no more, down to
    // the last position it read.
    QList<Dropped> dropped;
};

// The runs that read at least one page, oldest first: the ones to compare.
QList<ArchivedRun> readRuns(const QList<ArchivedRun> &runs);

// The latest run against the one before it (none: every result is new).
Comparison compare(const ArchivedRun &latest, const ArchivedRun *previous);

// The hosts of the latest run's first results, each once, up to `count`.
QStringList leadingHosts(const ArchivedRun &latest, int count);

// The position of the first result on `host` in a run.
std::optional<qint64> positionOfHost(const ArchivedRun &run, const QString &host);

} // namespace Competitors
