#pragma once

#include "model/runrecords.h"

#include <QString>

class QSqlQuery;
class QVariant;

// How the archive's values are written in its rows, and how its rows read
// back as the model's values: for the archive's jobs, and its spool.
namespace ArchiveRows {

// Times in UTC with milliseconds, "2026-12-08T10:00:01.250Z"; none: empty.
QString timeText(const QDateTime &time);
QDateTime timeOf(const QVariant &text);

// "classica", "attuale", "non letta": how a page was read. The spool wrote
// "oggi" for "attuale" before, which reads as it.
inline const QString kUnreadName = QStringLiteral("non letta");
QString readingName(PageReading reading);
PageReading readingNamed(const QString &name);

// The run's columns (of `runs r`), as runOf() reads them from the query's first.
extern const QString kRunColumns;
constexpr int kRunColumnCount = 13;
ArchivedRun runOf(const QSqlQuery &query);

// The picture's columns (of `pictures pic`), read from the query's `first`.
extern const QString kPictureColumns;
ArchivedPicture pictureOf(const QSqlQuery &query, int first);

} // namespace ArchiveRows
