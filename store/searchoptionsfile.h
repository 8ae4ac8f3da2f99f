#pragma once

#include "store/runpictures.h"
#include "model/searchplace.h"
#include "model/settling.h"

#include <QString>

// The window's search options: where and on what the searches are made, and
// how many pictures of what the runs saw are kept for each series.
struct SearchOptions
{
    SearchPlace place;
    int picturesKept = RunPictures::kKeptByDefault;
    // A shared archive ("postgresql://USER@HOST:PORT/DB"); empty: the file
    // in the data folder.
    QString archive;
    // How long a page may take to settle after its load before it is read,
    // in seconds ("ricerca/attesa-lettura"): 0 to Settling::kLongestSeconds.
    int settleSeconds = Settling::kDefaultSeconds;

    bool operator==(const SearchOptions &) const = default;
};

// The options, in a settings file of their own beside the description's:
// "Opzioni di ricerca.ini".
namespace SearchOptionsFile {

// The options kept there; the defaults for a missing file or key, and for a
// device or a number that is not one (or out of its range).
SearchOptions load(const QString &path);
// false when the file could not be written; the file kept before is then whole.
bool save(const QString &path, const SearchOptions &options);

} // namespace SearchOptionsFile
