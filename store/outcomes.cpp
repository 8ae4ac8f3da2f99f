#include "store/outcomes.h"

#include "store/csv.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace Outcomes {

namespace {

const QString kEnginePart = QStringLiteral(" (con ");
const QString kItalianOnly = QStringLiteral(" solo ita.");
const QString kAddressOpen = QStringLiteral(" - (");

std::optional<qint64> number(const QString &digits)
{
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

// The report part: `"FRAGMENT" pos. n° N` or `'FRAGMENT' non trovato, ultima posizione controllata N`.
bool readReport(const QString &report, Outcome &outcome)
{
    static const QRegularExpression found(QStringLiteral("^\"(.*)\" pos\\. n\u00b0 (\\d+)$"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression notFound(
        QStringLiteral("^'(.*)' non trovato, ultima posizione controllata (\\d*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    if (const QRegularExpressionMatch match = found.match(report); match.hasMatch()) {
        outcome.fragment = match.captured(1);
        outcome.position = number(match.captured(2));
        return outcome.position.has_value();
    }
    if (const QRegularExpressionMatch match = notFound.match(report); match.hasMatch()) {
        outcome.fragment = match.captured(1);
        if (!match.captured(2).isEmpty()) {
            outcome.checked = number(match.captured(2));
            return outcome.checked.has_value();
        }
        return true;
    }
    return false;
}

// The phrase, and on a found line the address: the last " - (" that a web
// address follows, or else the first.
bool readLeft(const QString &left, Outcome &outcome)
{
    if (!outcome.found()) {
        outcome.phrase = left;
        return true;
    }
    if (!left.endsWith(QLatin1Char(')')))
        return false;
    qsizetype split = -1;
    for (qsizetype at = left.lastIndexOf(kAddressOpen); at >= 0; at = at > 0 ? left.lastIndexOf(kAddressOpen, at - 1) : -1) {
        const QStringView address = QStringView(left).mid(at + kAddressOpen.size());
        if (address.startsWith(QLatin1String("http://")) || address.startsWith(QLatin1String("https://"))) {
            split = at;
            break;
        }
    }
    if (split < 0)
        split = left.indexOf(kAddressOpen);
    if (split < 0)
        return false;
    outcome.phrase = left.left(split);
    outcome.address = left.mid(split + kAddressOpen.size(), left.size() - split - kAddressOpen.size() - 1);
    return true;
}

} // namespace

std::optional<Outcome> readLine(const QString &line)
{
    Outcome outcome;
    if (!line.endsWith(QLatin1Char(')')))
        return std::nullopt;
    const qsizetype engineAt = line.lastIndexOf(kEnginePart);
    if (engineAt < 0)
        return std::nullopt;
    const QString engine = line.mid(engineAt + kEnginePart.size(), line.size() - engineAt - kEnginePart.size() - 1);
    if (engine.endsWith(kItalianOnly)) {
        outcome.italianOnly = true;
        outcome.engine = engine.chopped(kItalianOnly.size());
    } else if (engine.endsWith(QLatin1Char(' '))) {
        outcome.engine = engine.chopped(1);
    } else {
        return std::nullopt;
    }

    // The date and time: the rightmost block after which a report follows.
    static const QRegularExpression when(QStringLiteral(" < (\\d{4})(\\D)(\\d{2})\\2(\\d{2}) - (\\d{2}):(\\d{2}):(\\d{2}) > "));
    const QString body = line.left(engineAt);
    // Every " < " from the right, as blocks in text no save writes may overlap.
    for (qsizetype from = body.lastIndexOf(QStringLiteral(" < ")); from >= 0;
         from = from > 0 ? body.lastIndexOf(QStringLiteral(" < "), from - 1) : -1) {
        const QRegularExpressionMatch block = when.match(body, from, QRegularExpression::NormalMatch,
                                                         QRegularExpression::AnchorAtOffsetMatchOption);
        if (!block.hasMatch())
            continue;
        Outcome candidate = outcome;
        const QDate date(block.captured(1).toInt(), block.captured(3).toInt(), block.captured(4).toInt());
        const QTime time(block.captured(5).toInt(), block.captured(6).toInt(), block.captured(7).toInt());
        if (!date.isValid() || !time.isValid())
            continue;
        candidate.when = QDateTime(date, time);
        candidate.dateSeparator = block.captured(2);
        if (readReport(body.mid(block.capturedEnd()), candidate) && readLeft(body.left(from), candidate))
            return candidate;
    }
    return std::nullopt;
}

ReadLog group(const QStringList &lines)
{
    ReadLog log;
    QList<SearchHistory> searches;
    QHash<QString, qsizetype> indexOf;   // phrase, fragment and option, joined by NUL
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        std::optional<Outcome> outcome = readLine(line);
        if (!outcome) {
            ++log.unreadable;
            continue;
        }
        const QString key = outcome->phrase + QChar(0) + outcome->fragment + QChar(0) + QChar(outcome->italianOnly ? '1' : '0');
        auto found = indexOf.constFind(key);
        if (found == indexOf.constEnd()) {
            found = indexOf.insert(key, searches.size());
            searches.append(SearchHistory{outcome->phrase, outcome->fragment, outcome->italianOnly, {}});
        }
        searches[*found].outcomes.append(std::move(*outcome));
    }
    // The most recent first, by the latest outcome's date and time; the log's order breaks ties.
    std::stable_sort(searches.begin(), searches.end(), [](const SearchHistory &a, const SearchHistory &b) {
        return a.latest().when > b.latest().when;
    });
    log.searches = std::move(searches);
    return log;
}

QByteArray csv(const SearchHistory &search)
{
    QByteArray out = "data e ora,posizione,indirizzo trovato,pagine di Google italiane,non trovato entro\r\n";
    for (const Outcome &outcome : search.outcomes) {
        out += Csv::rowOf({
            Csv::field(outcome.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
            outcome.position ? Csv::number(*outcome.position) : QByteArray(),
            Csv::field(outcome.address.value_or(QString())),
            outcome.italianOnly ? QByteArrayLiteral("s\xc3\xac") : QByteArrayLiteral("no"),
            !outcome.found() && outcome.checked ? Csv::number(*outcome.checked) : QByteArray(),
        });
    }
    return out;
}

} // namespace Outcomes
