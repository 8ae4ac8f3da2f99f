#include "store/csv.h"

namespace Csv {

QByteArray field(const QString &text)
{
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    QByteArray field = text.toUtf8();
    if (!text.isEmpty() && kFormulaStarts.contains(text.front()))
        field.prepend('\'');
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

QByteArray number(qint64 value, bool withSign)
{
    return (withSign && value > 0 ? QByteArray("+") : QByteArray()) + QByteArray::number(value);
}

QByteArray rowOf(const QList<QByteArray> &fields)
{
    return fields.join(',') + "\r\n";
}

QByteArray row(const QStringList &texts)
{
    QList<QByteArray> fields;
    for (const QString &text : texts)
        fields.append(field(text));
    return rowOf(fields);
}

} // namespace Csv
