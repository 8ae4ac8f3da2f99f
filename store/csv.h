#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Rows of comma-separated values as RFC 4180 writes them, in UTF-8 with CR
// LF, for the spreadsheets people open them in. Every export writes its
// fields here.
namespace Csv {

// A field of text, shown by a spreadsheet as it stands: quoted when it holds
// a comma, a quote or a line's end; one that begins as a formula does (with
// =, +, -, @, a tab or a carriage return: a phrase, an address or a title
// from someone else's page may) is written after an apostrophe, which the
// spreadsheet takes for "text" and does not show. Nothing of this program
// reads these files back; a reader would take one apostrophe off a field
// that begins with it and then with one of those.
QByteArray field(const QString &text);
// A whole number, read by a spreadsheet as one: -3 stays minus three.
// `withSign`: a change, "+3" for three up.
QByteArray number(qint64 value, bool withSign = false);

// A row of fields written by field() and number().
QByteArray rowOf(const QList<QByteArray> &fields);
// A row of text fields.
QByteArray row(const QStringList &texts);

} // namespace Csv
