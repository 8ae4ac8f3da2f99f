#include "platform/chromium/chromiumlocator.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

namespace ChromiumLocator {

QString packageHint()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return QStringLiteral("Google Chrome o Microsoft Edge");
#else
    return QStringLiteral("il pacchetto \"chromium\" (sudo apt install chromium)");
#endif
}

QStringList commandNames()
{
    return {QStringLiteral("chromium"), QStringLiteral("chromium-browser"), QStringLiteral("google-chrome"),
            QStringLiteral("google-chrome-stable")};
}

QStringList fixedPlaces()
{
#if defined(Q_OS_WIN)
    QStringList places;
    const QStringList roots{qEnvironmentVariable("ProgramFiles"), qEnvironmentVariable("ProgramFiles(x86)"),
                            qEnvironmentVariable("LOCALAPPDATA")};
    for (const QString &root : roots) {
        if (root.isEmpty())
            continue;
        places << QDir(root).filePath(QStringLiteral("Google/Chrome/Application/chrome.exe"))
               << QDir(root).filePath(QStringLiteral("Chromium/Application/chrome.exe"))
               << QDir(root).filePath(QStringLiteral("Microsoft/Edge/Application/msedge.exe"));
    }
    return places;
#elif defined(Q_OS_MACOS)
    const QString home = QDir::homePath();
    return {QStringLiteral("/Applications/Google Chrome.app/Contents/MacOS/Google Chrome"),
            QStringLiteral("/Applications/Chromium.app/Contents/MacOS/Chromium"),
            QStringLiteral("/Applications/Microsoft Edge.app/Contents/MacOS/Microsoft Edge"),
            home + QStringLiteral("/Applications/Google Chrome.app/Contents/MacOS/Google Chrome"),
            home + QStringLiteral("/Applications/Chromium.app/Contents/MacOS/Chromium")};
#else
    return {QStringLiteral("/usr/bin/chromium"), QStringLiteral("/usr/lib/chromium/chromium"),
            QStringLiteral("/snap/bin/chromium"), QStringLiteral("/opt/google/chrome/chrome")};
#endif
}

QString find(const QString &chosen, const std::function<QString(const QString &)> &onPath,
             const std::function<bool(const QString &)> &exists)
{
    if (!chosen.trimmed().isEmpty())
        return exists(chosen) ? chosen : QString();
    for (const QString &name : commandNames()) {
        const QString found = onPath(name);
        if (!found.isEmpty())
            return found;
    }
    for (const QString &place : fixedPlaces()) {
        if (exists(place))
            return place;
    }
    return QString();
}

QString find()
{
    return find(
        qEnvironmentVariable("CERCA_POSIZIONE_CHROMIUM"),
        [](const QString &name) { return QStandardPaths::findExecutable(name); },
        [](const QString &path) {
            const QFileInfo info(path);
            return info.isFile() && info.isExecutable();
        });
}

} // namespace ChromiumLocator
