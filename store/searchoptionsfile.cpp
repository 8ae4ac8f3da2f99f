#include "store/searchoptionsfile.h"

#include <QSettings>

namespace SearchOptionsFile {

SearchOptions load(const QString &path)
{
    const QSettings file(path, QSettings::IniFormat);
    SearchOptions options;
    bool number = false;
    const int kept = file.value(QStringLiteral("ricerca/prove")).toInt(&number);
    if (number && kept >= 0)
        options.picturesKept = kept;
    SearchPlace &place = options.place;
    place.device = SearchPlaces::deviceNamed(file.value(QStringLiteral("ricerca/dispositivo")).toString())
                       .value_or(place.device);
    place.country = file.value(QStringLiteral("ricerca/paese"), place.country).toString();
    place.language = file.value(QStringLiteral("ricerca/lingua"), place.language).toString();
    place.place = file.value(QStringLiteral("ricerca/luogo")).toString();
    options.archive = file.value(QStringLiteral("archivio/indirizzo")).toString();
    const int settle = file.value(QStringLiteral("ricerca/attesa-lettura")).toInt(&number);
    if (number && settle >= 0 && settle <= Settling::kLongestSeconds)
        options.settleSeconds = settle;
    return options;
}

bool save(const QString &path, const SearchOptions &options)
{
    const SearchPlace &place = options.place;
    // QSettings writes a new file and renames it over the old one.
    QSettings file(path, QSettings::IniFormat);
    file.setValue(QStringLiteral("ricerca/dispositivo"), SearchPlaces::deviceName(place.device));
    file.setValue(QStringLiteral("ricerca/paese"), place.country);
    file.setValue(QStringLiteral("ricerca/lingua"), place.language);
    file.setValue(QStringLiteral("ricerca/luogo"), place.place);
    file.setValue(QStringLiteral("ricerca/prove"), options.picturesKept);
    file.setValue(QStringLiteral("ricerca/attesa-lettura"), options.settleSeconds);
    if (options.archive.isEmpty())
        file.remove(QStringLiteral("archivio"));
    else
        file.setValue(QStringLiteral("archivio/indirizzo"), options.archive);
    file.sync();
    return file.status() == QSettings::NoError;
}

} // namespace SearchOptionsFile
