#include "store/unreadpages.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace UnreadPages {

namespace {

// What a file name can hold on every system: no separators, quotes,
// wildcards or control characters, and no dot or space at the end.
QString fileNamePart(const QString &phrase)
{
    QString part;
    for (const QChar c : phrase.left(60)) {
        const bool unsafe = c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c);
        part += unsafe ? QLatin1Char('_') : c;
    }
    while (part.endsWith(QLatin1Char('.')) || part.endsWith(QLatin1Char(' ')))
        part.chop(1);
    return part;
}

QString write(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return QString();
}

void removeOldest(const QString &folder)
{
    // The names begin with the time, so that their order is the pages' order.
    const QDir dir(folder);
    const QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + kKept < pages.size(); ++i) {
        const QString base = QFileInfo(pages[i]).completeBaseName();
        QFile::remove(dir.filePath(pages[i]));
        QFile::remove(dir.filePath(base + QStringLiteral(".png")));
    }
}

} // namespace

QString pathFor(const QString &folder, const QDateTime &when, const QString &phrase)
{
    const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QString base = QDir(folder).filePath(stamp + QLatin1Char(' ') + fileNamePart(phrase));
    QString path = base;
    for (int n = 2; QFileInfo::exists(path + QStringLiteral(".html")); ++n)
        path = base + QStringLiteral(" (%1)").arg(n);
    return path;
}

QString keep(const QString &path, const QByteArray &markup, const QByteArray &picture)
{
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder))
        return QStringLiteral("%1: impossibile creare la cartella").arg(QDir::toNativeSeparators(folder));
    QString problem = write(path + QStringLiteral(".html"), markup);
    if (problem.isEmpty() && !picture.isEmpty())
        problem = write(path + QStringLiteral(".png"), picture);
    removeOldest(folder);
    return problem;
}

} // namespace UnreadPages
