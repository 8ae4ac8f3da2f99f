#pragma once

#include <QString>
#include <QStringList>

class QSqlQuery;

// What SQLite and PostgreSQL each spell their own way; the rest of the
// archive's SQL is the same in both.
class ArchiveDialect
{
public:
    virtual ~ArchiveDialect() = default;

    // A file's (SQLite) and a shared archive's (PostgreSQL).
    static const ArchiveDialect &file();
    static const ArchiveDialect &server();

    // Written after an INSERT's values, so that the new row's id comes
    // back; and the id from the query that ran it.
    virtual QString returningId() const = 0;
    virtual qint64 insertedId(QSqlQuery &query) const = 0;
    // The database's clock in milliseconds since 1970, the same for every machine.
    virtual QString nowMilliseconds() const = 0;
    // Where `part` stands in `text`, from 1, case counting; 0 when it is not there.
    virtual QString positionIn(const QString &text, const QString &part) const = 0;
    // Begins a transaction that takes the write lock at once, so that a busy
    // archive is waited for at the start instead of failing halfway.
    virtual QString beginWriting() const = 0;
    // Inside a transaction: waits until no other machine's transaction holds
    // `key`. Empty where the write lock already keeps writers one at a time.
    virtual QString serialise(qint64 key) const = 0;
    // After a subquery's ORDER BY ... LIMIT that picks a row to update: rows
    // another machine is updating are passed over, not waited for.
    virtual QString passOverLocked() const = 0;

    // The schema: a step as this database takes it (the steps are written as
    // SQLite takes them), and where the archive keeps its step.
    virtual QString step(const char *sql) const = 0;
    virtual QString readVersion() const = 0;
    virtual QString writeVersion(int version) const = 0;
    // Before and after the steps: what holds off another machine taking the
    // same steps meanwhile. None for a file, whose steps each take its write lock.
    virtual QStringList beforeSteps() const = 0;
    virtual QStringList afterSteps() const = 0;
};
