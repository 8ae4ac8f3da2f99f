#include "store/settingsfile.h"

#include "store/textfile.h"

namespace SettingsFile {

std::optional<Settings> fromLines(const QStringList &lines)
{
    if (lines.size() < 2)
        return std::nullopt;
    return Settings{lines.at(0), lines.at(1), lines.mid(2)};
}

QStringList toLines(const Settings &settings)
{
    QStringList lines{settings.fragment, settings.pageLimit};
    for (const QString &phrase : settings.history) {
        if (!phrase.isEmpty())
            lines.append(phrase);
    }
    return lines;
}

std::optional<Settings> load(const QString &path)
{
    const std::optional<QStringList> lines = TextFile::readLines(path);
    return lines ? fromLines(*lines) : std::nullopt;
}

bool save(const QString &path, const Settings &settings)
{
    return TextFile::writeLines(path, toLines(settings));
}

} // namespace SettingsFile
