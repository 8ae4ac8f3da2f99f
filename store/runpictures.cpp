#include "store/runpictures.h"

#include "store/savedfiles.h"

#include <QDir>
#include <QFileInfo>

namespace RunPictures {

QString pathFor(const QString &folder, const QString &series, const QDateTime &when)
{
    const QDir dir(QDir(folder).filePath(SavedFiles::namePart(series)));
    const QString base = dir.filePath(when.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")));
    QString path = base + QStringLiteral(".jpg");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral(" (%1).jpg").arg(n);
    return path;
}

QString keep(const QString &path, const QByteArray &jpeg, int kept)
{
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder))
        return QStringLiteral("%1: impossibile creare la cartella").arg(QDir::toNativeSeparators(folder));
    const QString problem = SavedFiles::write(path, jpeg);
    // The names begin with the time, so that their order is the runs' order.
    const QDir dir(folder);
    const QStringList pictures = dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + kept < pictures.size(); ++i)
        QFile::remove(dir.filePath(pictures[i]));
    return problem;
}

} // namespace RunPictures
