// A found-sites entry: its address, and the offset of its results page.
#include "app/foundsites.h"
#include "fuzzcheck.h"
#include "search/queryaddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString entry = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString address = FoundSites::entryAddress(entry);
    FUZZ_CHECK(entry.endsWith(address));
    FUZZ_CHECK(address.size() < qMax<qsizetype>(entry.size(), 1));

    const std::optional<qint64> offset = QueryAddress::pageOffsetOfEntry(entry);
    if (offset) {
        FUZZ_CHECK(*offset >= 0 && *offset % 10 == 0);
        const qint64 position = entry.left(entry.indexOf(QLatin1Char('-')) - 1).toLongLong();
        FUZZ_CHECK(position - *offset >= 0 && position - *offset < 10);
        const std::optional<QString> page = QueryAddress::resultsPageOfEntry(QStringLiteral("h"), QStringLiteral("q\""), entry);
        FUZZ_CHECK(page && page->endsWith(QStringLiteral("&start=") + QString::number(*offset) + QStringLiteral("&sa=N")));
    }
    return 0;
}
