#include "model/runrecords.h"

#include <array>

QList<ArchivedResult> ArchivedRun::results() const
{
    QList<ArchivedResult> all;
    for (const ArchivedPage &page : pages)
        all.append(page.results);
    return all;
}

std::optional<qint64> ArchivedRun::positionOf(const QString &fragment) const
{
    for (const ArchivedPage &page : pages) {
        for (const ArchivedResult &result : page.results) {
            if (result.address.contains(fragment))
                return result.position;
        }
    }
    return std::nullopt;
}

bool ArchivedRun::citedInAiOverview(const QString &fragment) const
{
    for (const ArchivedPage &page : pages) {
        if (!page.features)
            continue;
        for (const QString &cited : page.features->aiCited) {
            if (cited.contains(fragment))
                return true;
        }
    }
    return false;
}

namespace RunEnds {

namespace {
const std::array<std::pair<RunEnd, const char *>, 8> kNames{{
    {RunEnd::Unfinished, "interrotto"},
    {RunEnd::Found, "trovato"},
    {RunEnd::NotFound, "non trovato"},
    {RunEnd::ResultsEnded, "risultati finiti"},
    {RunEnd::Stopped, "arrestato"},
    {RunEnd::WaitingForUser, "in attesa"},
    {RunEnd::PageNotLoaded, "pagina non caricata"},
    {RunEnd::PageUnreadable, "pagina non letta"},
}};
}

QString name(RunEnd end)
{
    for (const auto &[value, text] : kNames) {
        if (value == end)
            return QString::fromLatin1(text);
    }
    return QString();
}

RunEnd fromName(const QString &name)
{
    for (const auto &[value, text] : kNames) {
        if (name == QLatin1String(text))
            return value;
    }
    return RunEnd::Unfinished;
}

QString describe(RunEnd end, qint64 position)
{
    switch (end) {
    case RunEnd::Found:
        return QStringLiteral("posizione %1").arg(position);
    case RunEnd::NotFound:
        return QStringLiteral("non trovato entro %1").arg(position);
    case RunEnd::ResultsEnded:
        return QStringLiteral("risultati finiti dopo %1").arg(position);
    case RunEnd::Stopped:
        return QStringLiteral("arrestato dopo %1").arg(position);
    case RunEnd::WaitingForUser:
        return QStringLiteral("in attesa di una risposta");
    case RunEnd::PageNotLoaded:
    case RunEnd::PageUnreadable:
        return name(end);
    case RunEnd::Unfinished:
        break;
    }
    return QStringLiteral("interrotto");
}

} // namespace RunEnds
