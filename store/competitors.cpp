#include "store/competitors.h"

#include <QHash>
#include <QSet>
#include <QUrl>

namespace Competitors {

QString Ranked::move() const
{
    if (!previous)
        return QStringLiteral("nuovo");
    const qint64 up = *previous - result.position;
    if (up == 0)
        return QStringLiteral("=");
    return up > 0 ? QStringLiteral("+%1").arg(up) : QString::number(up);
}

QList<ArchivedRun> readRuns(const QList<ArchivedRun> &runs)
{
    QList<ArchivedRun> read;
    for (const ArchivedRun &run : runs) {
        if (!run.results().isEmpty())
            read.append(run);
    }
    return read;
}

Comparison compare(const ArchivedRun &latest, const ArchivedRun *previous)
{
    Comparison comparison;
    QHash<QString, qint64> before;
    if (previous) {
        for (const ArchivedResult &result : previous->results())
            before.insert(result.address, result.position);   // each address once a run
    }
    QSet<QString> now;
    qint64 deepest = 0;
    for (const ArchivedResult &result : latest.results()) {
        const auto found = before.constFind(result.address);
        comparison.latest.append(Ranked{result, found == before.constEnd() ? std::nullopt : std::optional<qint64>(*found)});
        now.insert(result.address);
        deepest = std::max(deepest, result.position);
    }
    if (previous) {
        for (const ArchivedResult &result : previous->results()) {
            if (!now.contains(result.address) && result.position <= deepest)
                comparison.dropped.append(Dropped{result.position, result.address});
        }
    }
    return comparison;
}

QStringList leadingHosts(const ArchivedRun &latest, int count)
{
    QStringList hosts;
    for (const ArchivedResult &result : latest.results()) {
        const QString host = QUrl(result.address).host();
        if (hosts.size() >= count)
            break;
        if (!host.isEmpty() && !hosts.contains(host))
            hosts.append(host);
    }
    return hosts;
}

std::optional<qint64> positionOfHost(const ArchivedRun &run, const QString &host)
{
    for (const ArchivedResult &result : run.results()) {
        if (QUrl(result.address).host().compare(host, Qt::CaseInsensitive) == 0)
            return result.position;
    }
    return std::nullopt;
}

} // namespace Competitors
