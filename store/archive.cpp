#include "store/archive.h"

#include "store/archivedialect.h"
#include "store/archiverows.h"

#include <QAtomicInteger>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

namespace {

// Each version's step from the one before, as SQLite takes it (the server's
// spelling is made from it: see ArchiveDialect::step). A step is never
// changed once released. To add one (a column, a table):
// - name it last in ArchiveStep (archive.h) and make it kLatest;
// - append its SQL here, statements apart by ';';
// - a new table's queries go in the job that owns what it holds
//   (RunArchive, SharedPhrases, ArchiveReports) or in a job of its own over
//   an Archive; code that writes what the step added asks has() first;
// - write what the step holds in tests/store/archivefixtures.h, then keep
//   an archive at the new step for the tests:
//   build/tests/tst_archive --passo N tests/store/archives
struct Step
{
    ArchiveStep step;
    const char *sql;
};
constexpr Step kSteps[] = {
    {ArchiveStep::Runs,
     "CREATE TABLE runs (id INTEGER PRIMARY KEY, phrase TEXT NOT NULL, host TEXT NOT NULL,"
     " italian_only INTEGER NOT NULL, fragment TEXT NOT NULL, started TEXT NOT NULL, ended TEXT,"
     " outcome TEXT NOT NULL DEFAULT 'interrotto', position INTEGER NOT NULL DEFAULT 0);"
     "CREATE INDEX runs_by_phrase ON runs (phrase, started);"
     "CREATE TABLE pages (id INTEGER PRIMARY KEY, run_id INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,"
     " \"offset\" INTEGER NOT NULL, read_at TEXT NOT NULL, reading TEXT NOT NULL);"
     "CREATE INDEX pages_by_run ON pages (run_id);"
     "CREATE TABLE results (page_id INTEGER NOT NULL REFERENCES pages (id) ON DELETE CASCADE,"
     " position INTEGER NOT NULL, address TEXT NOT NULL, host TEXT NOT NULL, title TEXT NOT NULL DEFAULT '',"
     " PRIMARY KEY (page_id, position)) WITHOUT ROWID;"},
    {ArchiveStep::PageFeatures,
     "CREATE TABLE page_features (page_id INTEGER PRIMARY KEY REFERENCES pages (id) ON DELETE CASCADE,"
     " ads_top INTEGER NOT NULL, ads_bottom INTEGER NOT NULL, featured TEXT NOT NULL DEFAULT '',"
     " ai_overview INTEGER NOT NULL, questions INTEGER NOT NULL);"
     "CREATE TABLE ai_citations (page_id INTEGER NOT NULL REFERENCES page_features (page_id) ON DELETE CASCADE,"
     " ord INTEGER NOT NULL, address TEXT NOT NULL, PRIMARY KEY (page_id, ord)) WITHOUT ROWID;"},
    {ArchiveStep::Places,
     "ALTER TABLE runs ADD COLUMN device TEXT NOT NULL DEFAULT 'computer';"
     "ALTER TABLE runs ADD COLUMN country TEXT NOT NULL DEFAULT 'it';"
     "ALTER TABLE runs ADD COLUMN language TEXT NOT NULL DEFAULT 'it';"
     "ALTER TABLE runs ADD COLUMN place TEXT NOT NULL DEFAULT '';"
     "ALTER TABLE runs ADD COLUMN series TEXT NOT NULL DEFAULT '';"
     "UPDATE runs SET series = phrase;"
     "CREATE INDEX runs_by_series ON runs (series, started);"},
    {ArchiveStep::Pictures,
     "CREATE TABLE pictures (run_id INTEGER PRIMARY KEY REFERENCES runs (id) ON DELETE CASCADE, file TEXT NOT NULL,"
     " bytes INTEGER NOT NULL, hit_x INTEGER NOT NULL, hit_y INTEGER NOT NULL, hit_width INTEGER NOT NULL,"
     " hit_height INTEGER NOT NULL, width INTEGER NOT NULL, height INTEGER NOT NULL);"},
    {ArchiveStep::SharedLists,
     "CREATE TABLE shared_phrases (list TEXT NOT NULL, ord INTEGER NOT NULL, phrase TEXT NOT NULL,"
     " holder TEXT NOT NULL DEFAULT '', lease_until INTEGER NOT NULL DEFAULT 0, tries INTEGER NOT NULL DEFAULT 0,"
     " done INTEGER NOT NULL DEFAULT 0, outcome TEXT NOT NULL DEFAULT '', PRIMARY KEY (list, ord));"},
    {ArchiveStep::PictureBytes, "ALTER TABLE pictures ADD COLUMN jpeg BLOB;"},
    {ArchiveStep::RunTokens,
     "ALTER TABLE runs ADD COLUMN token TEXT NOT NULL DEFAULT '';"
     "CREATE INDEX runs_by_token ON runs (token) WHERE token <> '';"},
    {ArchiveStep::KeptPages,
     "CREATE TABLE kept_pages (page_id INTEGER PRIMARY KEY REFERENCES pages (id) ON DELETE CASCADE,"
     " reader INTEGER NOT NULL, markup BLOB NOT NULL);"
     "ALTER TABLE pages ADD COLUMN reader INTEGER NOT NULL DEFAULT 0;"
     "ALTER TABLE pages ADD COLUMN newer INTEGER NOT NULL DEFAULT 0;"},
    {ArchiveStep::SharedPauses,
     "CREATE TABLE shared_pauses (list TEXT NOT NULL, holder TEXT NOT NULL, paused_until INTEGER NOT NULL,"
     " PRIMARY KEY (list, holder));"},
    {ArchiveStep::LocalPack,
     "ALTER TABLE runs ADD COLUMN pack_place INTEGER NOT NULL DEFAULT 0;"
     "CREATE TABLE pack_entries (page_id INTEGER NOT NULL REFERENCES page_features (page_id) ON DELETE CASCADE,"
     " ord INTEGER NOT NULL, name TEXT NOT NULL, website TEXT NOT NULL DEFAULT '', maps TEXT NOT NULL DEFAULT '',"
     " PRIMARY KEY (page_id, ord)) WITHOUT ROWID;"},
    {ArchiveStep::Grids,
     "CREATE TABLE grids (id INTEGER PRIMARY KEY, series TEXT NOT NULL, phrase TEXT NOT NULL, fragment TEXT NOT NULL,"
     " size INTEGER NOT NULL, spacing_m INTEGER NOT NULL, latitude_e7 INTEGER NOT NULL, longitude_e7 INTEGER NOT NULL,"
     " started TEXT NOT NULL, ended TEXT);"
     "CREATE INDEX grids_by_series ON grids (series, started);"
     "CREATE TABLE grid_points (grid_id INTEGER NOT NULL REFERENCES grids (id) ON DELETE CASCADE, ord INTEGER NOT NULL,"
     " latitude_e7 INTEGER NOT NULL, longitude_e7 INTEGER NOT NULL, pack_place INTEGER NOT NULL, position INTEGER,"
     " measured INTEGER NOT NULL, result TEXT NOT NULL, PRIMARY KEY (grid_id, ord)) WITHOUT ROWID;"},
};
static_assert(std::size(kSteps) == Archive::kVersion);

constexpr bool stepsInOrder()
{
    for (std::size_t i = 0; i < std::size(kSteps); ++i) {
        if (int(kSteps[i].step) != int(i) + 1)
            return false;
    }
    return true;
}
static_assert(stepsInOrder(), "each step stands at its own number");

QAtomicInteger<quint64> g_connections;

// Qt keeps one registry of connections for the process: the name is made
// from this object's own address as well as the count, so that it cannot be
// given twice, whatever holds a count of its own.
QString connectionName(const void *owner)
{
    return QStringLiteral("archivio-%1-%2").arg(++g_connections).arg(quintptr(owner), 0, 16);
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

// SQLite's result codes for a file that is no database, or a damaged one,
// and for one another program is writing.
constexpr int kCorrupt = 11;
constexpr int kNotADatabase = 26;
constexpr int kBusy = 5;

int sqliteCode(const QSqlQuery &query)
{
    return query.lastError().nativeErrorCode().toInt() & 0xff;
}

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

Archive::Archive(const QString &path, ArchiveUse use)
    : m_path(path)
    , m_connection(connectionName(this))
    , m_server(isServer(path))
    , m_dialect(m_server ? &ArchiveDialect::server() : &ArchiveDialect::file())
    , m_busyTimeout(busyTimeoutOf(use))
{
}

Archive::~Archive()
{
    if (QSqlDatabase::contains(m_connection)) {
        database().close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

int Archive::busyTimeoutOf(ArchiveUse use)
{
    switch (use) {
    case ArchiveUse::Reading:
    case ArchiveUse::Writing:
        return 10000;
    case ArchiveUse::SharingList:
        return 5000;
    case ArchiveUse::Watching:
        // It looks again in a moment.
        return 2000;
    }
    return 10000;
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

QSqlDatabase Archive::database() const
{
    // Qt gives a connection to the thread that made it alone.
    return QSqlDatabase::database(m_connection, false);
}

QString Archive::newestPages(const QString &pages) const
{
    if (!has(ArchiveStep::KeptPages))
        return QString();
    return QStringLiteral(" AND %1.newer = 0 AND %1.reading <> '%2'").arg(pages, ArchiveRows::kUnreadName);
}

bool Archive::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && database().isOpen();
}

Result<void> Archive::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    if (!isOpen() || m_server)
        return {};
    const Result<QSqlQuery> set = exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(milliseconds));
    return set ? Result<void>() : set.failure();
}

Result<void> Archive::setMaximumPageCount(qint64 pages)
{
    if (m_server)
        return {};
    const Result<QSqlQuery> set = exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
    return set ? Result<void>() : set.failure();
}

Result<QStringList> Archive::integrityProblems()
{
    // A server keeps its own files whole.
    if (m_server)
        return QStringList();
    QStringList problems;
    const Result<void> checked = rows(QStringLiteral("PRAGMA integrity_check"), {}, [&problems](const QSqlQuery &row) {
        if (row.value(0).toString() != QLatin1String("ok"))
            problems.append(row.value(0).toString());
    });
    if (!checked)
        return checked.failure();
    return problems;
}

Failure Archive::failed(const QSqlQuery &query)
{
    return Failure{query.lastError().text()};
}

void Archive::close()
{
    database().close();
}

Result<QSqlQuery> Archive::exec(const QString &sql, const QVariantList &values)
{
    if (!isOpen()) {
        // Closed after its server failed it: opened anew, as at first.
        if (m_openedAt == 0 || m_inTransaction)
            return Failure{QStringLiteral("l'archivio non è aperto")};
        if (const Result<void> opened = open(m_openedAt); !opened)
            return opened.failure();
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    bool done = false;
    if (values.isEmpty()) {
        done = query.exec(sql);
    } else {
        done = query.prepare(sql);
        bind(query, values);
        done = done && query.exec();
    }
    if (done)
        return query;
    return lost(query);
}

Result<qint64> Archive::insert(const QString &sql, const QVariantList &values)
{
    Result<QSqlQuery> inserted = exec(sql + m_dialect->returningId(), values);
    if (!inserted)
        return inserted.failure();
    return m_dialect->insertedId(*inserted);
}

Result<void> Archive::rows(const QString &sql, const QVariantList &values, const std::function<void(const QSqlQuery &)> &row)
{
    Result<QSqlQuery> query = exec(sql, values);
    if (!query)
        return query.failure();
    while (query->next())
        row(*query);
    if (query->lastError().isValid())
        return lost(*query);
    return {};
}

Result<void> Archive::execMany(const QString &sql, const QList<QVariantList> &rows)
{
    if (rows.isEmpty())
        return {};
    if (!isOpen())
        return Failure{QStringLiteral("l'archivio non è aperto")};
    QSqlQuery query(database());
    if (!query.prepare(sql))
        return lost(query);
    for (const QVariantList &values : rows) {
        bind(query, values);
        if (!query.exec())
            return lost(query);
    }
    return {};
}

Failure Archive::lost(QSqlQuery &query)
{
    const Failure failure = failed(query);
    if (m_server) {
        query = QSqlQuery();
        close();
    }
    return failure;
}

Result<void> Archive::transaction(const std::function<Result<void>()> &work)
{
    if (const Result<QSqlQuery> begun = exec(m_dialect->beginWriting()); !begun)
        return begun.failure();
    m_inTransaction = true;
    Result<void> done = work();
    if (done) {
        const Result<QSqlQuery> committed = exec(QStringLiteral("COMMIT"));
        if (!committed)
            done = committed.failure();
    }
    m_inTransaction = false;
    // What failed is said already; a rollback that fails too (the
    // connection gone) leaves nothing written either.
    if (!done && isOpen())
        QSqlQuery(QStringLiteral("ROLLBACK"), database());
    return done;
}

Result<void> Archive::openServer()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? database()
                                                           : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    if (!db.isValid())
        return Failure{QStringLiteral("manca il driver PostgreSQL di Qt (libqt6sql6-psql)")};
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
    if (!db.open())
        return Failure{db.lastError().text()};
    // The server's notices ("already exists, skipping") are not the user's business.
    QSqlQuery quiet(db);
    if (!quiet.exec(QStringLiteral("SET client_min_messages TO warning")))
        return failed(quiet);
    return {};
}

Result<void> Archive::openFile()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? database()
                                                           : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid())
        return Failure{QStringLiteral("manca il driver SQLite di Qt")};
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout));
    if (!db.open())
        return Failure{db.lastError().text()};
    return {};
}

Result<void> Archive::open(int version)
{
    if (isOpen())
        return {};
    m_setAside.clear();
    Result<void> opened = openWithoutSteps();
    if (opened)
        opened = migrate(version);
    // Half opened is not open: the next try opens it anew.
    if (!opened) {
        if (QSqlDatabase::contains(m_connection))
            close();
        return opened;
    }
    m_openedAt = version;
    return {};
}

Result<void> Archive::openWithoutSteps()
{
    if (m_server)
        return openServer();
    if (Result<void> opened = openFile(); !opened)
        return opened;
    QSqlDatabase db = database();
    {
        // Reading the schema is the first touch of the file: a file that is
        // no database, or a damaged one, shows here.
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const int code = sqliteCode(probe);
            if (code != kCorrupt && code != kNotADatabase)
                return failed(probe);
            probe = QSqlQuery();
            db.close();
            const QString aside = asideName(m_path);
            for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
                if (QFileInfo::exists(m_path + suffix) && !QFile::rename(m_path + suffix, aside + suffix))
                    return Failure{QStringLiteral("impossibile rinominare %1").arg(m_path + suffix)};
            }
            m_setAside = aside;
            if (Result<void> opened = openFile(); !opened)
                return opened;
        }
    }
    QSqlQuery query(db);
    // The journal's mode changes only while no other program writes, and
    // SQLite does not wait for that: a program that made the same new file a
    // moment before may still be writing its first steps.
    QElapsedTimer waited;
    waited.start();
    while (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
        if (sqliteCode(query) != kBusy || waited.elapsed() >= m_busyTimeout)
            return failed(query);
        QThread::msleep(20);
    }
    for (const char *pragma : {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = NORMAL"}) {
        if (!query.exec(QLatin1String(pragma)))
            return failed(query);
    }
    return {};
}

Result<int> Archive::storedVersion()
{
    QSqlQuery query(database());
    if (!query.exec(m_dialect->readVersion()) || !query.next())
        return failed(query);
    return query.value(0).toInt();
}

Result<void> Archive::migrate(int target)
{
    QSqlDatabase db = database();
    Result<void> done;
    int before = 0;
    for (const QString &statement : m_dialect->beforeSteps()) {
        QSqlQuery query(db);
        if (!done)
            break;
        if (query.exec(statement))
            ++before;
        else
            done = failed(query);
    }
    if (done)
        done = takeSteps(target);
    // What was taken before is given back, whatever came of the steps.
    if (before > 0) {
        for (const QString &statement : m_dialect->afterSteps())
            QSqlQuery(db).exec(statement);
    }
    return done;
}

Result<void> Archive::takeSteps(int target)
{
    const Result<int> current = storedVersion();
    if (!current)
        return current.failure();
    for (int step = *current + 1; step <= target; ++step) {
        const Result<void> done = transaction([&]() -> Result<void> {
            // Only the step's own version, read again inside the lock: another
            // program may have made the step meanwhile.
            const Result<int> now = storedVersion();
            if (!now)
                return now.failure();
            if (*now >= step)
                return {};
            QSqlQuery query(database());
            for (const QString &statement : m_dialect->step(kSteps[step - 1].sql).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                if (!query.exec(statement))
                    return failed(query);
            }
            if (!query.exec(m_dialect->writeVersion(step)))
                return failed(query);
            return {};
        });
        if (!done)
            return done;
    }
    const Result<int> reached = storedVersion();
    if (!reached)
        return reached.failure();
    m_version = *reached;
    return {};
}
