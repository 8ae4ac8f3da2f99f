#pragma once

#include "model/runvalues.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the scan of one results page reads from the window.
struct ScanInput
{
    QString fragment;       // Text1(1)
    QString pageLimit;      // Text1(2): pages of ten results
    bool continueMode = false;
    bool stopRequested = false; // Command1 reads "Avvia"
};

enum class ScanOutcome {
    Found,         // a hit ends the run
    EndOfResults,  // the results ran out on this page
    PageIgnored,   // no result on the page at all: the run waits
    LimitOrStop,   // page end at the page limit, or after a stop
    NextPage,      // page end: the next page is wanted
    Failed,        // limit not a number, or an address that could not be cut out
};

enum class ReportColour { Unchanged, DarkGreen, Red };

struct ScanResult
{
    ScanOutcome outcome = ScanOutcome::PageIgnored;
    QStringList entries;            // appended to List1, in order
    QStringList hits;               // appended to List3 (continue mode)
    std::optional<QString> report;  // Label1's new caption
    ReportColour colour = ReportColour::Unchanged;

    bool endsRun() const;           // Command1 back to "Avvia", and a beep
    bool wantsNextPage() const { return outcome == ScanOutcome::NextPage; }
};

namespace Scanner {

inline constexpr int kResultsPerPage = 10;

QString foundMessage(const QString &fragment, qint64 position);
QString notFoundMessage(const QString &fragment);

// The page limit times ten; nullopt when the limit is no number or too large.
std::optional<double> offsetLimit(const QString &pageLimit);

// Reads up to ten result links of one page, updating the run values.
ScanResult scanPage(const QString &page, const ScanInput &input, RunValues &run);

// The result links scanPage reads from the page, up to ten, whatever the
// fragment.
QStringList classicResults(const QString &page);

// Whether the page is the search engine's own page saying that the search
// found nothing ("La ricerca di - ... - non ha prodotto risultati in nessun
// documento.", "Your search - ... - did not match any documents."): the
// message opens a block of the page, and the page asks nothing (no form but
// the search's own, no check). A consent or check page never passes.
bool saysNoResults(const QString &page);

// Whether the page holds a heading of the classic results pages (an h3 whose
// class is "r" alone): those pages are read by scanPage, byte for byte.
bool hasClassicHeading(const QString &page);

// A page text of this many characters or fewer is never read as a classic
// results page, whatever it holds: a blank or error document is passed over,
// as it always was.
inline constexpr qsizetype kLongestTextPassedOver = 100;

// Whether a page text is read by scanPage: longer than the texts passed
// over, with a classic heading.
bool isClassicPage(const QString &page);

// Reads the organic results of a page in today's markup, already picked out
// and in page order, with the same entries, messages and run values as
// scanPage. The results run out on a page without a next page, whatever the
// number of results on it, and on a page without results (an empty list).
ScanResult scanResults(const QStringList &addresses, bool hasNextPage, const ScanInput &input, RunValues &run);

} // namespace Scanner
