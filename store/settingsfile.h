#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Salvataggio.cfg: line 1 the address fragment, line 2 the page limit, then
// one search phrase per line in the history's order.
struct Settings
{
    QString fragment;
    QString pageLimit;
    QStringList history; // as the file lists them, empty lines included
};

namespace SettingsFile {

// The settings held by a file's lines; nullopt for fewer than two lines.
std::optional<Settings> fromLines(const QStringList &lines);
// The lines written for the settings: empty history entries are left out.
QStringList toLines(const Settings &settings);

// nullopt for a missing or unreadable file, or one of fewer than two lines:
// then nothing is to be changed.
std::optional<Settings> load(const QString &path);

// Writes fragment, limit and the non-empty history entries.
bool save(const QString &path, const Settings &settings);

} // namespace SettingsFile
