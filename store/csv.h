#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Rows of comma-separated values as RFC 4180 writes them, in UTF-8 with CR LF.
namespace Csv {

QByteArray field(const QString &text);
QByteArray row(const QStringList &fields);

} // namespace Csv
