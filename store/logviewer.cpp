#include "store/logviewer.h"

#include "store/listorder.h"
#include "store/textfile.h"

namespace LogViewer {

QStringList entries(const QString &logPath)
{
    QStringList lines = TextFile::readLines(logPath).value_or(QStringList());
    lines.removeAll(QString());
    ListOrder::sort(lines);
    return lines;
}

} // namespace LogViewer
