#pragma once

#include "model/runrecords.h"

#include <QString>
#include <functional>
#include <optional>

class QSqlQuery;

// The archive of every run: what each page showed, kept in one database
// file beside the settings, or in a PostgreSQL database that several
// machines share ("postgresql://USER@HOST:PORT/DB?sslmode=..."). The only
// code that speaks SQL; everything goes through Qt SQL, and the schema and
// its steps are the same in both.
//
// Each instance holds its own connection and belongs to the thread that
// opened it.
class Archive
{
public:
    static constexpr int kVersion = 7;
    // How many times a shared phrase is tried before it stays unchecked.
    static constexpr int kSharedTries = 3;

    explicit Archive(const QString &path);
    // Whether the path names a PostgreSQL database.
    static bool isServer(const QString &path);
    // The path as a message may show it: never a password.
    static QString displayName(const QString &path);
    // Why an address cannot name a shared archive; nullopt when it can. It
    // never repeats the address, which might hold a password.
    static std::optional<QString> addressProblem(const QString &address);
    ~Archive();
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    // Opens the file, creating it or bringing its schema up to `version`. A
    // file that is no database, or a damaged one, is renamed aside with the
    // date and a new archive starts in its place. false when the archive
    // cannot be opened at all; problem() says why.
    bool open(int version = kVersion);
    bool isOpen() const;
    int version() const;
    // The name a damaged file was given when this open moved it aside.
    QString setAside() const { return m_setAside; }
    // What went wrong last, for a note.
    QString problem() const { return m_problem; }
    // How long a write waits for another program's write to end.
    void setBusyTimeout(int milliseconds);
    // The file may not grow beyond this many pages of the database: a full
    // disk on demand.
    void setMaximumPageCount(qint64 pages);

    // Writing: each call is one transaction. nullopt/false when it failed.
    std::optional<qint64> beginRun(const ArchivedRun &run);
    bool addPage(qint64 runId, const ArchivedPage &page);
    bool endRun(qint64 runId, RunEnd end, qint64 position, const QDateTime &ended);
    bool addPicture(qint64 runId, const ArchivedPicture &picture);

    // Reading, by series: a phrase with the device and place it was searched
    // from when they are not the defaults ("bimby [smartphone, Milan]"), so
    // that a phone's runs never mix with a computer's.
    // Lists several machines share: the first to come stores the phrases
    // under the list's name (`anew`: again, when every one is done); each
    // then takes the next phrase nobody holds, under a lease it renews, and
    // ends it. A phrase whose holder died is taken again once its lease ran out.
    struct SharedPhrase
    {
        int ord = 0;
        QString phrase;
    };
    struct SharedState
    {
        int ord = 0;
        QString phrase;
        QString holder;        // empty: nobody
        bool done = false;
        QString outcome;
        qint64 leaseLeftMs = 0;
    };
    bool shareList(const QString &name, const QStringList &phrases, bool anew);
    // nullopt when no phrase is free, or on a fault (problem() then says it).
    std::optional<SharedPhrase> takeSharedPhrase(const QString &name, const QString &holder, int leaseSeconds);
    bool renewLease(const QString &name, int ord, const QString &holder, int leaseSeconds);
    bool endSharedPhrase(const QString &name, int ord, const QString &holder, const QString &outcome, bool checked);
    std::optional<QList<SharedState>> sharedList(const QString &name) const;

    // What SQLite's own check finds wrong in the file; empty when it is whole.
    QStringList integrityProblems() const;

    QStringList phrases() const;                                   // the series, by the latest run first
    QList<ArchivedRun> runsOf(const QString &phrase) const;        // oldest first, with pages and results
    struct Position
    {
        qint64 runId = 0;
        QDateTime started;
        std::optional<qint64> position;   // the first result holding the fragment; none when absent
    };
    // The runs of the phrase that read a page, oldest first.
    QList<Position> positionsOf(const QString &phrase, const QString &fragment) const;
    // The run of a series with a picture that ended nearest to `when`, within
    // ten minutes (the run a line of the result log was saved from), without
    // its pages.
    std::optional<ArchivedRun> runWithPictureNear(const QString &series, const QDateTime &when) const;
    // The picture kept in the archive itself (a shared one's); empty when none.
    QByteArray pictureJpeg(qint64 runId) const;
    // Every archived result, oldest run first, of one phrase or of all (empty).
    struct ResultRow
    {
        const ArchivedRun *run;    // without pages
        const ArchivedResult *result;
    };
    bool forEachResult(const QString &phrase, const std::function<void(const ResultRow &)> &visit) const;

private:
    bool openFile();
    bool openServer();
    QString returningId() const;
    QString nowMilliseconds() const;
    qint64 insertedId(QSqlQuery &query) const;
    bool migrate(int version);
    bool migrateSteps(int version);
    bool fail(const QSqlQuery &query);
    bool closeFailed(QSqlQuery &query);
    bool inTransaction(const std::function<bool()> &work);
    bool isDamaged(const QSqlQuery &query) const;
    QList<ArchivedRun> readRuns(const QString &phrase, bool withPages) const;

    QString m_path;
    QString m_connection;
    bool m_server = false;
    QString m_setAside;
    mutable QString m_problem;
    int m_busyTimeout = 10000;
    int m_version = 0;
};
