#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The program's text files: Windows-1252 with CR LF line ends, the bytes the
// Windows version of the program writes. A line that Windows-1252 cannot hold
// is written in UTF-8 instead, whole, so that no character is lost.
namespace TextFile {

QByteArray encodeLine(const QString &line);

// A line that is valid UTF-8 and holds non-ASCII characters is read as UTF-8;
// any other line as Windows-1252.
QString decodeLine(const QByteArray &bytes);

// Splits at CR LF, a lone LF or a lone CR. A line end at the very end of the
// data does not start another (empty) line; the last line may lack its end.
QList<QByteArray> splitLines(const QByteArray &data);

QStringList decodeLines(const QByteArray &data);
// Each line followed by CR LF.
QByteArray encodeLines(const QStringList &lines);

// nullopt when the file is missing or cannot be read.
std::optional<QStringList> readLines(const QString &path);

// Replaces the file with the given lines, each ended by CR LF. The old file
// stays whole unless the new content was written completely.
bool writeLines(const QString &path, const QStringList &lines);

// Appends one line and its CR LF, creating the file when it is missing.
bool appendLine(const QString &path, const QString &line);

} // namespace TextFile
