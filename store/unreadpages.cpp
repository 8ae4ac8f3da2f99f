#include "store/unreadpages.h"

#include "store/savedfiles.h"

#include <QDir>
#include <QFileInfo>

namespace UnreadPages {

namespace {

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
    const QString base = QDir(folder).filePath(stamp + QLatin1Char(' ') + SavedFiles::namePart(phrase));
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
    QString problem = SavedFiles::write(path + QStringLiteral(".html"), markup);
    if (problem.isEmpty() && !picture.isEmpty())
        problem = SavedFiles::write(path + QStringLiteral(".png"), picture);
    removeOldest(folder);
    return problem;
}

} // namespace UnreadPages
