#pragma once

#include <QString>

// Sends Qt's own messages (warnings from the platform, the browser's layer)
// to a log file instead of standard error, for runs whose output is read by
// other programs: the command line writes only its own lines.
namespace MessageLog {

// From now on, messages are kept until the file is known.
void install();
// Where they go, the kept ones first.
void setFile(const QString &logFile);

} // namespace MessageLog
