#include "store/textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QTest>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void encodesInWindows1252WhenItCan_data();
    void encodesInWindows1252WhenItCan();
    void decodesEachLineByItsBytes_data();
    void decodesEachLineByItsBytes();
    void splitsAtEveryKindOfLineEnd_data();
    void splitsAtEveryKindOfLineEnd();
    void writesCrLfLinesAndReadsThemBack();
    void rewriteReplacesTheWholeFile();
    void appendKeepsEarlierLines();
    void missingFileReadsAsNothing();
    void unwritableFolderFailsBothWrites();
    void fullDiskFailsBothWrites();
};

void TestTextFile::encodesInWindows1252WhenItCan_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("velmora") << QByteArray("velmora");
    QTest::newRow("degree sign is B0") << QStringLiteral("n°") << QByteArray("n\xB0");
    QTest::newRow("accents") << QStringLiteral("però è così") << QByteArray("per\xF2 \xE8 cos\xEC");
    QTest::newRow("euro sign is 80") << QStringLiteral("€") << QByteArray("\x80");
    QTest::newRow("greek goes in utf-8") << QStringLiteral("αβγ n°") << QStringLiteral("αβγ n°").toUtf8();
    QTest::newRow("cyrillic goes in utf-8") << QStringLiteral("рецепты") << QStringLiteral("рецепты").toUtf8();
    QTest::newRow("windows-1252 bytes that read as utf-8 go in utf-8")
        << QStringLiteral("Ã¨") << QStringLiteral("Ã¨").toUtf8();
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestTextFile::encodesInWindows1252WhenItCan()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TextFile::encodeLine(line), bytes);
    QCOMPARE(TextFile::decodeLine(bytes), line);
}

void TestTextFile::decodesEachLineByItsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");
    QTest::newRow("windows-1252 degree") << QByteArray("n\xB0 7") << QStringLiteral("n° 7");
    QTest::newRow("utf-8 degree") << QByteArray("n\xC2\xB0 7") << QStringLiteral("n° 7");
    QTest::newRow("invalid utf-8 read as windows-1252") << QByteArray("\xE8\x41") << QStringLiteral("èA");
    QTest::newRow("nul byte kept") << QByteArray("a\0b", 3) << QString(QStringLiteral("a")).append(QChar(0)).append(QLatin1Char('b'));
}

void TestTextFile::decodesEachLineByItsBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, line);
    QCOMPARE(TextFile::decodeLine(bytes), line);
}

void TestTextFile::splitsAtEveryKindOfLineEnd_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<QByteArray>>("lines");
    using L = QList<QByteArray>;
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << L{"a", "b"};
    QTest::newRow("lf only") << QByteArray("a\nb\n") << L{"a", "b"};
    QTest::newRow("cr only") << QByteArray("a\rb\r") << L{"a", "b"};
    QTest::newRow("last line without end") << QByteArray("a\r\nb") << L{"a", "b"};
    QTest::newRow("empty line kept") << QByteArray("a\r\n\r\nb\r\n") << L{"a", "", "b"};
    QTest::newRow("trailing empty line") << QByteArray("a\r\n\r\n") << L{"a", ""};
    QTest::newRow("lf cr is two ends") << QByteArray("a\n\rb") << L{"a", "", "b"};
    QTest::newRow("empty") << QByteArray() << L{};
    QTest::newRow("only a line end") << QByteArray("\r\n") << L{""};
}

void TestTextFile::splitsAtEveryKindOfLineEnd()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(TextFile::splitLines(data), lines);
}

void TestTextFile::writesCrLfLinesAndReadsThemBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    const QStringList lines{QStringLiteral("n°"), QStringLiteral("αβγ"), QString(), QStringLiteral("x")};
    QVERIFY(TextFile::writeLines(path, lines));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("n\xB0\r\n") + QStringLiteral("αβγ").toUtf8() + QByteArray("\r\n\r\nx\r\n"));
    QCOMPARE(TextFile::readLines(path), lines);
}

void TestTextFile::rewriteReplacesTheWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    QVERIFY(TextFile::writeLines(path, {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
    QVERIFY(TextFile::writeLines(path, {QStringLiteral("x")}));
    QCOMPARE(TextFile::readLines(path), QStringList{QStringLiteral("x")});
}

void TestTextFile::appendKeepsEarlierLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("scritta a mano\n");
    }
    QVERIFY(TextFile::appendLine(path, QStringLiteral("n° 1")));
    QVERIFY(TextFile::appendLine(path, QStringLiteral("due")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("scritta a mano\nn\xB0 1\r\ndue\r\n"));
}

void TestTextFile::missingFileReadsAsNothing()
{
    QTemporaryDir dir;
    QVERIFY(!TextFile::readLines(dir.filePath(QStringLiteral("missing.txt"))).has_value());
}

void TestTextFile::unwritableFolderFailsBothWrites()
{
    // A folder below a regular file cannot exist, whoever runs the test.
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath(QStringLiteral("file/inside.txt"));
    QVERIFY(!TextFile::writeLines(path, {QStringLiteral("a")}));
    QVERIFY(!TextFile::appendLine(path, QStringLiteral("a")));
}

void TestTextFile::fullDiskFailsBothWrites()
{
    const QString full = QStringLiteral("/dev/full");
    if (!QFileInfo(full).exists() || QFileInfo(full).isFile())
        QSKIP("no /dev/full device here");
    QVERIFY(!TextFile::writeLines(full, {QStringLiteral("velmora"), QStringLiteral("10")}));
    QVERIFY(!TextFile::appendLine(full, QStringLiteral("bimby < \"velmora\" non trovato")));
    QVERIFY(!QFileInfo(full).isFile());   // still the device
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
