#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The pages the reader could not place, kept whole in a folder of their own
// ("Pagine non lette" in the data folder): the markup and a picture of the
// first screen, named by the time and the phrase. Only the latest are kept.
namespace UnreadPages {

inline constexpr int kKept = 50;

// The path, without extension, the page of this phrase read at this time is
// kept under: "FOLDER/2026-12-08 14.03.22 bimby".
QString pathFor(const QString &folder, const QDateTime &when, const QString &phrase);

// Writes PATH.html and, when there is one, PATH.png, then removes the oldest
// pages past kKept. An empty string when both were written, or what failed.
QString keep(const QString &path, const QByteArray &markup, const QByteArray &picture);

} // namespace UnreadPages
