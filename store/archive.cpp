#include "store/archive.h"

#include <QAtomicInteger>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

namespace {

// Each version's step from the one before. A step is never changed once
// released: a new version adds a new step.
const char *const kSteps[] = {
    // 1: runs, the pages they read and the organic results on them.
    "CREATE TABLE runs (id INTEGER PRIMARY KEY, phrase TEXT NOT NULL, host TEXT NOT NULL,"
    " italian_only INTEGER NOT NULL, fragment TEXT NOT NULL, started TEXT NOT NULL, ended TEXT,"
    " outcome TEXT NOT NULL DEFAULT 'interrotto', position INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX runs_by_phrase ON runs (phrase, started);"
    "CREATE TABLE pages (id INTEGER PRIMARY KEY, run_id INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,"
    " \"offset\" INTEGER NOT NULL, read_at TEXT NOT NULL, reading TEXT NOT NULL);"
    "CREATE INDEX pages_by_run ON pages (run_id);"
    "CREATE TABLE results (page_id INTEGER NOT NULL REFERENCES pages (id) ON DELETE CASCADE,"
    " position INTEGER NOT NULL, address TEXT NOT NULL, host TEXT NOT NULL, title TEXT NOT NULL DEFAULT '',"
    " PRIMARY KEY (page_id, position)) WITHOUT ROWID;",
    // 2: what else today's pages showed.
    "CREATE TABLE page_features (page_id INTEGER PRIMARY KEY REFERENCES pages (id) ON DELETE CASCADE,"
    " ads_top INTEGER NOT NULL, ads_bottom INTEGER NOT NULL, featured TEXT NOT NULL DEFAULT '',"
    " ai_overview INTEGER NOT NULL, questions INTEGER NOT NULL);"
    "CREATE TABLE ai_citations (page_id INTEGER NOT NULL REFERENCES page_features (page_id) ON DELETE CASCADE,"
    " ord INTEGER NOT NULL, address TEXT NOT NULL, PRIMARY KEY (page_id, ord)) WITHOUT ROWID;",
    // 3: where and how each run searched; its series keeps the phrase's runs
    // of one device and place together.
    "ALTER TABLE runs ADD COLUMN device TEXT NOT NULL DEFAULT 'computer';"
    "ALTER TABLE runs ADD COLUMN country TEXT NOT NULL DEFAULT 'it';"
    "ALTER TABLE runs ADD COLUMN language TEXT NOT NULL DEFAULT 'it';"
    "ALTER TABLE runs ADD COLUMN place TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE runs ADD COLUMN series TEXT NOT NULL DEFAULT '';"
    "UPDATE runs SET series = phrase;"
    "CREATE INDEX runs_by_series ON runs (series, started);",
    // 4: the picture of what each run saw.
    "CREATE TABLE pictures (run_id INTEGER PRIMARY KEY REFERENCES runs (id) ON DELETE CASCADE, file TEXT NOT NULL,"
    " bytes INTEGER NOT NULL, hit_x INTEGER NOT NULL, hit_y INTEGER NOT NULL, hit_width INTEGER NOT NULL,"
    " hit_height INTEGER NOT NULL, width INTEGER NOT NULL, height INTEGER NOT NULL);",
    // 5: lists that several machines share: who holds which phrase, until
    // when, and what came of it.
    "CREATE TABLE shared_phrases (list TEXT NOT NULL, ord INTEGER NOT NULL, phrase TEXT NOT NULL,"
    " holder TEXT NOT NULL DEFAULT '', lease_until INTEGER NOT NULL DEFAULT 0, tries INTEGER NOT NULL DEFAULT 0,"
    " done INTEGER NOT NULL DEFAULT 0, outcome TEXT NOT NULL DEFAULT '', PRIMARY KEY (list, ord));",
    // 6: a shared archive keeps the pictures themselves.
    "ALTER TABLE pictures ADD COLUMN jpeg BLOB;",
    // 7: a run written once, however often it is sent.
    "ALTER TABLE runs ADD COLUMN token TEXT NOT NULL DEFAULT '';"
    "CREATE INDEX runs_by_token ON runs (token) WHERE token <> '';",
};
static_assert(std::size(kSteps) == Archive::kVersion);

// A step as PostgreSQL takes it: its own row ids and byte type; the rest
// is the same SQL.
QString serverStep(const char *step)
{
    QString text = QString::fromLatin1(step);
    text.replace(QStringLiteral("INTEGER PRIMARY KEY,"), QStringLiteral("BIGSERIAL PRIMARY KEY,"));
    text.replace(QStringLiteral(" WITHOUT ROWID"), QString());
    text.replace(QStringLiteral("INTEGER"), QStringLiteral("BIGINT"));
    text.replace(QStringLiteral("BLOB"), QStringLiteral("BYTEA"));
    return text;
}

// Any number, the same on every machine: the schema's steps are taken one
// machine at a time.
constexpr qint64 kMigrationLock = 0x43657263615031;

QAtomicInteger<quint64> g_connections;

// Qt keeps one registry of connections for the process: the name is made
// from this object's own address as well as the count, so that it cannot be
// given twice, whatever holds a count of its own.
QString connectionName(const void *owner)
{
    return QStringLiteral("archivio-%1-%2").arg(++g_connections).arg(quintptr(owner), 0, 16);
}

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime timeOf(const QVariant &text)
{
    return text.isNull() ? QDateTime() : QDateTime::fromString(text.toString(), Qt::ISODateWithMs).toLocalTime();
}

// Values for the query's placeholders, in order; a query run again takes new ones.
void bind(QSqlQuery &query, const QVariantList &values)
{
    // A null string is no SQL NULL here: the text columns hold empty text.
    for (qsizetype i = 0; i < values.size(); ++i) {
        const bool nullText = values[i].typeId() == QMetaType::QString && values[i].toString().isNull();
        query.bindValue(int(i), nullText ? QVariant(QStringLiteral("")) : values[i]);
    }
}

QString readingName(PageReading reading)
{
    return reading == PageReading::Classic ? QStringLiteral("classica") : QStringLiteral("attuale");
}

// SQLite's result codes for a file that is no database, or a damaged one.
constexpr int kCorrupt = 11;
constexpr int kNotADatabase = 26;
constexpr int kBusy = 5;

// A free name beside the file for a damaged archive: "Archivio-danneggiato-2026-12-08.sqlite".
QString asideName(const QString &path)
{
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral("-danneggiato-")
                                             + QDate::currentDate().toString(Qt::ISODate));
    QString name = stem + QStringLiteral(".sqlite");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo::exists(name + QStringLiteral("-wal")); ++n)
        name = stem + QStringLiteral("-%1.sqlite").arg(n);
    return name;
}

} // namespace

Archive::Archive(const QString &path)
    : m_path(path)
    , m_connection(connectionName(this))
    , m_server(isServer(path))
{
}

QString Archive::returningId() const
{
    return m_server ? QStringLiteral(" RETURNING id") : QString();
}

qint64 Archive::insertedId(QSqlQuery &query) const
{
    if (m_server)
        return query.next() ? query.value(0).toLongLong() : 0;
    return query.lastInsertId().toLongLong();
}

Archive::~Archive()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void Archive::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    if (isOpen() && !m_server)
        QSqlQuery(QStringLiteral("PRAGMA busy_timeout = %1").arg(milliseconds), QSqlDatabase::database(m_connection));
}

void Archive::setMaximumPageCount(qint64 pages)
{
    if (m_server)
        return;
    QSqlQuery(QStringLiteral("PRAGMA max_page_count = %1").arg(pages), QSqlDatabase::database(m_connection));
}

bool Archive::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

int Archive::version() const
{
    QSqlQuery query(m_server ? QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version")
                             : QStringLiteral("PRAGMA user_version"),
                    QSqlDatabase::database(m_connection));
    return query.next() ? query.value(0).toInt() : -1;
}

bool Archive::isServer(const QString &path)
{
    return path.startsWith(QLatin1String("postgresql://")) || path.startsWith(QLatin1String("postgres://"));
}

std::optional<QString> Archive::addressProblem(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!isServer(address) || !url.isValid() || url.host().isEmpty() || url.path().mid(1).isEmpty())
        return QStringLiteral("l'archivio condiviso si scrive postgresql://UTENTE@HOST:PORTA/DATABASE");
    if (!url.password().isEmpty())
        return QStringLiteral("la password non va nell'indirizzo dell'archivio: mettila in ~/.pgpass (o in PGPASSFILE)");
    return std::nullopt;
}

QString Archive::displayName(const QString &path)
{
    if (!isServer(path))
        return path;
    QUrl url(path);
    url.setPassword(QString());
    return url.toString();
}

bool Archive::fail(const QSqlQuery &query)
{
    m_problem = query.lastError().text();
    return false;
}

bool Archive::isDamaged(const QSqlQuery &query) const
{
    const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
    return code == kCorrupt || code == kNotADatabase;
}

bool Archive::openServer()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? QSqlDatabase::database(m_connection, false)
                                                           : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    if (!db.isValid()) {
        m_problem = QStringLiteral("manca il driver PostgreSQL di Qt (libqt6sql6-psql)");
        return false;
    }
    // The password comes from libpq's own places (~/.pgpass, PGPASSFILE,
    // PGPASSWORD), never from the address.
    const QUrl url(m_path);
    db.setHostName(url.host());
    if (url.port() > 0)
        db.setPort(url.port());
    db.setUserName(url.userName());
    db.setDatabaseName(url.path().mid(1));
    QStringList options{QStringLiteral("connect_timeout=%1").arg(std::max(1, m_busyTimeout / 1000))};
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        options << key + QLatin1Char('=') + value;
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db.open()) {
        m_problem = db.lastError().text();
        return false;
    }
    // The server's notices ("already exists, skipping") are not the user's business.
    QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning"));
    return true;
}

bool Archive::openFile()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? QSqlDatabase::database(m_connection, false)
                                                           : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid()) {
        m_problem = QStringLiteral("manca il driver SQLite di Qt");
        return false;
    }
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout));
    if (!db.open()) {
        m_problem = db.lastError().text();
        return false;
    }
    return true;
}

bool Archive::open(int version)
{
    m_setAside.clear();
    if (m_server) {
        if (openServer() && migrate(version))
            return true;
        // Half opened is not open: the next try opens it anew.
        QSqlDatabase::database(m_connection, false).close();
        return false;
    }
    if (!openFile())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // Reading the schema is the first touch of the file: a file that is no
    // database, or a damaged one, shows here.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        if (!isDamaged(probe))
            return fail(probe);
        probe = QSqlQuery();
        db.close();
        const QString aside = asideName(m_path);
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (QFileInfo::exists(m_path + suffix) && !QFile::rename(m_path + suffix, aside + suffix)) {
                m_problem = QStringLiteral("impossibile rinominare %1").arg(m_path + suffix);
                return false;
            }
        }
        m_setAside = aside;
        if (!openFile())
            return false;
    }
    probe.finish();
    QSqlQuery query(db);
    // The journal's mode changes only while no other program writes, and
    // SQLite does not wait for that: a program that made the same new file a
    // moment before may still be writing its first steps.
    QElapsedTimer waited;
    waited.start();
    while (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
        if ((query.lastError().nativeErrorCode().toInt() & 0xff) != kBusy || waited.elapsed() >= m_busyTimeout)
            return closeFailed(query);
        QThread::msleep(20);
    }
    for (const char *pragma : {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = NORMAL"}) {
        if (!query.exec(QLatin1String(pragma)))
            return closeFailed(query);
    }
    if (migrate(version))
        return true;
    // Half opened is not open: the next try opens it anew.
    query = QSqlQuery();
    db.close();
    return false;
}

bool Archive::closeFailed(QSqlQuery &query)
{
    fail(query);
    query = QSqlQuery();
    QSqlDatabase::database(m_connection, false).close();
    return false;
}

bool Archive::migrate(int target)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!m_server)
        return migrateSteps(target);
    // The steps are taken one machine at a time, the version's table too.
    QSqlQuery lock(db);
    if (!lock.exec(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(kMigrationLock)))
        return fail(lock);
    const bool done = QSqlQuery(db).exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"))
        && migrateSteps(target);
    if (m_problem.isEmpty() && !done)
        m_problem = db.lastError().text();
    lock.exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(kMigrationLock));
    return done;
}

bool Archive::migrateSteps(int target)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const int current = version();
    if (current < 0) {
        m_problem = db.lastError().text();
        return false;
    }
    for (int step = current + 1; step <= target; ++step) {
        const bool done = inTransaction([&] {
            QSqlQuery query(db);
            // Only the step's own version, read again inside the lock: another
            // program may have made the step meanwhile.
            if (!query.exec(m_server ? QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version")
                                     : QStringLiteral("PRAGMA user_version"))
                || !query.next())
                return fail(query);
            if (query.value(0).toInt() >= step)
                return true;
            const QString text = m_server ? serverStep(kSteps[step - 1]) : QString::fromLatin1(kSteps[step - 1]);
            for (const QString &statement : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                if (!query.exec(statement))
                    return fail(query);
            }
            if (m_server)
                return query.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(step)) || fail(query);
            return query.exec(QStringLiteral("PRAGMA user_version = %1").arg(step)) || fail(query);
        });
        if (!done)
            return false;
    }
    m_version = version();
    return true;
}

bool Archive::inTransaction(const std::function<bool()> &work)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    // The write lock at once, so that a busy archive is waited for at the
    // start instead of failing halfway.
    if (!query.exec(m_server ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return fail(query);
    if (work()) {
        if (query.exec(QStringLiteral("COMMIT")))
            return true;
        fail(query);
    }
    QSqlQuery(QStringLiteral("ROLLBACK"), db);
    return false;
}

std::optional<qint64> Archive::beginRun(const ArchivedRun &run)
{
    if (!isOpen())
        return std::nullopt;
    qint64 id = 0;
    const bool done = inTransaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        const bool tokened = m_version >= 7 && !run.token.isEmpty();
        if (tokened) {
            query.prepare(QStringLiteral("SELECT id FROM runs WHERE token = ?"));
            bind(query, {run.token});
            if (!query.exec())
                return fail(query);
            if (query.next()) {
                id = query.value(0).toLongLong();
                return true;
            }
        }
        if (m_version >= 7) {
            query.prepare(QStringLiteral("INSERT INTO runs (phrase, host, italian_only, fragment, started, device, country,"
                                         " language, place, series, token) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)%1")
                              .arg(returningId()));
            bind(query, {run.phrase, run.host, run.italianOnly ? 1 : 0, run.fragment, timeText(run.started),
                         SearchPlaces::deviceName(run.place.device), run.place.country, run.place.language,
                         run.place.place, run.series(), run.token});
        } else if (m_version >= 3) {
            query.prepare(QStringLiteral("INSERT INTO runs (phrase, host, italian_only, fragment, started, device, country,"
                                         " language, place, series) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)%1")
                              .arg(returningId()));
            bind(query, {run.phrase, run.host, run.italianOnly ? 1 : 0, run.fragment, timeText(run.started),
                         SearchPlaces::deviceName(run.place.device), run.place.country, run.place.language,
                         run.place.place, run.series()});
        } else {
            query.prepare(QStringLiteral("INSERT INTO runs (phrase, host, italian_only, fragment, started) VALUES (?, ?, ?, ?, ?)%1")
                              .arg(returningId()));
            bind(query, {run.phrase, run.host, run.italianOnly ? 1 : 0, run.fragment, timeText(run.started)});
        }
        if (!query.exec())
            return fail(query);
        id = insertedId(query);
        return true;
    });
    return done ? std::optional<qint64>(id) : std::nullopt;
}

bool Archive::addPage(qint64 runId, const ArchivedPage &page)
{
    if (!isOpen())
        return false;
    return inTransaction([&] {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        QSqlQuery query(db);
        // A page sent again is written once.
        query.prepare(QStringLiteral("SELECT 1 FROM pages WHERE run_id = ? AND \"offset\" = ? AND read_at = ?"));
        bind(query, {runId, page.offset, timeText(page.readAt)});
        if (!query.exec())
            return fail(query);
        if (query.next())
            return true;
        query.prepare(QStringLiteral("INSERT INTO pages (run_id, \"offset\", read_at, reading) VALUES (?, ?, ?, ?)%1").arg(returningId()));
        bind(query, {runId, page.offset, timeText(page.readAt), readingName(page.reading)});
        if (!query.exec())
            return fail(query);
        const qint64 pageId = insertedId(query);
        query.prepare(QStringLiteral("INSERT INTO results (page_id, position, address, host, title) VALUES (?, ?, ?, ?, ?)"));
        for (const ArchivedResult &result : page.results) {
            bind(query, {pageId, result.position, result.address, QUrl(result.address).host(), result.title});
            if (!query.exec())
                return fail(query);
        }
        if (!page.features || m_version < 2)
            return true;
        const PageFeatures &features = *page.features;
        query.prepare(QStringLiteral("INSERT INTO page_features (page_id, ads_top, ads_bottom, featured, ai_overview, questions)"
                                     " VALUES (?, ?, ?, ?, ?, ?)"));
        bind(query, {pageId, features.adsTop, features.adsBottom, features.featured, features.aiOverview ? 1 : 0,
                     features.questions ? 1 : 0});
        if (!query.exec())
            return fail(query);
        query.prepare(QStringLiteral("INSERT INTO ai_citations (page_id, ord, address) VALUES (?, ?, ?)"));
        for (qsizetype i = 0; i < features.aiCited.size(); ++i) {
            bind(query, {pageId, i, features.aiCited[i]});
            if (!query.exec())
                return fail(query);
        }
        return true;
    });
}

bool Archive::endRun(qint64 runId, RunEnd end, qint64 position, const QDateTime &ended)
{
    if (!isOpen())
        return false;
    return inTransaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.prepare(QStringLiteral("UPDATE runs SET ended = ?, outcome = ?, position = ? WHERE id = ?"));
        bind(query, {timeText(ended), RunEnds::name(end), position, runId});
        return query.exec() || fail(query);
    });
}

bool Archive::addPicture(qint64 runId, const ArchivedPicture &picture)
{
    if (!isOpen() || m_version < 4)
        return false;
    return inTransaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        const bool withJpeg = m_version >= 6;
        query.prepare(QStringLiteral("INSERT INTO pictures (run_id, file, bytes, hit_x, hit_y, hit_width, hit_height,"
                                     " width, height%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?%2) ON CONFLICT (run_id) DO UPDATE SET"
                                     " file = excluded.file, bytes = excluded.bytes, hit_x = excluded.hit_x,"
                                     " hit_y = excluded.hit_y, hit_width = excluded.hit_width, hit_height = excluded.hit_height,"
                                     " width = excluded.width, height = excluded.height%3")
                          .arg(withJpeg ? QStringLiteral(", jpeg") : QString(), withJpeg ? QStringLiteral(", ?") : QString(),
                               withJpeg ? QStringLiteral(", jpeg = excluded.jpeg") : QString()));
        QVariantList values{runId, picture.file, picture.bytes, picture.hitBox.x(), picture.hitBox.y(), picture.hitBox.width(),
                            picture.hitBox.height(), picture.size.width(), picture.size.height()};
        if (withJpeg)
            values << (picture.jpeg.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(picture.jpeg));
        bind(query, values);
        return query.exec() || fail(query);
    });
}

QString Archive::nowMilliseconds() const
{
    // The database's clock, the same for every machine.
    return m_server ? QStringLiteral("(extract(epoch from clock_timestamp()) * 1000)::bigint")
                    : QStringLiteral("CAST((julianday('now') - 2440587.5) * 86400000 AS INTEGER)");
}

bool Archive::shareList(const QString &name, const QStringList &phrases, bool anew)
{
    if (!isOpen() || m_version < 5)
        return false;
    return inTransaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        if (m_server && !query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kMigrationLock + 1)))
            return fail(query);
        query.prepare(QStringLiteral("SELECT count(*), coalesce(sum(done), 0) FROM shared_phrases WHERE list = ?"));
        bind(query, {name});
        if (!query.exec() || !query.next())
            return fail(query);
        const qint64 stored = query.value(0).toLongLong();
        const qint64 done = query.value(1).toLongLong();
        if (stored > 0 && !(anew && done == stored))
            return true;   // the list is there: this machine joins it
        query.prepare(QStringLiteral("DELETE FROM shared_phrases WHERE list = ?"));
        bind(query, {name});
        if (!query.exec())
            return fail(query);
        query.prepare(QStringLiteral("INSERT INTO shared_phrases (list, ord, phrase) VALUES (?, ?, ?)"));
        for (qsizetype i = 0; i < phrases.size(); ++i) {
            bind(query, {name, i, phrases[i]});
            if (!query.exec())
                return fail(query);
        }
        return true;
    });
}

std::optional<Archive::SharedPhrase> Archive::takeSharedPhrase(const QString &name, const QString &holder, int leaseSeconds)
{
    if (!isOpen() || m_version < 5)
        return std::nullopt;
    std::optional<SharedPhrase> taken;
    m_problem.clear();
    const bool done = inTransaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        // A phrase nobody holds, or whose holder's lease ran out; on a
        // server, rows another machine is taking are passed over.
        query.prepare(QStringLiteral("UPDATE shared_phrases SET holder = ?, lease_until = %1 + ? WHERE list = ? AND ord ="
                                     " (SELECT ord FROM shared_phrases WHERE list = ? AND done = 0 AND (holder = '' OR lease_until < %1)"
                                     " ORDER BY ord LIMIT 1%2) RETURNING ord, phrase")
                          .arg(nowMilliseconds(), m_server ? QStringLiteral(" FOR UPDATE SKIP LOCKED") : QString()));
        bind(query, {holder, qint64(leaseSeconds) * 1000, name, name});
        if (!query.exec())
            return fail(query);
        if (query.next())
            taken = SharedPhrase{query.value(0).toInt(), query.value(1).toString()};
        return true;
    });
    // A phrase is held only once the server has said so: taken in a
    // transaction that did not commit, it is still free for another machine.
    if (!done)
        return std::nullopt;
    return taken;
}

bool Archive::renewLease(const QString &name, int ord, const QString &holder, int leaseSeconds)
{
    if (!isOpen())
        return false;
    return inTransaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.prepare(QStringLiteral("UPDATE shared_phrases SET lease_until = %1 + ? WHERE list = ? AND ord = ? AND holder = ? AND done = 0")
                          .arg(nowMilliseconds()));
        bind(query, {qint64(leaseSeconds) * 1000, name, ord, holder});
        return query.exec() || fail(query);
    });
}

bool Archive::endSharedPhrase(const QString &name, int ord, const QString &holder, const QString &outcome, bool checked)
{
    if (!isOpen())
        return false;
    return inTransaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        // A phrase not checked goes back for another try, three in all.
        query.prepare(QStringLiteral("UPDATE shared_phrases SET outcome = ?, tries = tries + 1, holder = CASE WHEN ? = 1 THEN holder"
                                     " ELSE '' END, lease_until = 0, done = CASE WHEN ? = 1 OR tries + 1 >= %1 THEN 1 ELSE 0 END"
                                     " WHERE list = ? AND ord = ? AND holder = ?")
                          .arg(kSharedTries));
        bind(query, {outcome, checked ? 1 : 0, checked ? 1 : 0, name, ord, holder});
        return query.exec() || fail(query);
    });
}

std::optional<QList<Archive::SharedState>> Archive::sharedList(const QString &name) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT ord, phrase, holder, done, outcome, lease_until - %1 FROM shared_phrases WHERE list = ? ORDER BY ord")
                      .arg(nowMilliseconds()));
    bind(query, {name});
    if (!query.exec()) {
        m_problem = query.lastError().text();
        return std::nullopt;
    }
    QList<SharedState> states;
    while (query.next())
        states.append({query.value(0).toInt(), query.value(1).toString(), query.value(2).toString(), query.value(3).toInt() != 0,
                       query.value(4).toString(), query.value(5).toLongLong()});
    return states;
}

QByteArray Archive::pictureJpeg(qint64 runId) const
{
    if (m_version < 6)
        return {};
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT jpeg FROM pictures WHERE run_id = ?"));
    bind(query, {runId});
    return query.exec() && query.next() ? query.value(0).toByteArray() : QByteArray();
}

QStringList Archive::integrityProblems() const
{
    // A server keeps its own files whole.
    if (m_server)
        return {};
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("PRAGMA integrity_check")))
        return {query.lastError().text()};
    QStringList problems;
    while (query.next()) {
        if (query.value(0).toString() != QLatin1String("ok"))
            problems.append(query.value(0).toString());
    }
    return problems;
}

QStringList Archive::phrases() const
{
    QStringList phrases;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("SELECT series FROM runs GROUP BY series ORDER BY max(started) DESC"))) {
        while (query.next())
            phrases.append(query.value(0).toString());
    }
    return phrases;
}

namespace {

ArchivedRun runOf(const QSqlQuery &query)
{
    ArchivedRun run;
    run.id = query.value(0).toLongLong();
    run.phrase = query.value(1).toString();
    run.host = query.value(2).toString();
    run.italianOnly = query.value(3).toInt() != 0;
    run.fragment = query.value(4).toString();
    run.started = timeOf(query.value(5));
    run.ended = timeOf(query.value(6));
    run.end = RunEnds::fromName(query.value(7).toString());
    run.position = query.value(8).toLongLong();
    run.place.device = SearchPlaces::deviceNamed(query.value(9).toString()).value_or(Device::Computer);
    run.place.country = query.value(10).toString();
    run.place.language = query.value(11).toString();
    run.place.place = query.value(12).toString();
    return run;
}

const QString kRunColumns = QStringLiteral("r.id, r.phrase, r.host, r.italian_only, r.fragment, r.started, r.ended, r.outcome,"
                                           " r.position, r.device, r.country, r.language, r.place");
constexpr int kRunColumnCount = 13;

} // namespace

namespace {

const QString kPictureColumns = QStringLiteral("pic.file, pic.bytes, pic.hit_x, pic.hit_y, pic.hit_width, pic.hit_height,"
                                               " pic.width, pic.height");

ArchivedPicture pictureOf(const QSqlQuery &query, int first)
{
    auto value = [&query, first](int i) { return query.value(first + i).toInt(); };
    return ArchivedPicture{query.value(first).toString(), query.value(first + 1).toLongLong(),
                           QRect(value(2), value(3), value(4), value(5)), QSize(value(6), value(7)), QByteArray()};
}

} // namespace

std::optional<ArchivedRun> Archive::runWithPictureNear(const QString &series, const QDateTime &when) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1, %2 FROM runs r JOIN pictures pic ON pic.run_id = r.id"
                                 " WHERE r.series = ? AND r.ended IS NOT NULL").arg(kRunColumns, kPictureColumns));
    bind(query, {series});
    if (!query.exec())
        return std::nullopt;
    std::optional<ArchivedRun> nearest;
    qint64 distance = 10 * 60;
    while (query.next()) {
        const qint64 apart = std::abs(timeOf(query.value(6)).secsTo(when));
        if (apart <= distance) {
            distance = apart;
            nearest = runOf(query);
            nearest->picture = pictureOf(query, kRunColumnCount);
        }
    }
    return nearest;
}

QList<ArchivedRun> Archive::runsOf(const QString &phrase) const
{
    return readRuns(phrase, true);
}

QList<ArchivedRun> Archive::readRuns(const QString &phrase, bool withPages) const
{
    QList<ArchivedRun> runs;
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM runs r WHERE r.series = ? ORDER BY r.started, r.id").arg(kRunColumns));
    bind(query, {phrase});
    if (!query.exec())
        return runs;
    QHash<qint64, qsizetype> runIndex;
    while (query.next()) {
        runIndex.insert(query.value(0).toLongLong(), runs.size());
        runs.append(runOf(query));
    }
    if (!withPages || runs.isEmpty())
        return runs;
    query.prepare(QStringLiteral("SELECT pic.run_id, %1 FROM pictures pic JOIN runs r ON r.id = pic.run_id WHERE r.series = ?")
                      .arg(kPictureColumns));
    bind(query, {phrase});
    query.exec();
    while (query.next())
        runs[runIndex.value(query.value(0).toLongLong())].picture = pictureOf(query, 1);

    // Pages, then their results, features and citations, each in one query.
    QHash<qint64, std::pair<qsizetype, qsizetype>> pageIndex;   // page id -> run, page
    query.prepare(QStringLiteral("SELECT p.id, p.run_id, p.\"offset\", p.read_at, p.reading FROM pages p JOIN runs r ON r.id = p.run_id"
                                 " WHERE r.series = ? ORDER BY p.id"));
    bind(query, {phrase});
    query.exec();
    while (query.next()) {
        ArchivedPage page;
        page.offset = query.value(2).toLongLong();
        page.readAt = timeOf(query.value(3));
        page.reading = query.value(4).toString() == QLatin1String("classica") ? PageReading::Classic : PageReading::Today;
        const qsizetype run = runIndex.value(query.value(1).toLongLong());
        pageIndex.insert(query.value(0).toLongLong(), {run, runs[run].pages.size()});
        runs[run].pages.append(page);
    }
    auto pageOf = [&](const QVariant &id) -> ArchivedPage & {
        const auto [run, page] = pageIndex.value(id.toLongLong());
        return runs[run].pages[page];
    };
    query.prepare(QStringLiteral("SELECT s.page_id, s.position, s.address, s.title FROM results s JOIN pages p ON p.id = s.page_id"
                                 " JOIN runs r ON r.id = p.run_id WHERE r.series = ? ORDER BY s.page_id, s.position"));
    bind(query, {phrase});
    query.exec();
    while (query.next())
        pageOf(query.value(0)).results.append(ArchivedResult{query.value(1).toLongLong(), query.value(2).toString(),
                                                             query.value(3).toString()});
    query.prepare(QStringLiteral("SELECT f.page_id, f.ads_top, f.ads_bottom, f.featured, f.ai_overview, f.questions"
                                 " FROM page_features f JOIN pages p ON p.id = f.page_id JOIN runs r ON r.id = p.run_id"
                                 " WHERE r.series = ?"));
    bind(query, {phrase});
    query.exec();
    while (query.next()) {
        PageFeatures features;
        features.adsTop = query.value(1).toInt();
        features.adsBottom = query.value(2).toInt();
        features.featured = query.value(3).toString();
        features.aiOverview = query.value(4).toInt() != 0;
        features.questions = query.value(5).toInt() != 0;
        pageOf(query.value(0)).features = features;
    }
    query.prepare(QStringLiteral("SELECT c.page_id, c.address FROM ai_citations c JOIN pages p ON p.id = c.page_id"
                                 " JOIN runs r ON r.id = p.run_id WHERE r.series = ? ORDER BY c.page_id, c.ord"));
    bind(query, {phrase});
    query.exec();
    while (query.next()) {
        ArchivedPage &page = pageOf(query.value(0));
        if (page.features)
            page.features->aiCited.append(query.value(1).toString());
    }
    return runs;
}

QList<Archive::Position> Archive::positionsOf(const QString &phrase, const QString &fragment) const
{
    QList<Position> positions;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    // Case as the run's own comparison has it: instr, not LIKE. Runs that
    // read no page say nothing.
    query.prepare(QStringLiteral(
        "SELECT r.id, r.started, (SELECT min(s.position) FROM pages p JOIN results s ON s.page_id = p.id"
        " WHERE p.run_id = r.id AND %1(s.address, ?) > 0) FROM runs r WHERE r.series = ?"
        " AND EXISTS (SELECT 1 FROM pages p WHERE p.run_id = r.id) ORDER BY r.started, r.id")
                      .arg(m_server ? QStringLiteral("strpos") : QStringLiteral("instr")));
    bind(query, {fragment, phrase});
    if (!query.exec())
        return positions;
    while (query.next()) {
        Position position{query.value(0).toLongLong(), timeOf(query.value(1)), std::nullopt};
        if (!query.value(2).isNull())
            position.position = query.value(2).toLongLong();
        positions.append(position);
    }
    return positions;
}

bool Archive::forEachResult(const QString &phrase, const std::function<void(const ResultRow &)> &visit) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1, s.position, s.address, s.title, pic.file FROM runs r JOIN pages p ON p.run_id = r.id"
                                 " JOIN results s ON s.page_id = p.id LEFT JOIN pictures pic ON pic.run_id = r.id"
                                 " %2 ORDER BY r.started, r.id, s.position")
                      .arg(kRunColumns, phrase.isEmpty() ? QString() : QStringLiteral("WHERE r.series = ?")));
    if (!phrase.isEmpty())
        bind(query, {phrase});
    if (!query.exec()) {
        m_problem = query.lastError().text();
        return false;
    }
    ArchivedRun run;
    while (query.next()) {
        if (query.value(0).toLongLong() != run.id) {
            run = runOf(query);
            if (!query.value(kRunColumnCount + 3).isNull()) {
                run.picture = ArchivedPicture();
                run.picture->file = query.value(kRunColumnCount + 3).toString();
            }
        }
        const ArchivedResult result{query.value(kRunColumnCount).toLongLong(), query.value(kRunColumnCount + 1).toString(),
                                    query.value(kRunColumnCount + 2).toString()};
        visit(ResultRow{&run, &result});
    }
    return true;
}
