#include "search/scanner.h"
#include "store/outcomes.h"
#include "store/resultlog.h"
#include "store/textfile.h"
#include "spreadsheet.h"

#include <QTest>

class TestOutcomes : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatTheBuilderWrote_data();
    void readsWhatTheBuilderWrote();
    void linesNoSaveWroteAreNotRead_data();
    void linesNoSaveWroteAreNotRead();
    void bothEncodingsRead();
    void groupsBySearch();
    void csvBytes();
    void csvKeepsFormulasAsText();
};

namespace {

const QDateTime kNow(QDate(2024, 5, 17), QTime(14, 3, 9));

ResultReport report(const QString &phrase, const QString &fragment, std::optional<qint64> found,
                    std::optional<qint64> counted, const QString &address, bool italianOnly)
{
    ResultReport r;
    r.phrase = phrase;
    r.report = found ? Scanner::foundMessage(fragment, *found) : Scanner::notFoundMessage(fragment);
    r.position = found ? found : counted;
    r.lastAddress = address;
    r.engine = QStringLiteral("Google");
    r.italianOnly = italianOnly;
    return r;
}

} // namespace

void TestOutcomes::readsWhatTheBuilderWrote_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<qint64>("found");      // 0: not found
    QTest::addColumn<qint64>("counted");    // -1: no count
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("italianOnly");
    QTest::addColumn<QString>("separator");
    const QString a = QStringLiteral("http://www.velmora.it/bimby.html");
    QTest::newRow("found, Italian only") << "bimby" << "velmora" << qint64(7) << qint64(7) << a << true << "/";
    QTest::newRow("not found after 100") << "bimby" << "velmora" << qint64(0) << qint64(100) << a << false << "/";
    QTest::newRow("not found, no count") << "bimby" << "velmora" << qint64(0) << qint64(-1) << QString() << false << "/";
    QTest::newRow("phrase like a line") << "a < 2024/05/17 - 14:03:09 > \"b\" pos. n° 1 (con Google )" << "velmora"
                                        << qint64(0) << qint64(20) << a << true << "/";
    QTest::newRow("address with the separators") << "bimby" << "velmora" << qint64(12) << qint64(12)
                                                 << "http://a.it/x - (y) < z > \"w\"" << false << "/";
    QTest::newRow("fragment with quotes") << "bimby" << "ve\"l'mo ra" << qint64(5) << qint64(5) << a << false << "/";
    QTest::newRow("dots between the date's fields") << "bimby" << "velmora" << qint64(1) << qint64(1) << a << false << ".";
    QTest::newRow("Greek phrase") << "συνταγές bimby" << "velmora" << qint64(4) << qint64(4) << a << false << "/";
}

void TestOutcomes::readsWhatTheBuilderWrote()
{
    QFETCH(QString, phrase);
    QFETCH(QString, fragment);
    QFETCH(qint64, found);
    QFETCH(qint64, counted);
    QFETCH(QString, address);
    QFETCH(bool, italianOnly);
    QFETCH(QString, separator);
    const ResultReport written = report(phrase, fragment, found > 0 ? std::optional<qint64>(found) : std::nullopt,
                                        counted >= 0 ? std::optional<qint64>(counted) : std::nullopt, address,
                                        italianOnly);
    const QString line = *ResultLog::buildLine(written, kNow, separator);
    const std::optional<Outcome> read = Outcomes::readLine(line);
    QVERIFY2(read, qPrintable(line));
    QCOMPARE(read->phrase, phrase);
    QCOMPARE(read->fragment, fragment);
    QCOMPARE(read->when, kNow);
    QCOMPARE(read->dateSeparator, separator);
    QCOMPARE(read->engine, QStringLiteral("Google"));
    QCOMPARE(read->italianOnly, italianOnly);
    QCOMPARE(read->found(), found > 0);
    if (found > 0) {
        QCOMPARE(read->position, found);
        QCOMPARE(read->address, address);
    } else {
        QCOMPARE(read->checked, counted >= 0 ? std::optional<qint64>(counted) : std::nullopt);
        QVERIFY(!read->address);
    }
}

void TestOutcomes::linesNoSaveWroteAreNotRead_data()
{
    QTest::addColumn<QString>("line");
    const QString good = QStringLiteral("bimby - (http://a.it/) < 2024/05/17 - 14:03:09 > \"velmora\" pos. n° 7 (con Google )");
    QVERIFY(Outcomes::readLine(good));
    QTest::newRow("written by hand") << "controllare di nuovo lunedì";
    QTest::newRow("cut") << good.chopped(8);
    QTest::newRow("no date") << "bimby - (http://a.it/) > \"velmora\" pos. n° 7 (con Google )";
    QTest::newRow("impossible date") << QString(good).replace(QStringLiteral("2024/05/17"), QStringLiteral("2024/13/45"));
    QTest::newRow("found without an address") << "bimby < 2024/05/17 - 14:03:09 > \"velmora\" pos. n° 7 (con Google )";
    QTest::newRow("another report") << "bimby < 2024/05/17 - 14:03:09 > tutto bene (con Google )";
}

void TestOutcomes::linesNoSaveWroteAreNotRead()
{
    QFETCH(QString, line);
    QVERIFY(!Outcomes::readLine(line));
}

void TestOutcomes::bothEncodingsRead()
{
    // "n°" as the Windows version writes it, and a phrase only UTF-8 holds.
    const QByteArray bytes = "bimby - (http://a.it/) < 2024/05/17 - 14:03:09 > \"velmora\" pos. n\xb0 7 (con Google )\r\n"
                             "\xcf\x83\xcf\x85\xce\xbd\xcf\x84\xce\xb1\xce\xb3\xce\xad\xcf\x82 - (http://b.it/) < 2024/05/18 - "
                             "09:00:00 > \"velmora\" pos. n\xc2\xb0 3 (con Google solo ita.)\r\n";
    const QStringList lines = TextFile::decodeLines(bytes);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(Outcomes::readLine(lines[0])->position, qint64(7));
    QCOMPARE(Outcomes::readLine(lines[1])->phrase, QStringLiteral("συνταγές"));
    QVERIFY(Outcomes::readLine(lines[1])->italianOnly);
}

void TestOutcomes::groupsBySearch()
{
    auto line = [](const QString &phrase, std::optional<qint64> found, bool italian, int day) {
        return *ResultLog::buildLine(report(phrase, QStringLiteral("velmora"), found, 40, QStringLiteral("http://a.it/"), italian),
                                     QDateTime(QDate(2024, 5, day), QTime(10, 0)), QStringLiteral("/"));
    };
    const QStringList lines{line("bimby", 7, false, 1), "a mano", line("ricette", std::nullopt, false, 2),
                            line("bimby", std::nullopt, false, 3), line("bimby", 5, true, 2), QString(),
                            line("bimby", 4, false, 4), "bimby < taglio"};
    const Outcomes::ReadLog log = Outcomes::group(lines);
    QCOMPARE(log.unreadable, 2);
    QCOMPARE(log.searches.size(), 3);
    QCOMPARE(log.searches[0].phrase, QStringLiteral("bimby"));
    QCOMPARE(log.searches[0].italianOnly, false);
    QCOMPARE(log.searches[0].outcomes.size(), 3);
    QCOMPARE(log.searches[0].latest().position, qint64(4));
    // The same day: the one that comes first in the log stays first.
    QCOMPARE(log.searches[1].phrase, QStringLiteral("ricette"));
    QCOMPARE(log.searches[2].italianOnly, true);
    QVERIFY(Outcomes::group({}).searches.isEmpty());
}

void TestOutcomes::csvBytes()
{
    SearchHistory search{QStringLiteral("bimby"), QStringLiteral("velmora"), false, {}};
    Outcome found;
    found.when = kNow;
    found.position = 7;
    found.address = QStringLiteral("http://a.it/?x=1,2&q=\"è\"");
    Outcome missed;
    missed.when = kNow.addDays(1);
    missed.checked = 100;
    missed.italianOnly = true;
    search.outcomes = {found, missed};
    QCOMPARE(Outcomes::csv(search),
             QByteArray("data e ora,posizione,indirizzo trovato,pagine di Google italiane,non trovato entro\r\n"
                        "2024-05-17 14:03:09,7,\"http://a.it/?x=1,2&q=\"\"\xc3\xa8\"\"\",no,\r\n"
                        "2024-05-18 14:03:09,,,s\xc3\xac,100\r\n"));
}

// An address from someone's page that a spreadsheet would run, beside the
// numbers it must still read as numbers.
void TestOutcomes::csvKeepsFormulasAsText()
{
    const QStringList addresses{"=HYPERLINK(\"http://x.it\")", "+39 333", "-1", "@SOMMA(A1)", "\thttp://a.it/", "\rhttp://a.it/",
                                "http://a.it/-=+@"};
    SearchHistory search{QStringLiteral("bimby"), QStringLiteral("velmora"), false, {}};
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        Outcome found;
        found.when = kNow.addDays(i);
        found.position = i + 1;
        found.address = addresses[i];
        search.outcomes << found;
    }
    Outcome missed;
    missed.when = kNow.addDays(30);
    missed.checked = 100;
    search.outcomes << missed;
    const QList<QStringList> rows = Spreadsheet::rows(Outcomes::csv(search));
    QCOMPARE(rows.size(), 1 + addresses.size() + 1);
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const QStringList &row = rows[i + 1];
        for (const QString &field : row)
            QVERIFY2(Spreadsheet::seen(field) != Spreadsheet::Seen::Formula, qPrintable(field));
        QCOMPARE(row[1], QString::number(i + 1));
        QCOMPARE(Spreadsheet::shown(row[2]), addresses[i]);
    }
    QCOMPARE(Spreadsheet::seen(rows.constLast()[4]), Spreadsheet::Seen::Number);
}

QTEST_GUILESS_MAIN(TestOutcomes)
#include "tst_outcomes.moc"
