#include "store/archivecsv.h"

#include "store/archivereports.h"
#include "store/csv.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace ArchiveCsv {

QString write(Archive &archive, const QString &phrase, const QString &file, bool everyReading)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    QStringList header{QStringLiteral("data e ora"), QStringLiteral("frase"), QStringLiteral("posizione"),
                       QStringLiteral("indirizzo"), QStringLiteral("host"), QStringLiteral("titolo"),
                       QStringLiteral("esito"), QStringLiteral("dispositivo"), QStringLiteral("paese"),
                       QStringLiteral("lingua"), QStringLiteral("luogo"), QStringLiteral("pagina vista")};
    if (everyReading)
        header << QStringLiteral("lettore") << QStringLiteral("lettura");
    out.write(Csv::row(header));
    const auto readings = everyReading ? ArchiveReports::Readings::Every : ArchiveReports::Readings::Newest;
    const Result<void> read = ArchiveReports(archive).forEachResult(phrase, [&](const ArchiveReports::ResultRow &row) {
        const auto text = [](const QString &text) { return Csv::field(text); };
        QList<QByteArray> fields{text(row.run->started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))), text(row.run->phrase),
                                 Csv::number(row.result->position), text(row.result->address),
                                 text(QUrl(row.result->address).host()), text(row.result->title),
                                 text(RunEnds::describe(row.run->end, row.run->position)),
                                 text(SearchPlaces::deviceName(row.run->place.device)), text(row.run->place.country),
                                 text(row.run->place.language), text(row.run->place.place),
                                 text(row.run->picture ? QFileInfo(row.run->picture->file).fileName() : QString())};
        if (everyReading)
            fields << Csv::number(row.reader) << text(row.newest ? QStringLiteral("più recente") : QStringLiteral("sostituita"));
        out.write(Csv::rowOf(fields));
    }, readings);
    if (!read)
        return read.error();
    if (!out.commit())
        return out.errorString();
    return QString();
}

} // namespace ArchiveCsv
