#include "platform/editorcommand.h"

#include <QStandardPaths>

namespace Editor {

QStringList knownEditors()
{
    return {QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"), QStringLiteral("kate"),
            QStringLiteral("kwrite"), QStringLiteral("mousepad"), QStringLiteral("pluma"),
            QStringLiteral("xed"), QStringLiteral("featherpad"), QStringLiteral("leafpad")};
}

std::optional<EditorCommand> commandFor(const QString &filePath, const QString &editorVariable,
                                        bool onWindows,
                                        const std::function<QString(const QString &)> &findProgram)
{
    const QStringList arguments{filePath};
    if (!editorVariable.isEmpty())
        return EditorCommand{editorVariable, arguments};
    if (onWindows)
        return EditorCommand{QStringLiteral("notepad.exe"), arguments};
    for (const QString &editor : knownEditors()) {
        const QString found = findProgram(editor);
        if (!found.isEmpty())
            return EditorCommand{found, arguments};
    }
    const QString opener = findProgram(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        return EditorCommand{opener, arguments};
    return std::nullopt;
}

std::optional<EditorCommand> commandFor(const QString &filePath)
{
#ifdef Q_OS_WIN
    const bool onWindows = true;
#else
    const bool onWindows = false;
#endif
    return commandFor(filePath, qEnvironmentVariable("CERCA_POSIZIONE_EDITOR"), onWindows,
                      [](const QString &name) { return QStandardPaths::findExecutable(name); });
}

} // namespace Editor
