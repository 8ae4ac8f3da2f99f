#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Our stand-in for Notepad: which program opens a text file for the user.
struct EditorCommand
{
    QString program;
    QStringList arguments;

    bool operator==(const EditorCommand &) const = default;
};

namespace Editor {

// Graphical text editors tried in this order when nothing else is named.
QStringList knownEditors();

// editorVariable: the value of CERCA_POSIZIONE_EDITOR ("" when unset);
// findProgram: the search-path lookup, "" when the program is not found.
std::optional<EditorCommand> commandFor(const QString &filePath, const QString &editorVariable,
                                        bool onWindows,
                                        const std::function<QString(const QString &)> &findProgram);

// The command for this system and environment.
std::optional<EditorCommand> commandFor(const QString &filePath);

} // namespace Editor
