#pragma once

#include "store/searchplace.h"

#include <QString>

// The window's device, country, language and place, in a settings file of
// their own beside the description's: "Opzioni di ricerca.ini".
namespace SearchOptionsFile {

// The options kept there; the defaults for a missing file or key, and for a
// device that is not one.
SearchPlace load(const QString &path);
// false when the file could not be written; the file kept before is then whole.
bool save(const QString &path, const SearchPlace &place);

} // namespace SearchOptionsFile
