#include "search/scanner.h"

#include <QRegularExpression>

#include <cmath>

bool ScanResult::endsRun() const
{
    return outcome == ScanOutcome::Found || outcome == ScanOutcome::EndOfResults
        || outcome == ScanOutcome::LimitOrStop || outcome == ScanOutcome::Failed;
}

namespace Scanner {

namespace {

const QString kMarker = QStringLiteral("class=r");
const QString kAnchor = QStringLiteral("//");
const QLatin1Char kEndDelimiter('"');
const QString kSecureScheme = QStringLiteral("https:");

// Where the address before an anchor begins: five characters before it, or
// six for https. -1 when there are not enough characters.
qsizetype addressStart(const QString &page, qsizetype anchor)
{
    if (anchor >= kSecureScheme.size()
        && QStringView(page).mid(anchor - kSecureScheme.size(), kSecureScheme.size()) == kSecureScheme)
        return anchor - kSecureScheme.size();
    return anchor >= 5 ? anchor - 5 : -1;
}

void endWithNotFound(ScanResult &result, ScanOutcome outcome, ReportColour colour, const ScanInput &input)
{
    result.outcome = outcome;
    result.report = notFoundMessage(input.fragment);
    result.colour = colour;
}

} // namespace

QString foundMessage(const QString &fragment, qint64 position)
{
    return QLatin1Char('"') + fragment + QStringLiteral("\" trovato nella posizione n° ") + QString::number(position);
}

QString notFoundMessage(const QString &fragment)
{
    return QLatin1Char('\'') + fragment + QStringLiteral("' non trovato!");
}

std::optional<double> offsetLimit(const QString &pageLimit)
{
    bool ok = false;
    const double pages = pageLimit.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(pages))
        return std::nullopt;
    const double limit = pages * 10.0;
    if (!std::isfinite(limit))
        return std::nullopt;
    return limit;
}

namespace {

// Takes one result link: lists it, counts it, and tells whether it ends the run.
bool takeLink(const QString &address, const ScanInput &input, RunValues &run, ScanResult &result)
{
    run.indirizzoCorrente = address;
    run.contaPosizione = run.contaPosizione.value_or(0) + 1;
    const QString entry = QString::number(*run.contaPosizione) + QStringLiteral(" - ") + address;
    result.entries.append(entry);
    if (!address.contains(input.fragment))
        return false;
    result.report = foundMessage(input.fragment, *run.contaPosizione);
    if (!input.continueMode) {
        result.outcome = ScanOutcome::Found;
        result.colour = ReportColour::DarkGreen;
        return true;
    }
    result.hits.append(entry);
    return false;
}

// A page read to its end: on to the next offset, unless the limit or a stop ends the run.
void endOfPage(const ScanInput &input, RunValues &run, ScanResult &result)
{
    run.inizioPagina = run.inizioPagina.value_or(0) + kResultsPerPage;
    const std::optional<double> limit = offsetLimit(input.pageLimit);
    if (!limit) {
        endWithNotFound(result, ScanOutcome::Failed, ReportColour::Red, input);
        return;
    }
    if (static_cast<double>(*run.inizioPagina) == *limit || input.stopRequested) {
        endWithNotFound(result, ScanOutcome::LimitOrStop, ReportColour::Red, input);
        return;
    }
    result.outcome = ScanOutcome::NextPage;
}

} // namespace

namespace {

// The address of the result link after `from`: empty at the end of the
// page's markers, nullopt where one could not be cut out. `from` moves on.
std::optional<QString> nextClassicLink(const QString &page, qsizetype &from)
{
    const qsizetype marker = page.indexOf(kMarker, from);
    if (marker < 0)
        return QString();
    const qsizetype anchor = page.indexOf(kAnchor, marker);
    const qsizetype end = anchor < 0 ? -1 : page.indexOf(kEndDelimiter, anchor + 3);
    const qsizetype start = anchor < 0 ? -1 : addressStart(page, anchor);
    if (end < 0 || start < 0)
        return std::nullopt;
    from = end;
    return page.mid(start, end - start);
}

} // namespace

ScanResult scanPage(const QString &page, const ScanInput &input, RunValues &run)
{
    ScanResult result;
    qsizetype from = 0;
    for (int slot = 1; slot <= kResultsPerPage; ++slot) {
        const std::optional<QString> link = nextClassicLink(page, from);
        if (link && link->isEmpty()) {
            // The engine's page that says the search found nothing ends the
            // results too: a page after the last the engine counted.
            if (slot == 1 && !saysNoResults(page))
                result.outcome = ScanOutcome::PageIgnored;
            else
                endWithNotFound(result, ScanOutcome::EndOfResults, ReportColour::DarkGreen, input);
            return result;
        }
        if (!link) {
            endWithNotFound(result, ScanOutcome::Failed, ReportColour::Red, input);
            return result;
        }
        if (takeLink(*link, input, run, result))
            return result;
    }
    endOfPage(input, run, result);
    return result;
}

QStringList classicResults(const QString &page)
{
    QStringList links;
    qsizetype from = 0;
    for (int slot = 1; slot <= kResultsPerPage; ++slot) {
        const std::optional<QString> link = nextClassicLink(page, from);
        if (!link || link->isEmpty())
            break;
        links.append(*link);
    }
    return links;
}

ScanResult scanResults(const QStringList &addresses, bool hasNextPage, const ScanInput &input, RunValues &run)
{
    ScanResult result;
    for (const QString &address : addresses) {
        if (takeLink(address, input, run, result))
            return result;
    }
    if (!hasNextPage || addresses.isEmpty()) {
        endWithNotFound(result, ScanOutcome::EndOfResults, ReportColour::DarkGreen, input);
        return result;
    }
    endOfPage(input, run, result);
    return result;
}

bool saysNoResults(const QString &page)
{
    static const QRegularExpression form(QStringLiteral("<form\\b[^>]*\\saction=(\"[^\"]*\"|[^\\s>]*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    for (QRegularExpressionMatchIterator forms = form.globalMatch(page); forms.hasNext();) {
        QString action = forms.next().captured(1);
        action.remove(QLatin1Char('"'));
        if (!action.endsWith(QLatin1String("/search")))
            return false;
    }
    if (page.contains(QLatin1String("captcha"), Qt::CaseInsensitive))
        return false;
    // The message right after a tag; the phrase between, as long as a phrase
    // can be, may be in bold.
    static const QRegularExpression message(
        QStringLiteral(">\\s*(?:La ricerca di|Your search -)((?:[^<]|<(?:/?(?:b|em|span|strong))>)+?)"
                       "(?:non ha prodotto (?:alcun )?risultat|did not match any documents)"));
    for (QRegularExpressionMatchIterator found = message.globalMatch(page); found.hasNext();) {
        if (found.next().capturedLength(1) <= 2100)
            return true;
    }
    return false;
}

bool hasClassicHeading(const QString &page)
{
    // The page text writes a bare class value; other attributes may stand before it.
    static const QRegularExpression heading(QStringLiteral("<h3(?:\\s[^>]*)?\\sclass=r[\\s>]"));
    return heading.match(page).hasMatch();
}

bool isClassicPage(const QString &page)
{
    return page.size() > kLongestTextPassedOver && hasClassicHeading(page);
}

} // namespace Scanner
