#pragma once

#include <QString>

class Archive;

namespace ArchiveCsv {

// Writes one row per archived result (run time, phrase, position, address,
// host, title, the run's outcome) as UTF-8 CSV to `file`, of one phrase or
// of all (empty), as the newest reading of each page has it; with
// `everyReading`, the readings re-readings replaced too, each row with its
// reader's version and whether it is the newest. The file is replaced only
// once the whole of it is written. An empty string when done, or what went
// wrong.
QString write(Archive &archive, const QString &phrase, const QString &file, bool everyReading = false);

} // namespace ArchiveCsv
