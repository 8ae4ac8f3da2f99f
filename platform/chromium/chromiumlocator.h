#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Where the system's Chromium (or Chrome, or Edge) is found.
namespace ChromiumLocator {

// The package that brings the browser on this kind of system, for the note
// that asks the user to install it.
QString packageHint();

// The names looked up on the search path, and the fixed places, in order.
QStringList commandNames();
QStringList fixedPlaces();

// CERCA_POSIZIONE_CHROMIUM when set, else the first command on the search
// path, else the first fixed place that exists; empty when there is none.
// `exists` and `onPath` stand in for the file system in tests.
QString find(const QString &chosen, const std::function<QString(const QString &)> &onPath,
             const std::function<bool(const QString &)> &exists);
QString find();

} // namespace ChromiumLocator
