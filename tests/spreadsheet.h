#pragma once

// A CSV file the program wrote, as a spreadsheet opens it: the fields of each
// row as RFC 4180 splits them, and each field taken, by how it begins, for a
// number, a formula, or text.

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace Spreadsheet {

inline QList<QStringList> rows(const QByteArray &csv)
{
    const QString text = QString::fromUtf8(csv);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (quoted && c == u'"' && next == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u',') {
            row << std::exchange(field, QString());
        } else if (!quoted && c == u'\r' && next == u'\n') {
            row << std::exchange(field, QString());
            rows << std::exchange(row, QStringList());
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

enum class Seen { Text, Number, Formula };

inline Seen seen(const QString &field)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+([.,][0-9]+)?$"));
    if (number.match(field).hasMatch())
        return Seen::Number;
    if (!field.isEmpty() && QStringLiteral("=+-@\t\r").contains(field.front()))
        return Seen::Formula;
    return Seen::Text;
}

// What it shows of a text field: an apostrophe in front only says "text".
inline QString shown(const QString &field)
{
    return field.startsWith(u'\'') ? field.mid(1) : field;
}

} // namespace Spreadsheet
