#pragma once

#include <QString>
#include <qnamespace.h>

// Rules of the found-sites list and its popup menu.
namespace FoundSites {

// The address of an entry "12 - address": what follows its first "-" and the
// character after it. Empty when nothing follows.
QString entryAddress(const QString &entry);

// The popup opens on the right button only, and only over a selected entry.
bool offersPopup(Qt::MouseButton button, int selectedIndex);

QString resultsPageCaption(const QString &engine);

} // namespace FoundSites
