// A result-log line read back: building a line and reading it gives back the
// values that built it.
#include "fuzzcheck.h"
#include "search/scanner.h"
#include "store/outcomes.h"
#include "store/resultlog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> fields = fuzzFields(data, size, 3);
    ResultReport report;
    report.phrase = QString::fromUtf8(fields.at(0));
    const QString fragment = QString::fromUtf8(fields.at(1));
    report.lastAddress = QStringLiteral("http://") + QString::fromUtf8(fields.at(2));
    // What the reader cannot tell apart: a date block inside the fragment,
    // a second " - (" with a web address inside the address.
    if (fragment.contains(QStringLiteral(" < ")) || report.lastAddress.contains(QStringLiteral(" - (")))
        return 0;
    const bool found = size > 0 && (data[0] & 1);
    const qint64 position = size > 1 ? data[1] : 0;
    report.report = found ? Scanner::foundMessage(fragment, position + 1) : Scanner::notFoundMessage(fragment);
    if (found || (size > 2 && (data[2] & 1)))
        report.position = found ? position + 1 : position;
    report.engine = QStringLiteral("Google");
    report.italianOnly = size > 3 && (data[3] & 1);
    const QDateTime now(QDate(2024, 5, 17), QTime(14, 3, 9));

    const std::optional<QString> line = ResultLog::buildLine(report, now, QStringLiteral("/"));
    FUZZ_CHECK(line.has_value());
    const std::optional<Outcome> read = Outcomes::readLine(*line);
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(read->phrase == report.phrase);
    FUZZ_CHECK(read->when == now);
    FUZZ_CHECK(read->italianOnly == report.italianOnly);
    FUZZ_CHECK(read->engine == report.engine);
    FUZZ_CHECK(read->found() == found);
    QString written = fragment;
    if (found) {
        written.replace(QStringLiteral(" trovato nella posizione"), QStringLiteral(" pos."));
        FUZZ_CHECK(read->position == report.position);
        FUZZ_CHECK(read->address == report.lastAddress);
    } else {
        written.replace(QLatin1Char('!'), QLatin1Char(','));
        FUZZ_CHECK(read->checked == report.position);
        FUZZ_CHECK(!read->address.has_value());
    }
    FUZZ_CHECK(read->fragment == written);
    return 0;
}
