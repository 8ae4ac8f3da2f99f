#include "store/archivecsv.h"

#include "store/archive.h"
#include "store/csv.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace ArchiveCsv {

QString write(const Archive &archive, const QString &phrase, const QString &file)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    out.write(Csv::row({QStringLiteral("data e ora"), QStringLiteral("frase"), QStringLiteral("posizione"),
                        QStringLiteral("indirizzo"), QStringLiteral("host"), QStringLiteral("titolo"),
                        QStringLiteral("esito"), QStringLiteral("dispositivo"), QStringLiteral("paese"),
                        QStringLiteral("lingua"), QStringLiteral("luogo"), QStringLiteral("pagina vista")}));
    const bool read = archive.forEachResult(phrase, [&out](const Archive::ResultRow &row) {
        out.write(Csv::row({row.run->started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), row.run->phrase,
                            QString::number(row.result->position), row.result->address,
                            QUrl(row.result->address).host(), row.result->title,
                            RunEnds::describe(row.run->end, row.run->position),
                            SearchPlaces::deviceName(row.run->place.device), row.run->place.country,
                            row.run->place.language, row.run->place.place,
                            row.run->picture ? QFileInfo(row.run->picture->file).fileName() : QString()}));
    });
    if (!read)
        return archive.problem();
    if (!out.commit())
        return out.errorString();
    return QString();
}

} // namespace ArchiveCsv
