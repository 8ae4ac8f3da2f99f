#pragma once

// A PostgreSQL server of the tests' own: a cluster in a temporary folder, on
// 127.0.0.1 and a free port, with a user whose password is only in a pgpass
// file of its own; stopped and removed at the end. PostgreSQL refuses to run
// as root: as root, the server runs as the postgres user.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

class PgServer
{
public:
    ~PgServer() { stop(); }

    // false, with problem(), when it could not start.
    bool start()
    {
        const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (versions.isEmpty())
            return fail(QStringLiteral("PostgreSQL is not installed (/usr/lib/postgresql)"));
        m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(versions.constLast());
        if (!m_dir.isValid())
            return fail(QStringLiteral("no temporary folder"));
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                | QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                                | QFileDevice::ExeGroup);
        QDir(m_dir.path()).mkdir(QStringLiteral("data"));
        QFile password(m_dir.filePath(QStringLiteral("password")));
        password.open(QIODevice::WriteOnly);
        password.write("segreta\n");
        password.close();
        if (::geteuid() == 0) {
            const passwd *user = ::getpwnam("postgres");
            if (!user)
                return fail(QStringLiteral("no postgres user to run the server as"));
            for (const QString &path : {m_dir.filePath(QStringLiteral("data")), password.fileName()}) {
                if (::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) != 0)
                    return fail(QStringLiteral("cannot give %1 to postgres").arg(path));
            }
        }
        m_port = freePort();
        if (!run(QStringLiteral("initdb"), {QStringLiteral("-D"), data(), QStringLiteral("-U"), QStringLiteral("cerca"),
                                            QStringLiteral("--auth=scram-sha-256"), QStringLiteral("--pwfile=") + password.fileName(),
                                            QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale")}))
            return false;
        QFile pass(passFile());
        pass.open(QIODevice::WriteOnly);
        pass.write(QStringLiteral("127.0.0.1:%1:*:cerca:segreta\n").arg(m_port).toUtf8());
        pass.close();
        pass.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return resume();
    }

    // The server goes away, and comes back on the same port.
    bool pause() { return run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), data(), QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")}); }
    bool resume()
    {
        m_running = run(QStringLiteral("pg_ctl"),
                        {QStringLiteral("-D"), data(), QStringLiteral("-l"), data() + QStringLiteral("/server.log"), QStringLiteral("-w"),
                         QStringLiteral("-o"), QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -k %2").arg(m_port).arg(data()),
                         QStringLiteral("start")});
        return m_running;
    }
    void stop()
    {
        if (std::exchange(m_running, false))
            pause();
    }

    // Empties the database between tests.
    bool clear()
    {
        return exec({QStringLiteral("DROP SCHEMA public CASCADE"), QStringLiteral("CREATE SCHEMA public")});
    }

    // Statements of the test's own, on a connection of their own.
    bool exec(const QStringList &statements)
    {
        const QString name = QStringLiteral("pgserver-exec");
        bool done = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setHostName(QStringLiteral("127.0.0.1"));
            db.setPort(m_port);
            db.setUserName(QStringLiteral("cerca"));
            db.setDatabaseName(QStringLiteral("postgres"));
            done = db.open() && QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning"));
            for (const QString &statement : statements) {
                QSqlQuery query(db);
                if (done && !query.exec(statement)) {
                    m_problem = query.lastError().text();
                    done = false;
                }
            }
            if (!done && m_problem.isEmpty())
                m_problem = db.lastError().text();
        }
        QSqlDatabase::removeDatabase(name);
        return done;
    }

    // The archive's address: the password is in passFile() alone.
    QString address() const { return QStringLiteral("postgresql://cerca@127.0.0.1:%1/postgres").arg(m_port); }
    QString passFile() const { return m_dir.filePath(QStringLiteral("pgpass")); }
    int port() const { return m_port; }
    QString problem() const { return m_problem; }

private:
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }

    bool fail(const QString &problem)
    {
        m_problem = problem;
        return false;
    }

    bool run(const QString &tool, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (::geteuid() == 0)
            process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), m_bin + tool} + arguments);
        else
            process.start(m_bin + tool, arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return fail(QStringLiteral("%1 failed: %2").arg(tool, QString::fromLocal8Bit(process.readAll())));
        return true;
    }

    static int freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        int port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
            port = ntohs(address.sin_port);
        ::close(fd);
        return port;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    int m_port = 0;
    bool m_running = false;
    QString m_problem;
};
