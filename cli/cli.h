#pragma once

#include "cli/commandline.h"

#include <QString>

// The program without a window: a list of phrases, the archive's export,
// the help and the version. It links no widget library and needs no display.
namespace Cli {

// The folder the program keeps its files in: beside the executable, or the
// per-user data folder for an installed copy.
QString dataFolderPath();

// The archive the command line names, or the one the search options name.
QString archiveOf(const CommandLine &line, const QString &dataFolder);

// Runs what the command line asks for, but the window, and returns the
// program's exit status.
int run(const CommandLine &line, int argc, char *argv[]);

} // namespace Cli
