#include "store/archive.h"
#include "store/archivecsv.h"
#include "pgserver.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>

#include <cstdio>

namespace {

ArchivedRun run(const QString &phrase, const QDateTime &started, const QString &fragment = QStringLiteral("velmora"))
{
    ArchivedRun run;
    run.phrase = phrase;
    run.host = QStringLiteral("www.google.it");
    run.fragment = fragment;
    run.started = started;
    return run;
}

ArchivedPage page(qint64 offset, qint64 firstPosition, const QStringList &addresses,
                  std::optional<PageFeatures> features = std::nullopt)
{
    ArchivedPage page{offset, QDateTime::currentDateTime(), features ? PageReading::Today : PageReading::Classic, {}, features};
    for (const QString &address : addresses)
        page.results.append(ArchivedResult{firstPosition + page.results.size(), address,
                                           features ? QStringLiteral("Titolo di ") + address : QString()});
    return page;
}

QStringList sites(int first, int count)
{
    QStringList addresses;
    for (int i = first; i < first + count; ++i)
        addresses << QStringLiteral("http://www.sito%1.it/").arg(i);
    return addresses;
}

// A second program on the same file: writes `runs` runs of three pages, and
// says "page N" after each page it has written.
int writeAsAnotherProgram(const QString &path, int runs, int resultsPerPage)
{
    Archive archive(path);
    if (!archive.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(archive.problem()));
        return 1;
    }
    for (int r = 0; r < runs; ++r) {
        const std::optional<qint64> id = archive.beginRun(run(QStringLiteral("frase %1").arg(r % 5), QDateTime::currentDateTime()));
        if (!id)
            return 2;
        for (int p = 0; p < 3; ++p) {
            if (!archive.addPage(*id, page(p * 10, p * resultsPerPage + 1, sites(p * resultsPerPage, resultsPerPage))))
                return 3;
            std::printf("page %d\n", r * 3 + p + 1);
            std::fflush(stdout);
        }
        if (!archive.endRun(*id, RunEnd::NotFound, 3 * resultsPerPage, QDateTime::currentDateTime()))
            return 4;
    }
    return 0;
}

// Another program making a new file a database: it writes for `ms` ms,
// and says when it has begun.
int writeANewFile(const QString &path, int ms)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path);
    QSqlQuery query(db);
    if (!db.open() || !query.exec(QStringLiteral("BEGIN IMMEDIATE")) || !query.exec(QStringLiteral("CREATE TABLE altro (x)")))
        return 1;
    std::printf("scrivo\n");
    std::fflush(stdout);
    QThread::msleep(ms);
    return query.exec(QStringLiteral("COMMIT")) ? 0 : 2;
}

} // namespace

// The same tests on a file and on a PostgreSQL server; the faults of a file
// are a file's alone.
class TestArchive : public QObject
{
    Q_OBJECT
public:
    explicit TestArchive(PgServer *server = nullptr) : m_server(server) {}

private slots:
    void init();
    void startsTogetherMigrateOnce();
    void picturesAreKeptInTheArchiveForOtherMachines();
    void sharedPhraseIsHeldOnlyOnceCommitted();
    void runsComeBackAsWritten();
    void confrontaConFindsAnyFragment();
    void firstVersionIsBroughtUp();
    void devicesAndPlacesKeepTheirOwnSeries();
    void damagedFileIsSetAside_data();
    void damagedFileIsSetAside();
    void unwritableArchiveFailsCleanly();
    void fullDiskKeepsWhatWasWritten();
    void lockedArchiveWaitsThenFails();
    void newFileWaitsForTheProgramMakingIt();
    void twoProgramsWriteAtOnce();
    void killedWriterLosesNoCompletedPage();
    void exportWritesOneRowPerResult();

private:
    QString path() const { return m_server ? m_server->address() : m_dir->filePath(QStringLiteral("Archivio.sqlite")); }
    std::unique_ptr<QTemporaryDir> m_dir;
    PgServer *m_server;
};

void TestArchive::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    if (m_server)
        QVERIFY2(m_server->clear(), qPrintable(m_server->problem()));
}

void TestArchive::startsTogetherMigrateOnce()
{
    // Three programs open a new archive in the same instant: one makes each
    // step of the schema, the others wait for it and find it made. A file
    // is made a write-ahead one by the first, which the others must wait
    // for too: the race is short, so it is run many times.
    const int rounds = m_server ? 1 : 25;
    for (int round = 1; round <= rounds; ++round) {
        const QString archive = m_server ? path() : m_dir->filePath(QStringLiteral("Nuovo-%1.sqlite").arg(round));
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int i = 0; i < 3; ++i) {
            writers.push_back(std::make_unique<QProcess>());
            writers.back()->start(QCoreApplication::applicationFilePath(),
                                  {QStringLiteral("--scrivi"), archive, QStringLiteral("3"), QStringLiteral("5")});
        }
        for (const std::unique_ptr<QProcess> &writer : writers) {
            QVERIFY(writer->waitForFinished(60000));
            QVERIFY2(writer->exitCode() == 0, writer->readAllStandardError().constData());
        }
    }
    Archive archive(m_server ? path() : m_dir->filePath(QStringLiteral("Nuovo-1.sqlite")));
    QVERIFY2(archive.open(), qPrintable(archive.problem()));
    QCOMPARE(archive.version(), Archive::kVersion);
    QCOMPARE(archive.runsOf(QStringLiteral("frase 0")).size(), 3);
}

void TestArchive::picturesAreKeptInTheArchiveForOtherMachines()
{
    Archive archive(path());
    QVERIFY2(archive.open(), qPrintable(archive.problem()));
    const qint64 id = *archive.beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
    QVERIFY(archive.endRun(id, RunEnd::Found, 3, QDateTime::currentDateTime()));
    const QByteArray jpeg = QByteArray("\xff\xd8\xff\xe0 not a whole picture ") + '\0' + QByteArray(" but bytes");
    QVERIFY2(archive.addPicture(id, ArchivedPicture{QStringLiteral("/altra/macchina/x.jpg"), jpeg.size(), QRect(1, 2, 3, 4),
                                                    QSize(5, 6), jpeg}),
             qPrintable(archive.problem()));
    QCOMPARE(archive.pictureJpeg(id), jpeg);
    const std::optional<ArchivedRun> near = archive.runWithPictureNear(QStringLiteral("bimby"), QDateTime::currentDateTime());
    QVERIFY(near && near->picture);
    QCOMPARE(near->picture->hitBox, QRect(1, 2, 3, 4));
}

// A machine whose take did not commit (the server went away between the
// update and the commit) must not run the phrase: another machine will.
void TestArchive::sharedPhraseIsHeldOnlyOnceCommitted()
{
    if (!m_server)
        QSKIP("a server's commit: a file's cannot fail after its update");
    Archive archive(path());
    QVERIFY(archive.open());
    QVERIFY(archive.shareList(QStringLiteral("settimana"), {"uno", "due"}, true));
    // Every commit that touches the list fails, as one cut short would.
    QVERIFY2(m_server->exec({QStringLiteral("CREATE FUNCTION no_commit() RETURNS trigger LANGUAGE plpgsql AS"
                                            " 'BEGIN RAISE EXCEPTION ''the commit is lost''; END'"),
                             QStringLiteral("CREATE CONSTRAINT TRIGGER no_commit AFTER UPDATE ON shared_phrases"
                                            " DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION no_commit()")}),
             qPrintable(m_server->problem()));
    QVERIFY(!archive.takeSharedPhrase(QStringLiteral("settimana"), QStringLiteral("a:1"), 120));
    QVERIFY(archive.problem().contains(QStringLiteral("the commit is lost")));
    QVERIFY(m_server->exec({QStringLiteral("DROP TRIGGER no_commit ON shared_phrases")}));
    const std::optional<Archive::SharedPhrase> taken = archive.takeSharedPhrase(QStringLiteral("settimana"), QStringLiteral("b:2"), 120);
    QVERIFY(taken);
    QCOMPARE(taken->phrase, QStringLiteral("uno"));
}

void TestArchive::runsComeBackAsWritten()
{
    const QDateTime monday(QDate(2026, 11, 30), QTime(9, 0, 0, 250));
    const PageFeatures features{2, 1, QStringLiteral("http://www.sito1.it/"), true,
                                {QStringLiteral("http://www.velmora.it/"), QStringLiteral("https://it.wikipedia.org/")}, true};
    {
        Archive archive(path());
        QVERIFY(archive.open());
        QCOMPARE(archive.version(), Archive::kVersion);
        ArchivedRun bimby = run(QStringLiteral("bimby"), monday);
        bimby.token = QStringLiteral("3f1c");
        const std::optional<qint64> first = archive.beginRun(bimby);
        QVERIFY(first);
        const ArchivedPage firstPage = page(0, 1, sites(1, 10));
        QVERIFY2(archive.addPage(*first, firstPage), qPrintable(archive.problem()));
        QVERIFY(archive.addPage(*first, page(10, 11, sites(11, 9) << QStringLiteral("http://www.velmora.it/"), features)));
        QVERIFY(archive.endRun(*first, RunEnd::Found, 20, monday.addSecs(9)));
        // Sent again, as after an answer lost on the way: written once.
        QCOMPARE(archive.beginRun(bimby), first);
        QVERIFY(archive.addPage(*first, firstPage));
        QVERIFY(archive.endRun(*first, RunEnd::Found, 20, monday.addSecs(9)));
        const std::optional<qint64> second = archive.beginRun(run(QStringLiteral("ricette"), monday.addDays(7)));
        QVERIFY(second);
    }
    Archive archive(path());
    QVERIFY(archive.open());
    QCOMPARE(archive.phrases(), (QStringList{"ricette", "bimby"}));
    const QList<ArchivedRun> runs = archive.runsOf(QStringLiteral("bimby"));
    QCOMPARE(runs.size(), 1);
    const ArchivedRun &read = runs.constFirst();
    QCOMPARE(read.started, monday);
    QCOMPARE(read.ended, monday.addSecs(9));
    QCOMPARE(read.end, RunEnd::Found);
    QCOMPARE(read.position, 20);
    QCOMPARE(read.pages.size(), 2);
    QCOMPARE(read.pages[0].reading, PageReading::Classic);
    QVERIFY(!read.pages[0].features);
    QCOMPARE(read.pages[1].reading, PageReading::Today);
    QCOMPARE(read.pages[1].results.constLast(), (ArchivedResult{20, "http://www.velmora.it/", "Titolo di http://www.velmora.it/"}));
    QCOMPARE(read.pages[1].features, std::optional<PageFeatures>(features));
    QCOMPARE(read.results().size(), 20);
    QVERIFY(read.citedInAiOverview(QStringLiteral("velmora")));
    // A run the program never ended.
    QCOMPARE(archive.runsOf(QStringLiteral("ricette")).constFirst().end, RunEnd::Unfinished);
    QVERIFY(!archive.runsOf(QStringLiteral("ricette")).constFirst().ended.isValid());
}

void TestArchive::confrontaConFindsAnyFragment()
{
    Archive archive(path());
    QVERIFY(archive.open());
    const QDateTime start = QDateTime::currentDateTime();
    for (int week = 0; week < 3; ++week) {
        const std::optional<qint64> id = archive.beginRun(run(QStringLiteral("bimby"), start.addDays(7 * week)));
        // The competitor climbs one place a week, and is gone the third week.
        QStringList addresses = sites(1, 10);
        if (week < 2)
            addresses[5 - week] = QStringLiteral("https://www.concorrente.it/bimby");
        QVERIFY(archive.addPage(*id, page(0, 1, addresses)));
    }
    const QList<Archive::Position> positions = archive.positionsOf(QStringLiteral("bimby"), QStringLiteral("concorrente.it"));
    QCOMPARE(positions.size(), 3);
    QCOMPARE(positions[0].position, std::optional<qint64>(6));
    QCOMPARE(positions[1].position, std::optional<qint64>(5));
    QCOMPARE(positions[2].position, std::nullopt);
    // Case counts, as in a run.
    QCOMPARE(archive.positionsOf(QStringLiteral("bimby"), QStringLiteral("Concorrente")).constFirst().position, std::nullopt);
    QVERIFY(archive.positionsOf(QStringLiteral("altra frase"), QStringLiteral("sito")).isEmpty());
}

void TestArchive::firstVersionIsBroughtUp()
{
    qint64 old = 0;
    {
        Archive archive(path());
        QVERIFY(archive.open(1));
        QCOMPARE(archive.version(), 1);
        old = *archive.beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
        // The first version keeps the results, not what else the page showed.
        QVERIFY(archive.addPage(old, page(0, 1, sites(1, 10), PageFeatures{})));
    }
    Archive archive(path());
    QVERIFY(archive.open());
    QCOMPARE(archive.version(), Archive::kVersion);
    const std::optional<qint64> id = archive.beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime().addSecs(60)));
    QVERIFY(archive.addPage(*id, page(0, 1, sites(1, 10), PageFeatures{1, 1, QString(), true, {}, false})));
    const QList<ArchivedRun> runs = archive.runsOf(QStringLiteral("bimby"));
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[0].id, old);
    QCOMPARE(runs[0].results().size(), 10);
    QVERIFY(!runs[0].pages[0].features);
    QVERIFY(runs[1].pages[0].features->aiOverview);
}

void TestArchive::devicesAndPlacesKeepTheirOwnSeries()
{
    const QDateTime when = QDateTime::currentDateTime();
    {
        Archive archive(path());
        QVERIFY(archive.open(2));
        const qint64 old = *archive.beginRun(run(QStringLiteral("bimby"), when));
        QVERIFY(archive.addPage(old, page(0, 1, sites(1, 10))));
    }
    Archive archive(path());
    QVERIFY(archive.open());
    QCOMPARE(archive.version(), Archive::kVersion);
    ArchivedRun phone = run(QStringLiteral("bimby"), when.addSecs(60));
    phone.place = SearchPlace{Device::Smartphone, "it", "en", "Milan,Lombardy,Italy"};
    const qint64 id = *archive.beginRun(phone);
    QVERIFY(archive.addPage(id, page(0, 1, sites(3, 10))));
    const qint64 computer = *archive.beginRun(run(QStringLiteral("bimby"), when.addSecs(120)));
    QVERIFY(archive.addPage(computer, page(0, 1, sites(2, 10))));

    QCOMPARE(archive.phrases(), (QStringList{"bimby", "bimby [smartphone, Milan, en]"}));
    // The run from before the step is the computer's, at the defaults.
    const QList<ArchivedRun> computers = archive.runsOf(QStringLiteral("bimby"));
    QCOMPARE(computers.size(), 2);
    QVERIFY(computers[0].place.isDefault());
    const QList<ArchivedRun> phones = archive.runsOf(QStringLiteral("bimby [smartphone, Milan, en]"));
    QCOMPARE(phones.size(), 1);
    QCOMPARE(phones[0].place, phone.place);
    QCOMPARE(phones[0].results().size(), 10);
    // A phone's position never stands in the computer's line.
    QCOMPARE(archive.positionsOf(QStringLiteral("bimby"), QStringLiteral("sito1.")).size(), 2);
    QCOMPARE(archive.positionsOf(phones[0].series(), QStringLiteral("sito3.")).constFirst().position, std::optional<qint64>(1));
}

void TestArchive::damagedFileIsSetAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("setAside");
    QTest::newRow("text, no database") << QByteArray("frase;posizione\r\nbimby;12\r\n").repeated(200) << true;
    QByteArray header("SQLite format 3");
    header.append('\0');
    QTest::newRow("a database's header, then garbage") << header + QByteArray(8192, '\x5a') << true;
    QTest::newRow("an empty file is an empty database") << QByteArray() << false;
}

void TestArchive::damagedFileIsSetAside()
{
    if (m_server)
        QSKIP("a file's fault: the server keeps its own files");
    QFETCH(QByteArray, content);
    QFETCH(bool, setAside);
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    Archive archive(path());
    QVERIFY2(archive.open(), qPrintable(archive.problem()));
    QCOMPARE(!archive.setAside().isEmpty(), setAside);
    if (setAside) {
        const QString expected = QStringLiteral("Archivio-danneggiato-%1.sqlite").arg(QDate::currentDate().toString(Qt::ISODate));
        QCOMPARE(QFileInfo(archive.setAside()).fileName(), expected);
        QFile aside(archive.setAside());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), content);
    }
    QVERIFY(archive.beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime())));
    QCOMPARE(archive.version(), Archive::kVersion);
    if (!setAside)
        return;
    // A second damaged file the same day takes a name of its own.
    Archive(path()).beginRun(run(QStringLiteral("x"), QDateTime()));
    QFile again(path());
    QVERIFY(again.open(QIODevice::WriteOnly | QIODevice::Truncate));
    again.write(content);
    again.close();
    for (const char *suffix : {"-wal", "-shm"})
        QFile::remove(path() + QLatin1String(suffix));
    Archive reopened(path());
    QVERIFY(reopened.open());
    QVERIFY(reopened.setAside().endsWith(QLatin1String("-2.sqlite")));
}

void TestArchive::unwritableArchiveFailsCleanly()
{
    if (m_server)
        QSKIP("a file's fault: the server keeps its own files");
    // The folder cannot hold files (a file stands in its place); then the
    // archive's own name is a folder.
    QFile blocker(m_dir->filePath(QStringLiteral("cartella")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (const QString &where : {blocker.fileName() + QStringLiteral("/Archivio.sqlite"), path()}) {
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("Archivio.sqlite"))));
        Archive archive(where);
        QVERIFY(!archive.open());
        QVERIFY(!archive.problem().isEmpty());
        QVERIFY(!archive.beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime())));
        QVERIFY(!archive.addPage(1, page(0, 1, sites(1, 10))));
        QVERIFY(archive.setAside().isEmpty());
    }
    QVERIFY(QFileInfo(path()).isDir());
}

void TestArchive::fullDiskKeepsWhatWasWritten()
{
    if (m_server)
        QSKIP("a file's fault: the server keeps its own files");
    Archive archive(path());
    QVERIFY(archive.open());
    const qint64 id = *archive.beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
    QVERIFY(archive.addPage(id, page(0, 1, sites(1, 10))));
    archive.setMaximumPageCount(1);   // no room left
    QStringList many;
    for (int i = 0; i < 400; ++i)
        many << QStringLiteral("http://www.sito%1.it/%2").arg(i).arg(QString(200, QLatin1Char('x')));
    QVERIFY(!archive.addPage(id, page(10, 11, many)));
    QVERIFY2(archive.problem().contains(QLatin1String("full")), qPrintable(archive.problem()));
    // Nothing of the failed page, everything of the one before.
    Archive reader(path());
    QVERIFY(reader.open());
    const ArchivedRun read = reader.runsOf(QStringLiteral("bimby")).constFirst();
    QCOMPARE(read.pages.size(), 1);
    QCOMPARE(read.results().size(), 10);
}

void TestArchive::lockedArchiveWaitsThenFails()
{
    if (m_server)
        QSKIP("a file's fault: the server keeps its own files");
    Archive archive(path());
    QVERIFY(archive.open());
    archive.setBusyTimeout(300);
    const qint64 id = *archive.beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
    {
        // Another program holds the write lock.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("altro"));
        other.setDatabaseName(path());
        QVERIFY(other.open());
        QSqlQuery lock(other);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!archive.addPage(id, page(0, 1, sites(1, 10))));
        QVERIFY(waited.elapsed() >= 250);
        QVERIFY2(archive.problem().contains(QLatin1String("locked")), qPrintable(archive.problem()));
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("altro"));
    QVERIFY(archive.addPage(id, page(0, 1, sites(1, 10))));
    QCOMPARE(archive.runsOf(QStringLiteral("bimby")).constFirst().pages.size(), 1);
}

// Two programs starting together on a new file: the second opens it while
// the first still writes its first steps, and must wait, not fail (it used
// to fail at once, and write its runs half way, without their series).
void TestArchive::newFileWaitsForTheProgramMakingIt()
{
    if (m_server)
        QSKIP("a file's journal: the server keeps its own");
    QProcess maker;
    maker.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--crea"), path(), QStringLiteral("400")});
    QVERIFY(maker.waitForReadyRead(10000));
    QCOMPARE(maker.readLine(), QByteArray("scrivo\n"));
    Archive archive(path());
    archive.setBusyTimeout(5000);
    QVERIFY2(archive.open(), qPrintable(archive.problem()));
    QCOMPARE(archive.version(), Archive::kVersion);
    QVERIFY(maker.waitForFinished(10000));
    QCOMPARE(maker.exitCode(), 0);
    // A busy time-out that runs out leaves the archive closed, to be opened anew.
    const QString other = m_dir->filePath(QStringLiteral("b.sqlite"));
    maker.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--crea"), other, QStringLiteral("1500")});
    QVERIFY(maker.waitForReadyRead(10000));
    Archive late(other);
    late.setBusyTimeout(200);
    QVERIFY(!late.open());
    QVERIFY(!late.isOpen());
    QVERIFY(maker.waitForFinished(10000));
    QVERIFY2(late.open(), qPrintable(late.problem()));
    QCOMPARE(late.version(), Archive::kVersion);
}

void TestArchive::twoProgramsWriteAtOnce()
{
    Archive archive(path());
    QVERIFY(archive.open());   // the file exists before both start
    QList<QProcess *> writers;
    for (int i = 0; i < 2; ++i) {
        auto *writer = new QProcess(this);
        writer->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--scrivi"), path(), QStringLiteral("40"),
                                                                 QStringLiteral("10")});
        writers << writer;
    }
    for (QProcess *writer : writers) {
        QVERIFY(writer->waitForFinished(60000));
        QCOMPARE(writer->exitCode(), 0);
    }
    int runs = 0;
    qsizetype results = 0;
    for (const QString &phrase : archive.phrases()) {
        for (const ArchivedRun &run : archive.runsOf(phrase)) {
            ++runs;
            results += run.results().size();
            QCOMPARE(run.end, RunEnd::NotFound);
        }
    }
    QCOMPARE(runs, 80);
    QCOMPARE(results, 80 * 30);
}

void TestArchive::killedWriterLosesNoCompletedPage()
{
    QProcess writer;
    writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--scrivi"), path(), QStringLiteral("100000"),
                                                          QStringLiteral("300")});
    int written = 0;
    while (written < 30 && writer.waitForReadyRead(20000)) {
        while (writer.canReadLine())
            written = QString::fromLatin1(writer.readLine()).section(QLatin1Char(' '), 1).trimmed().toInt();
    }
    QVERIFY(written >= 30);
    writer.kill();   // SIGKILL, most likely in the middle of a page
    QVERIFY(writer.waitForFinished(10000));

    Archive archive(path());
    QVERIFY(archive.open());
    int pages = 0;
    for (const QString &phrase : archive.phrases()) {
        for (const ArchivedRun &run : archive.runsOf(phrase)) {
            for (const ArchivedPage &read : run.pages) {
                ++pages;
                QCOMPARE(read.results.size(), 300);
            }
        }
    }
    QVERIFY2(pages >= written, qPrintable(QStringLiteral("%1 pages of %2").arg(pages).arg(written)));
}

void TestArchive::exportWritesOneRowPerResult()
{
    Archive archive(path());
    QVERIFY(archive.open());
    const QDateTime when(QDate(2026, 12, 7), QTime(8, 30));
    const qint64 id = *archive.beginRun(run(QStringLiteral("bimby, \"veloce\""), when));
    ArchivedPage read = page(0, 1, {QStringLiteral("http://www.velmora.it/a,b"), QStringLiteral("https://support.google.com/x")},
                             PageFeatures{});
    read.results[1].title = QStringLiteral("Guida, \"Google\"\nè qui");
    QVERIFY(archive.addPage(id, read));
    QVERIFY(archive.endRun(id, RunEnd::Found, 1, when.addSecs(5)));
    const qint64 other = *archive.beginRun(run(QStringLiteral("ricette"), when.addSecs(60)));
    QVERIFY(archive.addPage(other, page(0, 1, sites(1, 3))));

    const QString csv = m_dir->filePath(QStringLiteral("uscita.csv"));
    QCOMPARE(ArchiveCsv::write(archive, QStringLiteral("bimby, \"veloce\""), csv), QString());
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("data e ora,frase,posizione,indirizzo,host,titolo,esito,dispositivo,paese,lingua,luogo,pagina vista\r\n"
                        "2026-12-07 08:30:00,\"bimby, \"\"veloce\"\"\",1,\"http://www.velmora.it/a,b\",www.velmora.it,"
                        "Titolo di http://www.velmora.it/a\\,b,posizione 1,computer,it,it,,\r\n")
                 .replace("a\\,b,posizione", "a,b\",posizione").replace("Titolo di http", "\"Titolo di http")
             + "2026-12-07 08:30:00,\"bimby, \"\"veloce\"\"\",2,https://support.google.com/x,support.google.com,"
               "\"Guida, \"\"Google\"\"\n\xc3\xa8 qui\",posizione 1,computer,it,it,,\r\n");
    file.close();
    QCOMPARE(ArchiveCsv::write(archive, QString(), csv), QString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("\r\n"), 1 + 2 + 3);
    // A file that cannot be written says so and leaves the old one whole.
    QVERIFY(!ArchiveCsv::write(archive, QString(), m_dir->filePath(QStringLiteral("manca/uscita.csv"))).isEmpty());
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--crea") == 0)
        return writeANewFile(QString::fromLocal8Bit(argv[2]), atoi(argv[3]));
    if (argc == 5 && qstrcmp(argv[1], "--scrivi") == 0)
        return writeAsAnotherProgram(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), atoi(argv[4]));
    TestArchive onFile;
    const int fileFailures = QTest::qExec(&onFile, argc, argv);
    PgServer server;
    if (!server.start()) {
        std::fprintf(stderr, "FAIL: the PostgreSQL server of the tests did not start: %s\n", qPrintable(server.problem()));
        return fileFailures + 1;
    }
    qputenv("PGPASSFILE", server.passFile().toLocal8Bit());
    TestArchive onServer(&server);
    return fileFailures + QTest::qExec(&onServer, argc, argv);
}

#include "tst_archive.moc"
