#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The pictures of what each run saw, beside the archive ("Pagine viste" in
// the data folder): a folder for each series (a phrase, with its device and
// place), a JPEG for each run named by its time. Only the latest of each
// series are kept.
namespace RunPictures {

inline constexpr int kKeptByDefault = 10;

// "FOLDER/bimby [smartphone, Milan]/2026-12-08 14.03.22.jpg"
QString pathFor(const QString &folder, const QString &series, const QDateTime &when);

// Writes the picture whole, then removes the series' oldest past `kept`. An
// empty string, or what failed.
QString keep(const QString &path, const QByteArray &jpeg, int kept);

} // namespace RunPictures
