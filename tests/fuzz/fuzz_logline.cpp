// The result-log line, built from arbitrary captions, phrases and addresses.
#include "fuzzcheck.h"
#include "store/resultlog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> fields = fuzzFields(data, size, 4);
    ResultReport report;
    report.phrase = QString::fromUtf8(fields.at(0));
    report.report = QString::fromUtf8(fields.at(1));
    report.lastAddress = QString::fromUtf8(fields.at(2));
    report.engine = QStringLiteral("Google");
    report.italianOnly = size > 0 && (data[0] & 1);
    if (size > 1 && (data[1] & 1))
        report.position = qint64(fields.at(3).size());
    const QDateTime now(QDate(2024, 5, 17), QTime(14, 3, 9));

    const std::optional<QString> line = ResultLog::buildLine(report, now, QStringLiteral("/"));
    FUZZ_CHECK(line.has_value() == !report.report.isEmpty());
    if (!line)
        return 0;
    FUZZ_CHECK(line->startsWith(report.phrase));
    FUZZ_CHECK(line->endsWith(report.italianOnly ? QStringLiteral(" (con Google solo ita.)")
                                                 : QStringLiteral(" (con Google )")));
    FUZZ_CHECK(line->contains(QStringLiteral(" < 2024/05/17 - 14:03:09 > ")));
    const bool notFound = report.report.right(12) == QLatin1String("non trovato!");
    FUZZ_CHECK(line->contains(QStringLiteral(" ultima posizione controllata ")) || !notFound);
    if (notFound) {
        QString caption = report.report;
        caption.replace(QLatin1Char('!'), QLatin1Char(','));
        FUZZ_CHECK(line->contains(QStringLiteral(" > ") + caption + QStringLiteral(" ultima posizione controllata ")));
    }
    else
        FUZZ_CHECK(line->startsWith(report.phrase + QStringLiteral(" - (") + report.lastAddress + QLatin1Char(')')));
    return 0;
}
