#include "store/csv.h"

#include <QList>

namespace Csv {

QByteArray field(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

QByteArray row(const QStringList &fields)
{
    QList<QByteArray> written;
    for (const QString &text : fields)
        written.append(field(text));
    return written.join(',') + "\r\n";
}

} // namespace Csv
