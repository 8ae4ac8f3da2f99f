#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A saved outcome read back from a line of the result log: the values that
// wrote the line.
struct Outcome
{
    QString phrase;
    std::optional<QString> address;   // the found address; none on a not-found line
    QDateTime when;
    QString dateSeparator;            // as the line holds it
    QString fragment;                 // as written: a "!" of a not-found line reads ","
    std::optional<qint64> position;   // found: the position
    std::optional<qint64> checked;    // not found: the positions checked, when the line says
    QString engine;
    bool italianOnly = false;

    bool found() const { return position.has_value(); }
};

// Every outcome of one search: a phrase, a fragment and the Italian-only
// option, in the order of the log.
struct SearchHistory
{
    QString phrase;
    QString fragment;
    bool italianOnly = false;
    QList<Outcome> outcomes;

    const Outcome &latest() const { return outcomes.constLast(); }
};

namespace Outcomes {

// The inverse of the log's line builder, for both forms. The fixed parts are
// read from the right: the engine part, then the date and time, so that a
// phrase or an address may hold " - (", " < ", " > " or quotes. nullopt for
// a line that no save wrote (by hand, cut, of another program).
std::optional<Outcome> readLine(const QString &line);

struct ReadLog
{
    QList<SearchHistory> searches;   // the most recent first
    int unreadable = 0;              // non-empty lines that are no outcome
};
ReadLog group(const QStringList &lines);

// The outcomes of a search as CSV (RFC 4180, UTF-8, CR LF): a header row in
// Italian, then one row per outcome.
QByteArray csv(const SearchHistory &search);

} // namespace Outcomes
