// The page scan, fed arbitrary page texts, fragments and limits.
#include "fuzzcheck.h"
#include "search/scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> fields = fuzzFields(data, size, 3);
    const QString page = QString::fromUtf8(fields.at(0));
    const QString fragment = QString::fromUtf8(fields.at(1));
    const QString limit = QString::fromUtf8(fields.at(2));
    const bool continueMode = size > 0 && (data[0] & 1);
    const bool stop = size > 0 && (data[0] & 2);

    RunValues run{0, 0, std::nullopt};
    const ScanResult result = Scanner::scanPage(page, ScanInput{fragment, limit, continueMode, stop}, run);

    FUZZ_CHECK(result.entries.size() <= Scanner::kResultsPerPage);
    FUZZ_CHECK(run.contaPosizione == qint64(result.entries.size()));
    for (qsizetype i = 0; i < result.entries.size(); ++i) {
        const QString prefix = QString::number(i + 1) + QStringLiteral(" - ");
        FUZZ_CHECK(result.entries.at(i).startsWith(prefix));
        // Every address taken stands in the page.
        FUZZ_CHECK(page.contains(result.entries.at(i).mid(prefix.size())));
    }
    for (const QString &hit : result.hits) {
        FUZZ_CHECK(continueMode);
        FUZZ_CHECK(result.entries.contains(hit));
    }
    if (!result.entries.isEmpty())
        FUZZ_CHECK(result.entries.constLast().endsWith(*run.indirizzoCorrente));
    switch (result.outcome) {
    case ScanOutcome::PageIgnored:
        FUZZ_CHECK(result.entries.isEmpty() && !result.report && !result.endsRun());
        break;
    case ScanOutcome::Found:
        FUZZ_CHECK(!continueMode && run.indirizzoCorrente->contains(fragment));
        FUZZ_CHECK(*result.report == Scanner::foundMessage(fragment, *run.contaPosizione));
        break;
    case ScanOutcome::NextPage:
        FUZZ_CHECK(result.entries.size() == Scanner::kResultsPerPage && !stop && run.inizioPagina == 10);
        break;
    case ScanOutcome::EndOfResults:
    case ScanOutcome::LimitOrStop:
    case ScanOutcome::Failed:
        FUZZ_CHECK(*result.report == Scanner::notFoundMessage(fragment) && result.endsRun());
        break;
    }
    return 0;
}
