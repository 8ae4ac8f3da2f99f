#include "store/listorder.h"
#include "badbytes.h"
#include "store/logviewer.h"
#include "store/textfile.h"
#include "store/resultlog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestResultLog : public QObject
{
    Q_OBJECT
private slots:
    void buildsTheLineOfEachForm_data();
    void buildsTheLineOfEachForm();
    void emptyReportWritesNothing();
    void lineIsWindows1252Bytes();
    void viewerShowsNonEmptyLinesSorted_data();
    void viewerShowsNonEmptyLinesSorted();
    void viewerOfMissingLogIsEmpty();
    void badLogsAreShownAndKeptWhenAppended_data();
    void badLogsAreShownAndKeptWhenAppended();
};

namespace {

const QDateTime kNow(QDate(2024, 5, 17), QTime(14, 3, 9));

QString logHolding(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("Risultato.txt"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

} // namespace

void TestResultLog::buildsTheLineOfEachForm_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<bool>("italianOnly");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("line");

    QTest::newRow("found, Italian only")
        << QStringLiteral("\"velmora\" trovato nella posizione n° 7") << true << "/"
        << QStringLiteral("bimby - (http://www.velmora.it/bimby.html) < 2024/05/17 - 14:03:09 > \"velmora\" pos. n° 7 (con Google solo ita.)");
    QTest::newRow("not found, any language")
        << QStringLiteral("'velmora' non trovato!") << false << "/"
        << QStringLiteral("bimby < 2024/05/17 - 14:03:09 > 'velmora' non trovato, ultima posizione controllata 100 (con Google )");
    QTest::newRow("not found, fragment with !")
        << QStringLiteral("'vel!mora' non trovato!") << true << "/"
        << QStringLiteral("bimby < 2024/05/17 - 14:03:09 > 'vel,mora' non trovato, ultima posizione controllata 100 (con Google solo ita.)");
    QTest::newRow("other date separator")
        << QStringLiteral("'velmora' non trovato!") << false << "-"
        << QStringLiteral("bimby < 2024-05-17 - 14:03:09 > 'velmora' non trovato, ultima posizione controllata 100 (con Google )");
    QTest::newRow("ending in another case is found form")
        << QStringLiteral("'x' NON TROVATO!") << false << "/"
        << QStringLiteral("bimby - (http://www.velmora.it/bimby.html) < 2024/05/17 - 14:03:09 > 'x' NON TROVATO! (con Google )");
}

void TestResultLog::buildsTheLineOfEachForm()
{
    QFETCH(QString, report);
    QFETCH(bool, italianOnly);
    QFETCH(QString, separator);
    ResultReport state;
    state.phrase = QStringLiteral("bimby");
    state.report = report;
    state.position = 100;
    state.lastAddress = QStringLiteral("http://www.velmora.it/bimby.html");
    state.engine = QStringLiteral("Google");
    state.italianOnly = italianOnly;
    QTEST(ResultLog::buildLine(state, kNow, separator).value_or(QStringLiteral("<none>")), "line");
}

void TestResultLog::emptyReportWritesNothing()
{
    ResultReport state;
    state.phrase = QStringLiteral("bimby");
    QVERIFY(!ResultLog::buildLine(state, kNow, QStringLiteral("/")));
}

void TestResultLog::lineIsWindows1252Bytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Risultato.txt"));
    QVERIFY(ResultLog::append(path, QStringLiteral("a > \"v pos. n° 7")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("a > \"v pos. n\xB0 7\r\n"));
}

void TestResultLog::viewerShowsNonEmptyLinesSorted_data()
{
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("sorted, empty lines left out")
        << QByteArray("zeta < x\r\nalfa < y\r\n\r\n") << QStringList{"alfa < y", "zeta < x"};
    QTest::newRow("without regard to case, equal ones in file order")
        << QByteArray("b\r\nB2\r\nA\r\na\r\n") << QStringList{"A", "a", "b", "B2"};
    QTest::newRow("lf only and a line without end") << QByteArray("b\na") << QStringList{"a", "b"};
}

void TestResultLog::viewerShowsNonEmptyLinesSorted()
{
    QFETCH(QByteArray, log);
    QTemporaryDir dir;
    const QString path = logHolding(dir, log);
    QTEST(LogViewer::entries(path), "entries");
}

void TestResultLog::viewerOfMissingLogIsEmpty()
{
    QTemporaryDir dir;
    QCOMPARE(LogViewer::entries(dir.filePath(QStringLiteral("Risultato.txt"))), QStringList());
}

void TestResultLog::badLogsAreShownAndKeptWhenAppended_data()
{
    BadBytes::addRows();
}

void TestResultLog::badLogsAreShownAndKeptWhenAppended()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = logHolding(dir, bytes);
    QVERIFY(QFileInfo(path).size() == bytes.size());
    QElapsedTimer clock;
    clock.start();
    const QStringList entries = LogViewer::entries(path);
    const qint64 shown = clock.elapsed();
    QStringList expected = TextFile::decodeLines(bytes);
    expected.removeAll(QString());
    QCOMPARE(entries.size(), expected.size());
    for (qsizetype i = 1; i < entries.size(); ++i)
        QVERIFY(!ListOrder::less(entries.at(i), entries.at(i - 1)));

    // Appending never touches what the log held.
    const QString line = QStringLiteral("bimby < \"velmora\" trovato nella posizione n° 12");
    QVERIFY(ResultLog::append(path, line));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    QVERIFY(after.startsWith(bytes));
    QCOMPARE(after.mid(bytes.size()), TextFile::encodeLine(line) + "\r\n");
    if (bytes.size() > 1024 * 1024)
        qInfo("%lld bytes: %lld entries sorted in %lld ms", qlonglong(bytes.size()), qlonglong(entries.size()), shown);
}

QTEST_GUILESS_MAIN(TestResultLog)
#include "tst_resultlog.moc"
