#include "store/archivedialect.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

// Any number, the same on every machine and in every version of the program:
// the schema's steps are taken one machine at a time.
constexpr qint64 kStepsLock = 0x43657263615031;

class FileDialect final : public ArchiveDialect
{
public:
    QString returningId() const override { return QString(); }
    qint64 insertedId(QSqlQuery &query) const override { return query.lastInsertId().toLongLong(); }
    QString nowMilliseconds() const override
    {
        return QStringLiteral("CAST((julianday('now') - 2440587.5) * 86400000 AS INTEGER)");
    }
    QString positionIn(const QString &text, const QString &part) const override
    {
        return QStringLiteral("instr(%1, %2)").arg(text, part);
    }
    QString beginWriting() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString serialise(qint64) const override { return QString(); }
    QString passOverLocked() const override { return QString(); }
    QString step(const char *sql) const override { return QString::fromLatin1(sql); }
    QString readVersion() const override { return QStringLiteral("PRAGMA user_version"); }
    QString writeVersion(int version) const override { return QStringLiteral("PRAGMA user_version = %1").arg(version); }
    QStringList beforeSteps() const override { return {}; }
    QStringList afterSteps() const override { return {}; }
};

class ServerDialect final : public ArchiveDialect
{
public:
    QString returningId() const override { return QStringLiteral(" RETURNING id"); }
    qint64 insertedId(QSqlQuery &query) const override { return query.next() ? query.value(0).toLongLong() : 0; }
    QString nowMilliseconds() const override { return QStringLiteral("(extract(epoch from clock_timestamp()) * 1000)::bigint"); }
    QString positionIn(const QString &text, const QString &part) const override
    {
        return QStringLiteral("strpos(%1, %2)").arg(text, part);
    }
    QString beginWriting() const override { return QStringLiteral("BEGIN"); }
    QString serialise(qint64 key) const override { return QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(key); }
    QString passOverLocked() const override { return QStringLiteral(" FOR UPDATE SKIP LOCKED"); }
    // Its own row ids and byte type; the rest is the same SQL.
    QString step(const char *sql) const override
    {
        QString text = QString::fromLatin1(sql);
        text.replace(QStringLiteral("INTEGER PRIMARY KEY,"), QStringLiteral("BIGSERIAL PRIMARY KEY,"));
        text.replace(QStringLiteral(" WITHOUT ROWID"), QString());
        text.replace(QStringLiteral("INTEGER"), QStringLiteral("BIGINT"));
        text.replace(QStringLiteral("BLOB"), QStringLiteral("BYTEA"));
        return text;
    }
    QString readVersion() const override { return QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version"); }
    QString writeVersion(int version) const override
    {
        return QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(version);
    }
    // The version's table is made under the lock too.
    QStringList beforeSteps() const override
    {
        return {QStringLiteral("SELECT pg_advisory_lock(%1)").arg(kStepsLock),
                QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)")};
    }
    QStringList afterSteps() const override { return {QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(kStepsLock)}; }
};

} // namespace

const ArchiveDialect &ArchiveDialect::file()
{
    static const FileDialect dialect;
    return dialect;
}

const ArchiveDialect &ArchiveDialect::server()
{
    static const ServerDialect dialect;
    return dialect;
}
