#pragma once

#include <QString>

class QWidget;

// The position history is a library of its own, loaded when the user first
// opens it, so that the program starts without Qt Charts in memory. It
// exports one function of this type by this name: a new window, over
// `parent`, showing the result log at `logPath`.
using CreateHistoryWindow = QWidget *(*)(const QString &logPath, QWidget *parent);
inline constexpr char kCreateHistoryWindow[] = "cerca_create_history_window";

// And a window "Concorrenti" for one phrase, reading the archive at `archivePath`.
using CreateCompetitorsWindow = QWidget *(*)(const QString &archivePath, const QString &phrase, QWidget *parent);
inline constexpr char kCreateCompetitorsWindow[] = "cerca_create_competitors_window";
