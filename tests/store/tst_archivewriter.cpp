#include "store/archive.h"
#include "store/archivespool.h"
#include "store/archivewriter.h"
#include "store/pagecompression.h"
#include "store/runarchive.h"

#include <QDir>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// What the archive cannot take waits, in order, in a file beside it, and is
// written once it can: later in the same program, or by the next one.
class TestArchiveWriter : public QObject
{
    Q_OBJECT
private slots:
    void recordsSurviveTheirFile_data();
    void recordsSurviveTheirFile();
    void nothingIsLostWhileTheArchiveCannotBeWritten_data();
    void nothingIsLostWhileTheArchiveCannotBeWritten();
    void aFileTakenSkipsWhatWasWritten();
    void aPageReadingHasOneSpelling_data();
    void aPageReadingHasOneSpelling();
    void pagesAreKeptForTheLatestRuns_data();
    void pagesAreKeptForTheLatestRuns();
    void aPageThatCannotBeKeptIsWrittenWithoutIt();
    void keptBytesThatAreNoPageSayWhy_data();
    void keptBytesThatAreNoPageSayWhy();
};

namespace {

ArchivedRun runOf(const QString &phrase)
{
    ArchivedRun run;
    run.phrase = phrase;
    run.place.device = Device::Smartphone;
    run.place.place = QStringLiteral("Milan,Lombardy,Italy");
    run.host = QStringLiteral("www.google.it");
    run.fragment = QStringLiteral("velmora");
    run.started = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 1, 250), Qt::UTC);
    return run;
}

ArchivedPage pageOf(int offset)
{
    ArchivedPage page;
    page.offset = offset;
    page.readAt = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 2), Qt::UTC);
    page.reading = PageReading::Today;
    page.results = {{offset + 1, QStringLiteral("http://www.a.it/è"), QStringLiteral("Titolo \"uno\"")},
                    {offset + 2, QStringLiteral("http://www.velmora.it/"), QString()}};
    // An overview still being generated when read, with the source it showed.
    page.features = PageFeatures{2, 1, QStringLiteral("http://www.fonte.it/"), true, {QStringLiteral("http://c.it/")}, true, true,
                                 {{QStringLiteral("Idraulica \"Rossi\""), QString(), QStringLiteral("https://maps.google.com/?cid=1")},
                                  {QStringLiteral("Velmora"), QStringLiteral("http://www.velmora.it/"), QStringLiteral("https://maps.google.com/?cid=2")}}};
    return page;
}

QString spoolOf(const QString &archive, qint64 pid)
{
    return QStringLiteral("%1-in-attesa-%2.jsonl").arg(archive).arg(pid);
}

// Three runs: begun, a page each, ended, and the first with a picture.
void writeRuns(ArchiveWriter &writer, int from)
{
    for (int i = from; i < from + 3; ++i) {
        const quint64 run = writer.beginRun(runOf(QStringLiteral("frase %1").arg(i)));
        writer.addPage(run, pageOf(i * 10));
        writer.endRun(run, RunEnd::Found, i * 10 + 2, QDateTime(QDate(2026, 12, 8), QTime(10, 1), Qt::UTC));
        if (i == from)
            writer.addPicture(run, ArchivedPicture{QStringLiteral("/p/%1.jpg").arg(i), 5000, QRect(1, 2, 3, 4), QSize(10, 20), QByteArray()});
    }
}

} // namespace

void TestArchiveWriter::recordsSurviveTheirFile_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("a run begun") << int(ArchiveRecord::Kind::Begin);
    QTest::newRow("a page with its blocks") << int(ArchiveRecord::Kind::Page);
    QTest::newRow("a run ended") << int(ArchiveRecord::Kind::End);
    QTest::newRow("a picture") << int(ArchiveRecord::Kind::Picture);
}

void TestArchiveWriter::recordsSurviveTheirFile()
{
    QFETCH(int, kind);
    ArchiveRecord record;
    record.kind = ArchiveRecord::Kind(kind);
    record.handle = (quint64(1) << 50) + 7;
    record.runId = 42;
    record.run = runOf(QStringLiteral("caffè & \"latte\""));
    record.run.token = QStringLiteral("6c1e-42");
    record.page = pageOf(10);
    record.page.kept = KeptMarkup{{}, PageCompression::compress("<html><body>pagina</body></html>"), 3, 10};
    record.end = RunEnd::ResultsEnded;
    record.position = 37;
    record.packPlace = 2;
    record.ended = QDateTime(QDate(2026, 12, 8), QTime(10, 1, 5, 9), Qt::UTC);
    record.picture = ArchivedPicture{QStringLiteral("/p/a b.jpg"), 51234, QRect(0, 140, 1366, 90), QSize(1366, 1088),
                                     QByteArray("\xff\xd8 jpeg \0 bytes", 16)};
    const QByteArray line = ArchiveSpool::encode(record);
    QVERIFY(!line.contains('\n'));
    const std::optional<ArchiveRecord> back = ArchiveSpool::decode(line);
    QVERIFY(back);
    QCOMPARE(int(back->kind), kind);
    QCOMPARE(back->handle, record.handle);
    QCOMPARE(back->runId, record.runId);
    switch (record.kind) {
    case ArchiveRecord::Kind::Begin:
        QCOMPARE(back->run.series(), record.run.series());
        QCOMPARE(back->run.started, record.run.started);
        QCOMPARE(back->run.fragment, record.run.fragment);
        QCOMPARE(back->run.token, record.run.token);
        break;
    case ArchiveRecord::Kind::Page:
        QCOMPARE(back->page.results, record.page.results);
        QCOMPARE(back->page.features, record.page.features);
        QCOMPARE(back->page.readAt, record.page.readAt);
        QCOMPARE(back->page.kept.compressed, record.page.kept.compressed);
        QCOMPARE(back->page.kept.reader, 3);
        QCOMPARE(back->page.kept.runs, 10);
        break;
    case ArchiveRecord::Kind::End:
        QCOMPARE(back->end, record.end);
        QCOMPARE(back->position, record.position);
        QCOMPARE(back->packPlace, 2);
        QCOMPARE(back->ended, record.ended);
        break;
    case ArchiveRecord::Kind::Picture:
        QCOMPARE(back->picture, record.picture);
        break;
    }
    QVERIFY(!ArchiveSpool::decode(line.left(line.size() / 2)));   // a line cut short by a crash
}

void TestArchiveWriter::nothingIsLostWhileTheArchiveCannotBeWritten_data()
{
    QTest::addColumn<bool>("programEnds");   // the program ends before the archive can be written again
    QTest::addColumn<bool>("sentTwice");     // and a later one finds them again, written
    QTest::newRow("the same program writes them later") << false << false;
    QTest::newRow("the next program writes them") << true << false;
    QTest::newRow("written, but a program killed before its file knew") << true << true;
}

void TestArchiveWriter::nothingIsLostWhileTheArchiveCannotBeWritten()
{
    QFETCH(bool, programEnds);
    QFETCH(bool, sentTwice);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Archivio.sqlite"));
    {
        ArchiveWriter writer(path);
        writeRuns(writer, 1);
        writer.flush();
    }
    // A folder in the archive's place: nothing can be written.
    QVERIFY(QFile::rename(path, path + QStringLiteral(".vero")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Archivio.sqlite")));
    auto writer = std::make_unique<ArchiveWriter>(path);
    QSignalSpy faults(writer.get(), &ArchiveWriter::fault);
    writeRuns(*writer, 4);
    writer->flush();
    QVERIFY(!faults.isEmpty());
    const QString spool = spoolOf(path, QCoreApplication::applicationPid());
    QVERIFY2(QFileInfo::exists(spool), "the records wait in a file, should the program be killed");
    if (programEnds) {
        writer.reset();
        // As a program that has ended left it.
        QVERIFY(QFile::rename(spool, spoolOf(path, 999999999)));
        if (sentTwice)
            QVERIFY(QFile::copy(spoolOf(path, 999999999), dir.filePath(QStringLiteral("copia"))));
    }
    QVERIFY(QDir(path).removeRecursively());
    QVERIFY(QFile::rename(path + QStringLiteral(".vero"), path));
    if (!writer)
        writer = std::make_unique<ArchiveWriter>(path);
    writeRuns(*writer, 7);
    writer->flush();
    writer.reset();
    if (sentTwice) {
        QVERIFY(QFile::rename(dir.filePath(QStringLiteral("copia")), spoolOf(path, 999999998)));
        // Taken by the next program that writes.
        ArchiveWriter next(path);
        writeRuns(next, 10);
        next.flush();
    }

    Archive archive(path);
    QVERIFY(archive.open());
    for (int i = 1; i <= 9; ++i) {
        const QList<ArchivedRun> runs = *RunArchive(archive).runsOf(QStringLiteral("frase %1 [smartphone, Milan]").arg(i));
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs.constFirst().end, RunEnd::Found);
        QCOMPARE(runs.constFirst().position, i * 10 + 2);
        QCOMPARE(runs.constFirst().pages.size(), 1);
        QCOMPARE(runs.constFirst().pages.constFirst().results, pageOf(i * 10).results);
        QCOMPARE(runs.constFirst().picture.has_value(), i % 3 == 1);
    }
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*in-attesa*")}, QDir::Files), QStringList());
}

// A program killed while its file drained: the records it counted as written
// are not sent again, but for the beginnings of runs, which name their runs.
void TestArchiveWriter::aFileTakenSkipsWhatWasWritten()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("Archivio.sqlite"));
    const QString file = spoolOf(archive, 999999999);
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    const ArchiveRecord::Kind kinds[] = {ArchiveRecord::Kind::Begin, ArchiveRecord::Kind::Page, ArchiveRecord::Kind::End,
                                         ArchiveRecord::Kind::Begin, ArchiveRecord::Kind::Page};
    const quint64 handles[] = {1, 1, 1, 2, 2};
    for (int i = 0; i < 5; ++i) {
        ArchiveRecord record;
        record.kind = kinds[i];
        record.handle = handles[i];
        record.page = pageOf(i * 10);
        out.write(ArchiveSpool::encode(record) + '\n');
    }
    out.close();
    QFile count(file + QStringLiteral(".scritti"));
    QVERIFY(count.open(QIODevice::WriteOnly));
    count.write("4");
    count.close();

    quint64 next = 100;
    QStringList taken;
    const std::deque<ArchiveRecord> left = ArchiveSpool::takeLeftOver(archive, next, taken);
    QCOMPARE(taken.size(), 2);   // the file and its count
    QCOMPARE(left.size(), std::size_t(3));
    QCOMPARE(left[0].kind, ArchiveRecord::Kind::Begin);
    QCOMPARE(left[1].kind, ArchiveRecord::Kind::Begin);
    QCOMPARE(left[2].kind, ArchiveRecord::Kind::Page);
    QCOMPARE(left[2].page.offset, 40);
    QCOMPARE(left[2].handle, left[1].handle);
    QVERIFY(left[0].handle != left[1].handle);
    QVERIFY(!QFileInfo::exists(file) && !QFileInfo::exists(count.fileName()));
}

void TestArchiveWriter::aPageReadingHasOneSpelling_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("reading");
    QTest::newRow("today's markup") << QByteArray("attuale") << int(PageReading::Today);
    QTest::newRow("the classic markup") << QByteArray("classica") << int(PageReading::Classic);
    QTest::newRow("today's, as older programs wrote it") << QByteArray("oggi") << int(PageReading::Today);
}

// The archive's own name for a page's reading, in the file of records
// waiting too; a file left by an older program still reads.
void TestArchiveWriter::aPageReadingHasOneSpelling()
{
    QFETCH(QByteArray, written);
    QFETCH(int, reading);
    ArchiveRecord record;
    record.kind = ArchiveRecord::Kind::Page;
    record.handle = 3;
    record.page = pageOf(0);
    record.page.reading = PageReading(reading);
    QByteArray line = ArchiveSpool::encode(record);
    QVERIFY(line.contains(reading == int(PageReading::Today) ? "\"lettura\":\"attuale\"" : "\"lettura\":\"classica\""));
    line.replace("\"lettura\":\"attuale\"", "\"lettura\":\"" + written + '"');
    const std::optional<ArchiveRecord> back = ArchiveSpool::decode(line);
    QVERIFY(back);
    QCOMPARE(int(back->page.reading), reading);
}

void TestArchiveWriter::pagesAreKeptForTheLatestRuns_data()
{
    QTest::addColumn<int>("runs");    // of the series
    QTest::addColumn<int>("kept");    // the latest runs whose pages are kept
    QTest::newRow("fewer runs than kept") << 2 << 10;
    QTest::newRow("the oldest go") << 5 << 3;
    QTest::newRow("only the last") << 3 << 1;
}

// A page's markup goes into the archive compressed, beside its page, and
// stays for the series' latest runs, as their pictures do.
void TestArchiveWriter::pagesAreKeptForTheLatestRuns()
{
    QFETCH(int, runs);
    QFETCH(int, kept);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Archivio.sqlite"));
    {
        ArchiveWriter writer(path);
        for (int i = 0; i < runs; ++i) {
            ArchivedRun run = runOf(QStringLiteral("bimby"));
            run.started = run.started.addDays(7 * i);
            const quint64 handle = writer.beginRun(run);
            for (int offset : {0, 10}) {
                ArchivedPage page = pageOf(offset);
                page.kept = KeptMarkup{QStringLiteral("<html><body>settimana %1, pagina %2 è qui</body></html>").arg(i).arg(offset).toUtf8(),
                                       {}, 1, kept};
                writer.addPage(handle, page);
            }
            writer.endRun(handle, RunEnd::Found, 12, run.started.addSecs(5));
        }
    }
    Archive archive(path);
    QVERIFY(archive.open());
    RunArchive archived(archive);
    const QList<ArchivedRun> all = *archived.runsOf(QStringLiteral("bimby [smartphone, Milan]"));
    QCOMPARE(all.size(), runs);
    for (int i = 0; i < runs; ++i) {
        const QList<std::pair<qint64, KeptMarkup>> pages = *archived.keptPages(all[i].id);
        if (i < runs - kept) {
            QCOMPARE(pages.size(), 0);
            continue;
        }
        QCOMPARE(pages.size(), 2);
        for (const auto &[offset, markup] : pages) {
            QCOMPARE(markup.reader, 1);
            QVERIFY(markup.compressed.startsWith("\x28\xb5\x2f\xfd"));   // zstd's own mark
            QCOMPARE(QString::fromUtf8(*PageCompression::decompress(markup.compressed)),
                     QStringLiteral("<html><body>settimana %1, pagina %2 è qui</body></html>").arg(i).arg(offset));
        }
    }
}

// A disk too full for a page's markup: the page and its run are written,
// the markup is said lost once, and nothing waits for it.
void TestArchiveWriter::aPageThatCannotBeKeptIsWrittenWithoutIt()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Archivio.sqlite"));
    {
        ArchiveWriter writer(path);
        writeRuns(writer, 1);
    }
    qint64 pages = 0;
    {
        Archive before(path);
        QVERIFY(before.open());
        Result<QSqlQuery> count = before.exec(QStringLiteral("PRAGMA page_count"));
        QVERIFY(count && count->next());
        pages = count->value(0).toLongLong();
    }
    ArchiveWriter writer(path);
    // Room for a few pages of rows, none for half a megabyte of markup that does not compress.
    writer.setLimits(200, pages + 8);
    QSignalSpy faults(&writer, &ArchiveWriter::fault);
    QByteArray noise;
    for (quint32 x = 1; noise.size() < 512 * 1024; x = x * 1664525u + 1013904223u)
        noise.append(char('a' + (x >> 24) % 26));
    for (int i = 0; i < 2; ++i) {
        const quint64 run = writer.beginRun(runOf(QStringLiteral("pieno %1").arg(i)));
        ArchivedPage page = pageOf(0);
        page.kept = KeptMarkup{"<html><body>" + noise + "</body></html>", {}, 1, 10};
        writer.addPage(run, page);
        writer.endRun(run, RunEnd::Found, 2, QDateTime(QDate(2026, 12, 8), QTime(10, 1), Qt::UTC));
    }
    writer.flush();
    QCOMPARE(faults.size(), 2);
    for (const QList<QVariant> &fault : faults) {
        QCOMPARE(int(fault.at(0).value<ArchiveFault>().kind), int(ArchiveFault::Kind::PageNotKept));
        QVERIFY(!fault.at(0).value<ArchiveFault>().reason.isEmpty());
    }
    Archive archive(path);
    QVERIFY(archive.open());
    for (int i = 0; i < 2; ++i) {
        const QList<ArchivedRun> runs = *RunArchive(archive).runsOf(QStringLiteral("pieno %1 [smartphone, Milan]").arg(i));
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs[0].end, RunEnd::Found);
        QCOMPARE(runs[0].pages.size(), 1);
        QCOMPARE(RunArchive(archive).keptPages(runs[0].id)->size(), 0);
    }
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*in-attesa*")}, QDir::Files), QStringList());
}

void TestArchiveWriter::keptBytesThatAreNoPageSayWhy_data()
{
    const QByteArray whole = PageCompression::compress(QByteArray(20000, 'x') + "<html></html>");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cut short") << whole.left(whole.size() - 3) << "la pagina compressa è tronca o danneggiata";
    QTest::newRow("not zstd") << QByteArray("<html><body>x</body></html>") << "non è una pagina compressa";
    QTest::newRow("nothing") << QByteArray() << "non è una pagina compressa";
}

void TestArchiveWriter::keptBytesThatAreNoPageSayWhy()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const Result<QByteArray> text = PageCompression::decompress(bytes);
    QVERIFY(!text);
    QVERIFY2(text.error().startsWith(reason), qPrintable(text.error()));
}

QTEST_GUILESS_MAIN(TestArchiveWriter)
#include "tst_archivewriter.moc"
