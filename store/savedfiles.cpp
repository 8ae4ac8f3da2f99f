#include "store/savedfiles.h"

#include <QDir>
#include <QSaveFile>

namespace SavedFiles {

QString namePart(const QString &text)
{
    QString part;
    for (const QChar c : text.left(60)) {
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

} // namespace SavedFiles
