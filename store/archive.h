#pragma once

#include "store/result.h"

#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>

class ArchiveDialect;
class QSqlDatabase;
class QSqlQuery;

// The schema's steps, each named by what it brought. An archive opened at an
// earlier step (as tests open one) lacks what the later steps add: code that
// writes what a step added asks has() first.
enum class ArchiveStep {
    Runs = 1,        // runs, the pages they read, the organic results on them
    PageFeatures,    // what else today's pages showed, and the AI overview's citations
    Places,          // where and how each run searched; its series
    Pictures,        // the picture of what each run saw
    SharedLists,     // lists several machines share
    PictureBytes,    // a shared archive keeps the pictures themselves
    RunTokens,       // a run written once, however often it is sent
    KeptPages,       // the markup of the pages read, to be read again; each page's
                     // reader, and the newer reading of the same page that replaced it
    SharedPauses,    // the machines of a shared list cooling down after a check page
    LocalPack,       // the places block's businesses on each page, the fragment's place among them for each run
    Grids,           // grids of searches around a place, and their points
};

// Who holds a connection, for how long a write waits for another program's.
enum class ArchiveUse {
    Reading,         // a window, the export
    Writing,         // the runs' writer, on a thread of its own: a run never waits for it
    SharingList,     // a machine taking the phrases of a shared list
    Watching,        // the list window's look at a shared list, every few seconds
};

// The archive of every run: one database file beside the settings, or a
// PostgreSQL database that several machines share
// ("postgresql://USER@HOST:PORT/DB?sslmode=..."). This is its database: one
// connection, opened and used on one thread, under a name no other connection
// of the process has; it opens the archive, sets a damaged file aside, and
// brings the schema up to date. Each owner (the runs' writer, a shared list,
// its watch, a window, the export) holds an Archive of its own, made for its
// use. What is read and written goes through the archive's jobs, each over
// an Archive: RunArchive (runs), SharedPhrases (a shared list's leases),
// ArchiveReports (the queries of the windows and the export). Everything goes
// through Qt SQL; where SQLite and PostgreSQL differ, ArchiveDialect says it.
class Archive
{
public:
    static constexpr ArchiveStep kLatest = ArchiveStep::Grids;
    static constexpr int kVersion = int(kLatest);

    explicit Archive(const QString &path, ArchiveUse use = ArchiveUse::Reading);
    ~Archive();
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    // Whether the path names a PostgreSQL database.
    static bool isServer(const QString &path);
    // The path as a message may show it: never a password.
    static QString displayName(const QString &path);
    // Why an address cannot name a shared archive; nullopt when it can. It
    // never repeats the address, which might hold a password.
    static std::optional<QString> addressProblem(const QString &address);
    // How long a write of `use` waits for another program's write to end.
    static int busyTimeoutOf(ArchiveUse use);

    const QString &path() const { return m_path; }
    bool onServer() const { return m_server; }

    // Opens the file, creating it or bringing its schema up to `version`; at
    // once when it is open. A file that is no database, or a damaged one, is
    // renamed aside with the date and a new archive starts in its place.
    Result<void> open(int version = kVersion);
    bool isOpen() const;
    // The step the schema stood at once opened.
    int version() const { return m_version; }
    bool has(ArchiveStep step) const { return m_version >= int(step); }
    // The condition that leaves out the pages read again since (their newer
    // reading stands for them) and those kept unread, on the pages named
    // `pages`; empty before they can be.
    QString newestPages(const QString &pages = QStringLiteral("p")) const;
    // The name a damaged file was given when this open moved it aside.
    QString setAside() const { return m_setAside; }
    // Another wait than the use's, for tests.
    Result<void> setBusyTimeout(int milliseconds);
    // The file may not grow beyond this many pages of the database: a full
    // disk on demand.
    Result<void> setMaximumPageCount(qint64 pages);
    // What SQLite's own check finds wrong in the file; empty when it is whole.
    Result<QStringList> integrityProblems();

    // For the archive's jobs.
    const ArchiveDialect &dialect() const { return *m_dialect; }
    // A statement, its placeholders bound to `values` in order; the query
    // given back holds its rows. A shared archive whose statement failed is
    // closed, and opened anew at the next call, since its server may have
    // gone away.
    Result<QSqlQuery> exec(const QString &sql, const QVariantList &values = {});
    // An INSERT of one row ("INSERT INTO t (a, b) VALUES (?, ?)"): the id
    // the row was given.
    Result<qint64> insert(const QString &sql, const QVariantList &values);
    // A query's rows, each given to `row` in order. A row that cannot be read
    // fails the query: no part of its rows passes for the whole.
    Result<void> rows(const QString &sql, const QVariantList &values, const std::function<void(const QSqlQuery &)> &row);
    // One statement prepared once and run for each row of values, in one
    // transaction's work; it stops at the first that fails.
    Result<void> execMany(const QString &sql, const QList<QVariantList> &rows);
    // One transaction that takes the write lock first: committed when `work`
    // is done, rolled back when it failed.
    Result<void> transaction(const std::function<Result<void>()> &work);

private:
    Result<void> openFile();
    Result<void> openServer();
    Result<void> openWithoutSteps();
    Result<void> migrate(int version);
    Result<void> takeSteps(int version);
    Result<int> storedVersion();
    Failure failed(const QSqlQuery &query);
    Failure lost(QSqlQuery &query);
    void close();
    QSqlDatabase database() const;

    QString m_path;
    QString m_connection;
    bool m_server = false;
    const ArchiveDialect *m_dialect;
    int m_busyTimeout;
    QString m_setAside;
    int m_version = 0;
    int m_openedAt = 0;           // the version asked for by the last open that succeeded
    bool m_inTransaction = false;
};
