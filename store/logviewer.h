#pragma once

#include <QString>
#include <QStringList>

namespace LogViewer {

// The entries the saved-data list shows for the result log: every non-empty
// line, in the list's sorted order. A missing or unreadable log gives none.
QStringList entries(const QString &logPath);

} // namespace LogViewer
