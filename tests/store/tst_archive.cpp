#include "store/archive.h"
#include "store/archivecsv.h"
#include "store/archivereports.h"
#include "store/runarchive.h"
#include "store/sharedphrases.h"
#include "pgserver.h"
#include "store/archivefixtures.h"
#include "spreadsheet.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
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
    ArchivedPage page{offset, QDateTime::currentDateTime(), features ? PageReading::Today : PageReading::Classic, {}, features, {}, 0};
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
    if (const Result<void> opened = archive.open(); !opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error()));
        return 1;
    }
    for (int r = 0; r < runs; ++r) {
        const Result<qint64> id = RunArchive(archive).beginRun(run(QStringLiteral("frase %1").arg(r % 5), QDateTime::currentDateTime()));
        if (!id)
            return 2;
        for (int p = 0; p < 3; ++p) {
            if (!RunArchive(archive).addPage(*id, page(p * 10, p * resultsPerPage + 1, sites(p * resultsPerPage, resultsPerPage))))
                return 3;
            std::printf("page %d\n", r * 3 + p + 1);
            std::fflush(stdout);
        }
        if (!RunArchive(archive).endRun(*id, RunEnd::NotFound, 3 * resultsPerPage, QDateTime::currentDateTime()))
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
    void exportKeepsFormulasAsText_data();
    void exportKeepsFormulasAsText();
    void earlierStepsOpenAndReadAsBefore_data();
    void earlierStepsOpenAndReadAsBefore();
    void aFailedQueryFailsTheWholeRead_data();
    void aFailedQueryFailsTheWholeRead();

private:
    // Statements of the test's own, on a connection of their own.
    bool execAside(const QStringList &statements);
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
    QCOMPARE(archive.open().error(), QString());
    QCOMPARE(archive.version(), Archive::kVersion);
    QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("frase 0"))->size(), 3);
}

void TestArchive::picturesAreKeptInTheArchiveForOtherMachines()
{
    Archive archive(path());
    QCOMPARE(archive.open().error(), QString());
    const qint64 id = *RunArchive(archive).beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
    QVERIFY(RunArchive(archive).endRun(id, RunEnd::Found, 3, QDateTime::currentDateTime()));
    const QByteArray jpeg = QByteArray("\xff\xd8\xff\xe0 not a whole picture ") + '\0' + QByteArray(" but bytes");
    QCOMPARE(RunArchive(archive)
                 .addPicture(id, ArchivedPicture{QStringLiteral("/altra/macchina/x.jpg"), jpeg.size(), QRect(1, 2, 3, 4), QSize(5, 6), jpeg})
                 .error(),
             QString());
    QCOMPARE(*RunArchive(archive).pictureJpeg(id), jpeg);
    const std::optional<ArchivedRun> near = *RunArchive(archive).runWithPictureNear(QStringLiteral("bimby"), QDateTime::currentDateTime());
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
    QVERIFY(SharedPhrases(archive).share(QStringLiteral("settimana"), {"uno", "due"}, true));
    // Every commit that touches the list fails, as one cut short would.
    QVERIFY2(m_server->exec({QStringLiteral("CREATE FUNCTION no_commit() RETURNS trigger LANGUAGE plpgsql AS"
                                            " 'BEGIN RAISE EXCEPTION ''the commit is lost''; END'"),
                             QStringLiteral("CREATE CONSTRAINT TRIGGER no_commit AFTER UPDATE ON shared_phrases"
                                            " DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION no_commit()")}),
             qPrintable(m_server->problem()));
    const Result<std::optional<SharedPhrases::Phrase>> lost = SharedPhrases(archive).take(QStringLiteral("settimana"), QStringLiteral("a:1"), 120);
    QVERIFY(!lost);
    QVERIFY(lost.error().contains(QStringLiteral("the commit is lost")));
    QVERIFY(m_server->exec({QStringLiteral("DROP TRIGGER no_commit ON shared_phrases")}));
    const std::optional<SharedPhrases::Phrase> taken = *SharedPhrases(archive).take(QStringLiteral("settimana"), QStringLiteral("b:2"), 120);
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
        const Result<qint64> first = RunArchive(archive).beginRun(bimby);
        QVERIFY(first);
        const ArchivedPage firstPage = page(0, 1, sites(1, 10));
        QCOMPARE(RunArchive(archive).addPage(*first, firstPage).error(), QString());
        QVERIFY(RunArchive(archive).addPage(*first, page(10, 11, sites(11, 9) << QStringLiteral("http://www.velmora.it/"), features)));
        QVERIFY(RunArchive(archive).endRun(*first, RunEnd::Found, 20, monday.addSecs(9)));
        // Sent again, as after an answer lost on the way: written once.
        QCOMPARE(*RunArchive(archive).beginRun(bimby), *first);
        QVERIFY(RunArchive(archive).addPage(*first, firstPage));
        QVERIFY(RunArchive(archive).endRun(*first, RunEnd::Found, 20, monday.addSecs(9)));
        QVERIFY(RunArchive(archive).beginRun(run(QStringLiteral("ricette"), monday.addDays(7))));
    }
    Archive archive(path());
    QVERIFY(archive.open());
    QCOMPARE(*RunArchive(archive).series(), (QStringList{"ricette", "bimby"}));
    const QList<ArchivedRun> runs = *RunArchive(archive).runsOf(QStringLiteral("bimby"));
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
    QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("ricette"))->constFirst().end, RunEnd::Unfinished);
    QVERIFY(!RunArchive(archive).runsOf(QStringLiteral("ricette"))->constFirst().ended.isValid());
}

void TestArchive::confrontaConFindsAnyFragment()
{
    Archive archive(path());
    QVERIFY(archive.open());
    const QDateTime start = QDateTime::currentDateTime();
    for (int week = 0; week < 3; ++week) {
        const Result<qint64> id = RunArchive(archive).beginRun(run(QStringLiteral("bimby"), start.addDays(7 * week)));
        // The competitor climbs one place a week, and is gone the third week.
        QStringList addresses = sites(1, 10);
        if (week < 2)
            addresses[5 - week] = QStringLiteral("https://www.concorrente.it/bimby");
        QVERIFY(RunArchive(archive).addPage(*id, page(0, 1, addresses)));
    }
    const QList<ArchiveReports::Position> positions = *ArchiveReports(archive).positionsOf(QStringLiteral("bimby"), QStringLiteral("concorrente.it"));
    QCOMPARE(positions.size(), 3);
    QCOMPARE(positions[0].position, std::optional<qint64>(6));
    QCOMPARE(positions[1].position, std::optional<qint64>(5));
    QCOMPARE(positions[2].position, std::nullopt);
    // Case counts, as in a run.
    QCOMPARE(ArchiveReports(archive).positionsOf(QStringLiteral("bimby"), QStringLiteral("Concorrente"))->constFirst().position, std::nullopt);
    QVERIFY(ArchiveReports(archive).positionsOf(QStringLiteral("altra frase"), QStringLiteral("sito"))->isEmpty());
}

void TestArchive::firstVersionIsBroughtUp()
{
    qint64 old = 0;
    {
        Archive archive(path());
        QVERIFY(archive.open(1));
        QCOMPARE(archive.version(), 1);
        old = *RunArchive(archive).beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
        // The first version keeps the results, not what else the page showed.
        QVERIFY(RunArchive(archive).addPage(old, page(0, 1, sites(1, 10), PageFeatures{})));
    }
    Archive archive(path());
    QVERIFY(archive.open());
    QCOMPARE(archive.version(), Archive::kVersion);
    const Result<qint64> id = RunArchive(archive).beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime().addSecs(60)));
    QVERIFY(RunArchive(archive).addPage(*id, page(0, 1, sites(1, 10), PageFeatures{1, 1, QString(), true, {}, false})));
    const QList<ArchivedRun> runs = *RunArchive(archive).runsOf(QStringLiteral("bimby"));
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
        const qint64 old = *RunArchive(archive).beginRun(run(QStringLiteral("bimby"), when));
        QVERIFY(RunArchive(archive).addPage(old, page(0, 1, sites(1, 10))));
    }
    Archive archive(path());
    QVERIFY(archive.open());
    QCOMPARE(archive.version(), Archive::kVersion);
    ArchivedRun phone = run(QStringLiteral("bimby"), when.addSecs(60));
    phone.place = SearchPlace{Device::Smartphone, "it", "en", "Milan,Lombardy,Italy"};
    const qint64 id = *RunArchive(archive).beginRun(phone);
    QVERIFY(RunArchive(archive).addPage(id, page(0, 1, sites(3, 10))));
    const qint64 computer = *RunArchive(archive).beginRun(run(QStringLiteral("bimby"), when.addSecs(120)));
    QVERIFY(RunArchive(archive).addPage(computer, page(0, 1, sites(2, 10))));

    QCOMPARE(*RunArchive(archive).series(), (QStringList{"bimby", "bimby [smartphone, Milan, en]"}));
    // The run from before the step is the computer's, at the defaults.
    const QList<ArchivedRun> computers = *RunArchive(archive).runsOf(QStringLiteral("bimby"));
    QCOMPARE(computers.size(), 2);
    QVERIFY(computers[0].place.isDefault());
    const QList<ArchivedRun> phones = *RunArchive(archive).runsOf(QStringLiteral("bimby [smartphone, Milan, en]"));
    QCOMPARE(phones.size(), 1);
    QCOMPARE(phones[0].place, phone.place);
    QCOMPARE(phones[0].results().size(), 10);
    // A phone's position never stands in the computer's line.
    QCOMPARE(ArchiveReports(archive).positionsOf(QStringLiteral("bimby"), QStringLiteral("sito1."))->size(), 2);
    QCOMPARE(ArchiveReports(archive).positionsOf(phones[0].series(), QStringLiteral("sito3."))->constFirst().position, std::optional<qint64>(1));
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
    QCOMPARE(archive.open().error(), QString());
    QCOMPARE(!archive.setAside().isEmpty(), setAside);
    if (setAside) {
        const QString expected = QStringLiteral("Archivio-danneggiato-%1.sqlite").arg(QDate::currentDate().toString(Qt::ISODate));
        QCOMPARE(QFileInfo(archive.setAside()).fileName(), expected);
        QFile aside(archive.setAside());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), content);
    }
    QVERIFY(RunArchive(archive).beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime())));
    QCOMPARE(archive.version(), Archive::kVersion);
    if (!setAside)
        return;
    // A second damaged file the same day takes a name of its own.
    {
        Archive unopened(path());
        QVERIFY(!RunArchive(unopened).beginRun(run(QStringLiteral("x"), QDateTime())));
    }
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
        const Result<void> opened = archive.open();
        QVERIFY(!opened);
        QVERIFY(!opened.error().isEmpty());
        QVERIFY(!RunArchive(archive).beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime())));
        QVERIFY(!RunArchive(archive).addPage(1, page(0, 1, sites(1, 10))));
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
    const qint64 id = *RunArchive(archive).beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
    QVERIFY(RunArchive(archive).addPage(id, page(0, 1, sites(1, 10))));
    QVERIFY(archive.setMaximumPageCount(1));   // no room left
    QStringList many;
    for (int i = 0; i < 400; ++i)
        many << QStringLiteral("http://www.sito%1.it/%2").arg(i).arg(QString(200, QLatin1Char('x')));
    const Result<void> full = RunArchive(archive).addPage(id, page(10, 11, many));
    QVERIFY(!full);
    QVERIFY2(full.error().contains(QLatin1String("full")), qPrintable(full.error()));
    // Nothing of the failed page, everything of the one before.
    Archive reader(path());
    QVERIFY(reader.open());
    const ArchivedRun read = RunArchive(reader).runsOf(QStringLiteral("bimby"))->constFirst();
    QCOMPARE(read.pages.size(), 1);
    QCOMPARE(read.results().size(), 10);
}

void TestArchive::lockedArchiveWaitsThenFails()
{
    if (m_server)
        QSKIP("a file's fault: the server keeps its own files");
    Archive archive(path());
    QVERIFY(archive.open());
    QVERIFY(archive.setBusyTimeout(300));
    const qint64 id = *RunArchive(archive).beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
    {
        // Another program holds the write lock.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("altro"));
        other.setDatabaseName(path());
        QVERIFY(other.open());
        QSqlQuery lock(other);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QElapsedTimer waited;
        waited.start();
        const Result<void> locked = RunArchive(archive).addPage(id, page(0, 1, sites(1, 10)));
        QVERIFY(!locked);
        QVERIFY(waited.elapsed() >= 250);
        QVERIFY2(locked.error().contains(QLatin1String("locked")), qPrintable(locked.error()));
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("altro"));
    QVERIFY(RunArchive(archive).addPage(id, page(0, 1, sites(1, 10))));
    QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("bimby"))->constFirst().pages.size(), 1);
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
    QVERIFY(archive.setBusyTimeout(5000));
    QCOMPARE(archive.open().error(), QString());
    QCOMPARE(archive.version(), Archive::kVersion);
    QVERIFY(maker.waitForFinished(10000));
    QCOMPARE(maker.exitCode(), 0);
    // A busy time-out that runs out leaves the archive closed, to be opened anew.
    const QString other = m_dir->filePath(QStringLiteral("b.sqlite"));
    maker.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--crea"), other, QStringLiteral("1500")});
    QVERIFY(maker.waitForReadyRead(10000));
    Archive late(other);
    QVERIFY(late.setBusyTimeout(200));
    QVERIFY(!late.open());
    QVERIFY(!late.isOpen());
    QVERIFY(maker.waitForFinished(10000));
    QCOMPARE(late.open().error(), QString());
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
    for (const QString &phrase : *RunArchive(archive).series()) {
        for (const ArchivedRun &run : *RunArchive(archive).runsOf(phrase)) {
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
    for (const QString &phrase : *RunArchive(archive).series()) {
        for (const ArchivedRun &run : *RunArchive(archive).runsOf(phrase)) {
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
    const qint64 id = *RunArchive(archive).beginRun(run(QStringLiteral("bimby, \"veloce\""), when));
    ArchivedPage read = page(0, 1, {QStringLiteral("http://www.velmora.it/a,b"), QStringLiteral("https://support.google.com/x")},
                             PageFeatures{});
    read.results[1].title = QStringLiteral("Guida, \"Google\"\nè qui");
    QVERIFY(RunArchive(archive).addPage(id, read));
    QVERIFY(RunArchive(archive).endRun(id, RunEnd::Found, 1, when.addSecs(5)));
    const qint64 other = *RunArchive(archive).beginRun(run(QStringLiteral("ricette"), when.addSecs(60)));
    QVERIFY(RunArchive(archive).addPage(other, page(0, 1, sites(1, 3))));

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
    file.close();

    // Read again by a newer reader, which finds one result: the export gives
    // the newest reading, and on demand the one it replaced, each marked.
    ArchivedPage reread = page(0, 1, {QStringLiteral("http://www.velmora.it/")}, PageFeatures{});
    reread.reader = 7;
    qint64 pageId = 0;
    QVERIFY(archive.rows(QStringLiteral("SELECT id FROM pages WHERE run_id = ?"), {id},
                         [&pageId](const QSqlQuery &row) { pageId = row.value(0).toLongLong(); }));
    QVERIFY(RunArchive(archive).addRereadings({{pageId, reread}}));
    QCOMPARE(ArchiveCsv::write(archive, QStringLiteral("bimby, \"veloce\""), csv), QString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[1].startsWith("2026-12-07 08:30:00,\"bimby, \"\"veloce\"\"\",1,http://www.velmora.it/,"), lines[1]);
    QCOMPARE(ArchiveCsv::write(archive, QStringLiteral("bimby, \"veloce\""), csv, true), QString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QStringList> rows = Spreadsheet::rows(file.readAll());
    file.close();
    QCOMPARE(rows.size(), 1 + 2 + 1);
    QCOMPARE(rows[0].mid(12), (QStringList{"lettore", "lettura"}));
    QCOMPARE(rows[1].mid(12), (QStringList{"0", "sostituita"}));
    QCOMPARE(rows[2][3], QStringLiteral("https://support.google.com/x"));
    QCOMPARE(rows[2].mid(12), (QStringList{"0", "sostituita"}));
    QCOMPARE(rows[3][3], QStringLiteral("http://www.velmora.it/"));
    QCOMPARE(rows[3].mid(12), (QStringList{"7", "più recente"}));
    // A file that cannot be written says so and leaves the old one whole.
    QVERIFY(!ArchiveCsv::write(archive, QString(), m_dir->filePath(QStringLiteral("manca/uscita.csv"))).isEmpty());
}

bool TestArchive::execAside(const QStringList &statements)
{
    if (m_server)
        return m_server->exec(statements);
    bool done = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("a parte"));
        db.setDatabaseName(path());
        done = db.open();
        for (const QString &statement : statements) {
            QSqlQuery query(db);
            done = done && query.exec(statement);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("a parte"));
    return done;
}

void TestArchive::exportKeepsFormulasAsText_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("title");
    QTest::newRow("a formula") << "=1+2" << "http://www.velmora.it/" << "=HYPERLINK(\"http://x.it\",\"clic\")";
    QTest::newRow("a sign") << "+39 333 1234567" << "http://www.velmora.it/-offerte" << "-20% sul bimby";
    QTest::newRow("a sum, another way") << "@SOMMA(A1:A9)" << "http://www.velmora.it/@negozio" << "@velmora";
    QTest::newRow("a tab and a carriage return") << "\tbimby" << "http://www.velmora.it/" << "\rbimby, nuovo";
    QTest::newRow("minus, then a quote and a comma") << "-bimby \"tm6\", usato" << "http://www.velmora.it/" << "-";
    QTest::newRow("plain text stays as it was") << "bimby = tm6" << "http://www.velmora.it/" << "Bimby - Velmora";
}

// Phrases come from other people's machines and titles from Google's pages:
// a spreadsheet opening the export shows them as they are and runs none.
void TestArchive::exportKeepsFormulasAsText()
{
    QFETCH(QString, phrase);
    QFETCH(QString, address);
    QFETCH(QString, title);
    Archive archive(path());
    QVERIFY(archive.open());
    RunArchive runs(archive);
    const qint64 id = *runs.beginRun(run(phrase, QDateTime(QDate(2026, 12, 7), QTime(8, 30))));
    ArchivedPage read = page(0, 1, {address}, PageFeatures{});
    read.results[0].title = title;
    QVERIFY(runs.addPage(id, read));
    QVERIFY(runs.endRun(id, RunEnd::Found, 1, QDateTime::currentDateTime()));
    const QString csv = m_dir->filePath(QStringLiteral("uscita.csv"));
    QCOMPARE(ArchiveCsv::write(archive, phrase, csv), QString());
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QStringList> rows = Spreadsheet::rows(file.readAll());
    QCOMPARE(rows.size(), 2);
    const QStringList &row = rows[1];
    QCOMPARE(row.size(), rows[0].size());
    for (const QString &field : row)
        QVERIFY2(Spreadsheet::seen(field) != Spreadsheet::Seen::Formula, qPrintable(field));
    QCOMPARE(Spreadsheet::shown(row[1]), phrase);
    QCOMPARE(Spreadsheet::seen(row[2]), Spreadsheet::Seen::Number);
    QCOMPARE(Spreadsheet::shown(row[3]), address);
    QCOMPARE(Spreadsheet::shown(row[5]), title);
}

void TestArchive::earlierStepsOpenAndReadAsBefore_data()
{
    QTest::addColumn<int>("step");
    for (int step = 1; step <= Archive::kVersion; ++step)
        QTest::addRow("an archive at step %d", step) << step;
}

// Archives the program wrote at each step of its schema (their rows are in
// tests/store/archives/, with what the program read of them once it had
// brought them up to date): this program brings them up as it did, reads
// them as it read them, and writes on after them.
void TestArchive::earlierStepsOpenAndReadAsBefore()
{
    QFETCH(int, step);
    int earlierRuns = 0;
    {
        Archive made(path());
        QCOMPARE(made.open(step).error(), QString());
        QCOMPARE(made.version(), step);
        QStringList rows;
        for (const QString &line : QString::fromUtf8(ArchiveFixtures::fixture(QStringLiteral("step%1.sql").arg(step))).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("INSERT")))
                rows << line;
            earlierRuns += line.startsWith(QLatin1String("INSERT INTO runs ")) ? 1 : 0;
        }
        QVERIFY(rows.size() > 10);
        if (m_server) {
            // A server writes its bytes another way, and counts its ids on.
            static const QRegularExpression bytes(QStringLiteral("X'([0-9A-F]*)'"));
            rows.replaceInStrings(bytes, QStringLiteral("'\\x\\1'::bytea"));
            for (const char *table : {"runs", "pages"})
                rows << QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), (SELECT max(id) FROM %1))").arg(QLatin1String(table));
        }
        QVERIFY(made.transaction([&]() -> Result<void> {
            for (const QString &row : rows) {
                if (const Result<QSqlQuery> done = made.exec(row); !done)
                    return done.failure();
            }
            return {};
        }));
    }
    Archive archive(path());
    QCOMPARE(archive.open().error(), QString());
    QCOMPARE(archive.version(), Archive::kVersion);
    const QString expected = QString::fromUtf8(ArchiveFixtures::fixture(QStringLiteral("step%1-read.txt").arg(step)));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(ArchiveFixtures::readingOf(archive), expected);
    // And it goes on where the earlier program left it.
    RunArchive runs(archive);
    ArchivedRun later = run(QStringLiteral("bimby"), QDateTime(QDate(2026, 3, 16), QTime(8, 0), Qt::UTC));
    later.token = QStringLiteral("dopo");
    const Result<qint64> id = runs.beginRun(later);
    QCOMPARE(id.error(), QString());
    QCOMPARE(*id, earlierRuns + 1);
    QCOMPARE(runs.addPage(*id, page(0, 1, sites(1, 10), PageFeatures{})).error(), QString());
    QCOMPARE(runs.endRun(*id, RunEnd::NotFound, 10, later.started.addSecs(5)).error(), QString());
    QCOMPARE(runs.addPicture(*id, ArchivedPicture{QStringLiteral("/p/dopo.jpg"), 10, QRect(), QSize(1, 1), QByteArray("jpeg")}).error(),
             QString());
    QCOMPARE(*runs.beginRun(later), *id);
    const QList<ArchivedRun> bimby = *runs.runsOf(QStringLiteral("bimby"));
    QCOMPARE(bimby.constLast().id, *id);
    QCOMPARE(bimby.constLast().results().size(), 10);
    QCOMPARE(*runs.pictureJpeg(*id), QByteArray("jpeg"));
}

void TestArchive::aFailedQueryFailsTheWholeRead_data()
{
    QTest::addColumn<QString>("table");
    for (const char *table : {"runs", "pictures", "pages", "results", "page_features", "ai_citations"})
        QTest::newRow(table) << QString::fromLatin1(table);
}

// A series is read in a query a table: one that fails fails the read, which
// never passes part of the runs for all of them.
void TestArchive::aFailedQueryFailsTheWholeRead()
{
    QFETCH(QString, table);
    Archive archive(path());
    QVERIFY(archive.open());
    RunArchive runs(archive);
    const qint64 id = *runs.beginRun(run(QStringLiteral("bimby"), QDateTime::currentDateTime()));
    QVERIFY(runs.addPage(id, page(0, 1, sites(1, 10), PageFeatures{1, 0, QString(), true, {QStringLiteral("http://www.sito2.it/")}, true})));
    QVERIFY(runs.addPicture(id, ArchivedPicture{QStringLiteral("/p/x.jpg"), 10, QRect(), QSize(1, 1), QByteArray()}));
    const QString whole = ArchiveFixtures::readingOf(archive);

    QVERIFY(execAside({QStringLiteral("ALTER TABLE %1 RENAME TO altrove").arg(table)}));
    const Result<QList<ArchivedRun>> read = runs.runsOf(QStringLiteral("bimby"));
    QVERIFY(!read);
    QVERIFY2(read.error().contains(table), qPrintable(read.error()));
    // The table back, the runs read whole again: a server's connection that
    // failed is opened anew.
    QVERIFY(execAside({QStringLiteral("ALTER TABLE altrove RENAME TO %1").arg(table)}));
    QCOMPARE(runs.runsOf(QStringLiteral("bimby")).error(), QString());
    QCOMPARE(ArchiveFixtures::readingOf(archive), whole);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--crea") == 0)
        return writeANewFile(QString::fromLocal8Bit(argv[2]), atoi(argv[3]));
    if (argc == 4 && qstrcmp(argv[1], "--passo") == 0)
        return ArchiveFixtures::write(atoi(argv[2]), QString::fromLocal8Bit(argv[3]));
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
