#pragma once

#include <QByteArray>
#include <QString>

// Files the program keeps beside its data: names any system can hold, and
// writes that never leave half a file.
namespace SavedFiles {

// A phrase as part of a file name: no separators, quotes, wildcards or
// control characters, at most 60 characters, no dot or space at the end.
QString namePart(const QString &text);

// Writes the file whole or not at all; an empty string, or what failed.
QString write(const QString &path, const QByteArray &bytes);

} // namespace SavedFiles
