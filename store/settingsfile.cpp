#include "store/settingsfile.h"

#include "store/textfile.h"

namespace SettingsFile {

std::optional<Settings> load(const QString &path)
{
    const std::optional<QStringList> lines = TextFile::readLines(path);
    if (!lines || lines->size() < 2)
        return std::nullopt;
    Settings settings;
    settings.fragment = lines->at(0);
    settings.pageLimit = lines->at(1);
    settings.history = lines->mid(2);
    return settings;
}

bool save(const QString &path, const Settings &settings)
{
    QStringList lines{settings.fragment, settings.pageLimit};
    for (const QString &phrase : settings.history) {
        if (!phrase.isEmpty())
            lines.append(phrase);
    }
    return TextFile::writeLines(path, lines);
}

} // namespace SettingsFile
