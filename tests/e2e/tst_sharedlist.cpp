#include "listmachine.h"
#include "pgserver.h"
#include "resultsservice.h"
#include "store/archive.h"
#include "store/runarchive.h"
#include "store/sharedphrases.h"
#include "watchdog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// Machines sharing one list through a PostgreSQL archive: each phrase is
// checked once, and nothing is lost when a machine or the server goes away.
class TestSharedList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void machinesShareOneList_data();
    void machinesShareOneList();

private:
    QProcess *startMachine(int machine, int leaseSeconds, const QString &host = QString());

    PgServer m_server;
    std::unique_ptr<results::Service> m_service;
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

constexpr int kPhrases = 40;

QString phraseOf(int i)
{
    return QStringLiteral("condivisa %1").arg(i, 2, 10, QLatin1Char('0'));
}

int positionOf(int i)
{
    return i % 17 + 1;
}


} // namespace

void TestSharedList::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.problem()));
    qputenv("PGPASSFILE", m_server.passFile().toLocal8Bit());
    std::string catalog;
    for (int i = 0; i < kPhrases; ++i) {
        catalog += "[" + phraseOf(i).toStdString() + "]\n";
        if (positionOf(i) > 1)
            catalog += "@generate " + std::to_string(positionOf(i) - 1) + "\n";
        catalog += "http://www.velmora.it/" + std::to_string(i) + "\n@generate 30\n";
    }
    m_service = std::make_unique<results::Service>(results::Catalog::parse(catalog));
    QVERIFY(m_service->start() > 0);
}

QProcess *TestSharedList::startMachine(int machine, int leaseSeconds, const QString &host)
{
    QStringList phrases;
    for (int i = 0; i < kPhrases; ++i)
        phrases << phraseOf(i);
    const ListMachine setup{QStringLiteral(CERCA_PROGRAM), m_server.address(), QStringLiteral("settimana"), phrases,
                            host.isEmpty() ? QStringLiteral("127.0.0.1:%1").arg(m_service->port()) : host,
                            QStringLiteral("velmora"), 2, leaseSeconds};
    return setup.start(m_dir->filePath(QStringLiteral("macchina-%1").arg(machine)), this);
}

void TestSharedList::machinesShareOneList_data()
{
    QTest::addColumn<int>("machines");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("lease");
    QTest::newRow("two machines") << 2 << "" << 120;
    QTest::newRow("three machines") << 3 << "" << 120;
    QTest::newRow("a machine killed in the middle of a phrase") << 2 << "kill" << 4;
    QTest::newRow("the server away for 10 s") << 2 << "server" << 60;
    // Its engine answers every search with the check page: it gives each
    // phrase back at once and cools down, and the others search them.
    QTest::newRow("a machine the engine blocks") << 3 << "blocked" << 120;
}

void TestSharedList::machinesShareOneList()
{
    QFETCH(int, machines);
    QFETCH(QString, fault);
    QFETCH(int, lease);
    QVERIFY2(m_server.clear(), qPrintable(m_server.problem()));
    m_dir = std::make_unique<QTemporaryDir>();
    QList<QProcess *> programs;
    results::Service blocking(results::Catalog::parse("@limite 0 3600 3600\n"));
    if (fault == QLatin1String("blocked"))
        QVERIFY(blocking.start() > 0);
    for (int i = 0; i < machines; ++i)
        programs << startMachine(i, lease, i == 0 && fault == QLatin1String("blocked")
                                               ? QStringLiteral("127.0.0.1:%1").arg(blocking.port()) : QString());
    QMap<QString, int> printed;
    bool faultDone = fault.isEmpty();
    QElapsedTimer clock;
    clock.start();
    const auto readLines = [&] {
        int lines = 0;
        for (QProcess *program : programs) {
            while (program->canReadLine()) {
                const QString line = QString::fromUtf8(program->readLine());
                if (!ListMachine::isEndLine(line))
                    printed[line.section(QLatin1Char(':'), 0, 0)]++;
            }
            lines += 0;
        }
        for (int count : printed)
            lines += count;
        return lines;
    };
    while (clock.elapsed() < 240000) {
        QTest::qWait(100);
        const int lines = readLines();
        if (!faultDone && fault == QLatin1String("kill") && lines >= 3) {
            QTest::qWait(300);   // in the middle of the next phrase
            ::kill(pid_t(programs[0]->processId()), SIGKILL);
            faultDone = true;
        } else if (!faultDone && fault == QLatin1String("server") && lines >= 8) {
            QVERIFY2(m_server.pause(), qPrintable(m_server.problem()));
            QTest::qWait(10000);
            QVERIFY2(m_server.resume(), qPrintable(m_server.problem()));
            faultDone = true;
        }
        if (std::all_of(programs.begin(), programs.end(), [](QProcess *p) { return p->state() == QProcess::NotRunning; }))
            break;
    }
    readLines();
    for (int i = 0; i < machines; ++i) {
        QProcess *program = programs[i];
        QVERIFY2(program->state() == QProcess::NotRunning, "a machine did not end");
        if (fault == QLatin1String("kill") && i == 0)
            continue;
        QVERIFY2(program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0,
                 qPrintable(QStringLiteral("exit %1, %2: %3").arg(program->exitStatus()).arg(program->exitCode())
                                .arg(QString::fromLocal8Bit(program->readAllStandardError()))));
    }
    // The blocked machine met only check pages, and gave each phrase back.
    if (fault == QLatin1String("blocked")) {
        const std::vector<results::Service::Served> served = blocking.served();
        QVERIFY(!served.empty());
        QVERIFY(std::all_of(served.begin(), served.end(), [](const auto &page) { return page.page == "check"; }));
    }
    // Every phrase printed once, by one machine or another.
    QCOMPARE(printed.size(), kPhrases);
    for (auto it = printed.cbegin(); it != printed.cend(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(it.key()));
    // One outcome for each in the archive, at the position served; a run
    // the killed machine left unended is no outcome.
    Archive archive(m_server.address());
    QCOMPARE(archive.open().error(), QString());
    for (int i = 0; i < kPhrases; ++i) {
        int found = 0;
        const QList<ArchivedRun> runs = *RunArchive(archive).runsOf(phraseOf(i));
        // No record sent twice: no second run begun, no page twice.
        if (fault.isEmpty() || fault == QLatin1String("server"))
            QVERIFY2(runs.size() == 1, qPrintable(QStringLiteral("%1: %2 runs").arg(phraseOf(i)).arg(runs.size())));
        for (const ArchivedRun &run : runs) {
            QSet<qint64> offsets;
            for (const ArchivedPage &page : run.pages)
                offsets.insert(page.offset);
            QCOMPARE(offsets.size(), run.pages.size());
            // A run the killed machine left, or one the blocked machine gave back.
            if (run.end == RunEnd::Unfinished || run.end == RunEnd::WaitingForUser)
                continue;
            QCOMPARE(run.end, RunEnd::Found);
            QCOMPARE(run.position, positionOf(i));
            // Its picture is in the archive, for any machine to show (but
            // for the one the killed machine was taking).
            if (fault != QLatin1String("kill"))
                QVERIFY2(RunArchive(archive).pictureJpeg(run.id)->startsWith("\xff\xd8"), qPrintable(phraseOf(i)));
            ++found;
        }
        QVERIFY2(found == 1, qPrintable(QStringLiteral("%1: %2 outcomes").arg(phraseOf(i)).arg(found)));
    }
    const Result<QList<SharedPhrases::State>> states = SharedPhrases(archive).states(QStringLiteral("settimana"));
    QVERIFY(states);
    QCOMPARE(states->size(), kPhrases);
    for (const SharedPhrases::State &state : *states)
        QVERIFY2(state.done, qPrintable(state.phrase));
    qDeleteAll(programs);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Watchdog watchdog;
    TestSharedList test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sharedlist.moc"
