#include "search/scanner.h"

#include <QTest>

Q_DECLARE_METATYPE(ScanOutcome)
Q_DECLARE_METATYPE(ReportColour)

class TestScanner : public QObject
{
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void positionsRunOnAcrossPages();
    void continueModeListsEveryHit();
    void addressesAreCutAsTheyStand_data();
    void addressesAreCutAsTheyStand();
    void failureKeepsTheLinksTaken_data();
    void failureKeepsTheLinksTaken();
    void pageLimitIsAnEqualityTest_data();
    void pageLimitIsAnEqualityTest();
    void classicHeading_data();
    void classicHeading();
    void classicPageIsLongerThanWhatIsPassedOver_data();
    void classicPageIsLongerThanWhatIsPassedOver();
    void todayResults_data();
    void todayResults();
    void todayResultsRunOnAcrossPages();
    void noResultsPage_data();
    void noResultsPage();
};

namespace {

QString address(int i)
{
    return QStringLiteral("http://www.sito%1.it/pagina").arg(i);
}

// A results page in the classic markup, with a head whose script holds "//"
// and double quotes before the first result.
QString page(const QStringList &addresses)
{
    QString text = QStringLiteral("<head><script>var a=\"//x\";</script></head><body><a href=\"https://accounts.it/\">Accedi</a>");
    for (const QString &a : addresses)
        text += QStringLiteral("<li class=g><h3 class=r><a href=\"%1\">titolo</a></h3></li>").arg(a);
    return text + QStringLiteral("</body>");
}

QStringList addresses(int count, int first = 1)
{
    QStringList list;
    for (int i = first; i < first + count; ++i)
        list.append(address(i));
    return list;
}

ScanInput input(const QString &fragment, const QString &limit = QStringLiteral("10"))
{
    return ScanInput{fragment, limit, false, false};
}

} // namespace

void TestScanner::outcomes_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<ScanOutcome>("outcome");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("report");
    QTest::addColumn<ReportColour>("colour");

    const QString notFound = QStringLiteral("'velmora' non trovato!");
    QTest::newRow("ten results, no hit") << page(addresses(10)) << "velmora" << false << ScanOutcome::NextPage
                                         << 10 << QString() << ReportColour::Unchanged;
    QTest::newRow("more than ten: only ten taken") << page(addresses(14)) << "sito12" << false
                                                   << ScanOutcome::NextPage << 10 << QString() << ReportColour::Unchanged;
    QTest::newRow("short page ends the results") << page(addresses(4)) << "velmora" << false
                                                 << ScanOutcome::EndOfResults << 4 << notFound << ReportColour::DarkGreen;
    QTest::newRow("no marker at all") << QStringLiteral("<body>%1</body>").arg(QString(200, QLatin1Char('x')))
                                      << "velmora" << false << ScanOutcome::PageIgnored << 0 << QString()
                                      << ReportColour::Unchanged;
    QTest::newRow("hit at the third link") << page(addresses(10)) << "sito3." << false << ScanOutcome::Found << 3
                                           << QStringLiteral("\"sito3.\" trovato nella posizione n° 3") << ReportColour::DarkGreen;
    QTest::newRow("case counts") << page(addresses(10)) << "SITO3" << false << ScanOutcome::NextPage << 10
                                 << QString() << ReportColour::Unchanged;
    QTest::newRow("empty fragment hits the first link") << page(addresses(10)) << "" << false << ScanOutcome::Found
                                                        << 1 << QStringLiteral("\"\" trovato nella posizione n° 1")
                                                        << ReportColour::DarkGreen;
    QTest::newRow("stop: page end ends the run") << page(addresses(10)) << "velmora" << true
                                                 << ScanOutcome::LimitOrStop << 10 << notFound << ReportColour::Red;
    QTest::newRow("stop: a hit is still found") << page(addresses(10)) << "sito5." << true << ScanOutcome::Found
                                                << 5 << QStringLiteral("\"sito5.\" trovato nella posizione n° 5")
                                                << ReportColour::DarkGreen;
    QTest::newRow("stop: short page is the end of results") << page(addresses(3)) << "velmora" << true
                                                            << ScanOutcome::EndOfResults << 3 << notFound
                                                            << ReportColour::DarkGreen;
    const QString filler = QStringLiteral("<p>%1</p>").arg(QString(5 * 1024 * 1024, QLatin1Char('x')));
    QTest::newRow("5 MB before the results") << page(addresses(10)).replace(QStringLiteral("<body>"), QStringLiteral("<body>") + filler)
                                             << "velmora" << false << ScanOutcome::NextPage << 10 << QString()
                                             << ReportColour::Unchanged;
    QTest::newRow("5 MB without a marker") << filler << "velmora" << false << ScanOutcome::PageIgnored << 0
                                           << QString() << ReportColour::Unchanged;
    QTest::newRow("marker as the last characters") << page(addresses(2)) + QStringLiteral("class=r") << "velmora"
                                                   << false << ScanOutcome::Failed << 2 << notFound << ReportColour::Red;
}

void TestScanner::outcomes()
{
    QFETCH(QString, page);
    QFETCH(QString, fragment);
    QFETCH(bool, stop);
    ScanInput in = input(fragment);
    in.stopRequested = stop;
    RunValues run{0, 0, std::nullopt};
    const ScanResult result = Scanner::scanPage(page, in, run);
    QTEST(result.outcome, "outcome");
    QTEST(int(result.entries.size()), "listed");
    QTEST(result.report.value_or(QString()), "report");
    QTEST(result.colour, "colour");
    QCOMPARE(run.contaPosizione.value_or(-1), qint64(result.entries.size()));
    QCOMPARE(result.endsRun(), result.outcome != ScanOutcome::NextPage && result.outcome != ScanOutcome::PageIgnored);
    if (!result.entries.isEmpty())
        QCOMPARE(result.entries.constFirst(), QStringLiteral("1 - ") + address(1));
}

void TestScanner::positionsRunOnAcrossPages()
{
    RunValues run{0, 0, std::nullopt};
    const ScanInput in = input(QStringLiteral("velmora"), QStringLiteral("3"));
    QCOMPARE(Scanner::scanPage(page(addresses(10, 1)), in, run).outcome, ScanOutcome::NextPage);
    QCOMPARE(run.inizioPagina, qint64(10));
    const ScanResult second = Scanner::scanPage(page(addresses(10, 11)), in, run);
    QCOMPARE(second.entries.constFirst(), QStringLiteral("11 - ") + address(11));
    QCOMPARE(second.outcome, ScanOutcome::NextPage);
    const ScanResult third = Scanner::scanPage(page(addresses(10, 21)), in, run);
    QCOMPARE(third.outcome, ScanOutcome::LimitOrStop);
    QCOMPARE(third.colour, ReportColour::Red);
    QCOMPARE(run.contaPosizione, qint64(30));
    QCOMPARE(run.inizioPagina, qint64(30));
    QCOMPARE(run.indirizzoCorrente, address(30));
}

void TestScanner::continueModeListsEveryHit()
{
    QStringList links = addresses(10);
    links[2] = QStringLiteral("http://www.velmora.it/uno");
    links[6] = QStringLiteral("http://www.velmora.it/due");
    ScanInput in = input(QStringLiteral("velmora"), QStringLiteral("1"));
    in.continueMode = true;
    RunValues run{0, 0, std::nullopt};
    const ScanResult result = Scanner::scanPage(page(links), in, run);
    QCOMPARE(result.hits, (QStringList{QStringLiteral("3 - http://www.velmora.it/uno"),
                                       QStringLiteral("7 - http://www.velmora.it/due")}));
    QCOMPARE(result.entries.size(), 10);
    QCOMPARE(result.outcome, ScanOutcome::LimitOrStop);
    QCOMPARE(result.report, QStringLiteral("'velmora' non trovato!"));

    // Next page wanted: the caption is the latest hit's, the colour unchanged.
    in.pageLimit = QStringLiteral("5");
    RunValues again{0, 0, std::nullopt};
    const ScanResult going = Scanner::scanPage(page(links), in, again);
    QCOMPARE(going.outcome, ScanOutcome::NextPage);
    QCOMPARE(going.report, QStringLiteral("\"velmora\" trovato nella posizione n° 7"));
    QCOMPARE(going.colour, ReportColour::Unchanged);
}

void TestScanner::addressesAreCutAsTheyStand_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("taken");
    QTest::newRow("http") << "http://www.bimby.it/" << "http://www.bimby.it/";
    QTest::newRow("https keeps its first letter") << "https://www.bimby.it/" << "https://www.bimby.it/";
    QTest::newRow("query with entities") << "http://a.it/?a=1&amp;b=2" << "http://a.it/?a=1&amp;b=2";
    QTest::newRow("protocol-relative takes five before") << "//cdn.it/x" << "ref=\"//cdn.it/x";
    QTest::newRow("ftp") << "ftp://a.it/" << "\"ftp://a.it/";
}

void TestScanner::addressesAreCutAsTheyStand()
{
    QFETCH(QString, link);
    RunValues run{0, 0, std::nullopt};
    const ScanResult result = Scanner::scanPage(page({link}), input(QStringLiteral("velmora")), run);
    QTEST(run.indirizzoCorrente.value_or(QString()), "taken");
    QCOMPARE(result.entries, QStringList{QStringLiteral("1 - ") + *run.indirizzoCorrente});
}

void TestScanner::failureKeepsTheLinksTaken_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<int>("listed");
    QTest::newRow("limit not a number") << page(addresses(10)) << "abc" << 10;
    QTest::newRow("empty limit") << page(addresses(10)) << "" << 10;
    QTest::newRow("limit overflows") << page(addresses(10)) << "1e400" << 10;
    QTest::newRow("400 digits") << page(addresses(10)) << QString(400, QLatin1Char('9')) << 10;
    QTest::newRow("limit overflows times ten") << page(addresses(10)) << "1.7e308" << 10;
    QTest::newRow("no // after the marker") << page(addresses(3)) + QStringLiteral("<h3 class=r>x\"") << "10" << 3;
    QTest::newRow("no end delimiter") << page(addresses(1)) + QStringLiteral("<h3 class=r><a href=\"http://x.it") << "10" << 1;
}

void TestScanner::failureKeepsTheLinksTaken()
{
    QFETCH(QString, page);
    QFETCH(QString, limit);
    RunValues run{0, 0, std::nullopt};
    const ScanResult result = Scanner::scanPage(page, input(QStringLiteral("velmora"), limit), run);
    QCOMPARE(result.outcome, ScanOutcome::Failed);
    QTEST(int(result.entries.size()), "listed");
    QVERIFY(result.endsRun());
    QCOMPARE(result.colour, ReportColour::Red);
    QCOMPARE(result.report, QStringLiteral("'velmora' non trovato!"));
}

void TestScanner::pageLimitIsAnEqualityTest_data()
{
    QTest::addColumn<QString>("limit");
    QTest::addColumn<qint64>("offsetBefore");
    QTest::addColumn<bool>("ends");
    QTest::newRow("first page of limit 1") << "1" << qint64(0) << true;
    QTest::newRow("first page of limit 2") << "2" << qint64(0) << false;
    QTest::newRow("tenth page of limit 10") << "10" << qint64(90) << true;
    QTest::newRow("zero never met") << "0" << qint64(0) << false;
    QTest::newRow("negative never met") << "-1" << qint64(0) << false;
    QTest::newRow("fraction never met") << "2.5" << qint64(10) << false;
    QTest::newRow("lowered below pages read") << "2" << qint64(40) << false;
    QTest::newRow("spaces around") << " 1 " << qint64(0) << true;
}

void TestScanner::pageLimitIsAnEqualityTest()
{
    QFETCH(QString, limit);
    QFETCH(qint64, offsetBefore);
    QFETCH(bool, ends);
    RunValues run{0, offsetBefore, std::nullopt};
    const ScanResult result = Scanner::scanPage(page(addresses(10)), input(QStringLiteral("velmora"), limit), run);
    QCOMPARE(result.outcome, ends ? ScanOutcome::LimitOrStop : ScanOutcome::NextPage);
    QCOMPARE(run.inizioPagina, offsetBefore + 10);
}

void TestScanner::classicHeading_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("classic");
    QTest::newRow("classic page") << page(addresses(3)) << true;
    QTest::newRow("other attributes first") << "<h3 id=x class=r><a href=\"http://a.it/\">" << true;
    QTest::newRow("today's class names") << "<a href=\"http://a.it/\"><h3 class=\"LC20lb rIxsve\">t</h3></a>" << false;
    QTest::newRow("r among others") << "<h3 class=\"r g\">t</h3>" << false;
    QTest::newRow("bare class beginning with r") << "<h3 class=rIxsve>t</h3><div class=r>x</div>" << false;
}

void TestScanner::classicHeading()
{
    QFETCH(QString, page);
    QTEST(Scanner::hasClassicHeading(page), "classic");
}

void TestScanner::classicPageIsLongerThanWhatIsPassedOver_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("classic");
    const QString heading = QStringLiteral("<h3 class=r><a href=\"http://a.it/\">");
    QTest::newRow("a heading, 100 characters") << heading.leftJustified(100, QLatin1Char('x')) << false;
    QTest::newRow("a heading, 101 characters") << heading.leftJustified(101, QLatin1Char('x')) << true;
    QTest::newRow("a long page of today's markup") << QStringLiteral("<h3 class=\"LC20lb\">t</h3>").leftJustified(500, QLatin1Char('x'))
                                                    << false;
    QTest::newRow("empty") << QString() << false;
}

void TestScanner::classicPageIsLongerThanWhatIsPassedOver()
{
    QFETCH(QString, page);
    QTEST(Scanner::isClassicPage(page), "classic");
}

void TestScanner::todayResults_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("next");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<ScanOutcome>("outcome");
    QTest::addColumn<int>("listed");
    QTest::addColumn<ReportColour>("colour");
    QTest::newRow("8 results and a next page") << 8 << true << "velmora" << false << ScanOutcome::NextPage << 8
                                                << ReportColour::Unchanged;
    QTest::newRow("11 results, all taken") << 11 << true << "velmora" << false << ScanOutcome::NextPage << 11
                                           << ReportColour::Unchanged;
    QTest::newRow("no next page: the results end") << 9 << false << "velmora" << false << ScanOutcome::EndOfResults
                                                   << 9 << ReportColour::DarkGreen;
    QTest::newRow("hit") << 8 << true << "sito4." << false << ScanOutcome::Found << 4 << ReportColour::DarkGreen;
    QTest::newRow("stop") << 8 << true << "velmora" << true << ScanOutcome::LimitOrStop << 8 << ReportColour::Red;
    QTest::newRow("a page without results, a next page linked") << 0 << true << "velmora" << false
                                                                << ScanOutcome::EndOfResults << 0 << ReportColour::DarkGreen;
}

void TestScanner::todayResults()
{
    QFETCH(int, count);
    QFETCH(bool, next);
    QFETCH(QString, fragment);
    QFETCH(bool, stop);
    ScanInput in = input(fragment);
    in.stopRequested = stop;
    RunValues run{0, 0, std::nullopt};
    const ScanResult result = Scanner::scanResults(addresses(count), next, in, run);
    QTEST(result.outcome, "outcome");
    QTEST(int(result.entries.size()), "listed");
    QTEST(result.colour, "colour");
    QCOMPARE(run.contaPosizione.value_or(-1), qint64(result.entries.size()));
    // The offset moves on by a page of ten only when the page was read to its end.
    const bool pageEnd = result.outcome == ScanOutcome::NextPage || result.outcome == ScanOutcome::LimitOrStop;
    QCOMPARE(run.inizioPagina, qint64(pageEnd ? 10 : 0));
    if (result.colour != ReportColour::Unchanged && result.outcome != ScanOutcome::Found)
        QCOMPARE(*result.report, QStringLiteral("'velmora' non trovato!"));
}

void TestScanner::todayResultsRunOnAcrossPages()
{
    RunValues run{0, 0, std::nullopt};
    ScanInput in = input(QStringLiteral("sito21."), QStringLiteral("3"));
    in.continueMode = true;
    QCOMPARE(Scanner::scanResults(addresses(8, 1), true, in, run).outcome, ScanOutcome::NextPage);
    const ScanResult second = Scanner::scanResults(addresses(11, 9), true, in, run);
    QCOMPARE(second.entries.constFirst(), QStringLiteral("9 - ") + address(9));
    QCOMPARE(run.inizioPagina, qint64(20));
    const ScanResult third = Scanner::scanResults(addresses(10, 20), true, in, run);
    QCOMPARE(third.hits, QStringList{QStringLiteral("21 - ") + address(21)});
    QCOMPARE(third.outcome, ScanOutcome::LimitOrStop);
    QCOMPARE(run.contaPosizione, qint64(29));
}

void TestScanner::noResultsPage_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("says");
    const QString search = QStringLiteral("<form action=\"/search\"><input name=q value=bimby></form>");
    QTest::newRow("classic, the phrase in bold")
        << search + "<div id=res><p>La ricerca di - <b>bimby tm99</b> - non ha prodotto risultati in nessun documento.</p></div>"
        << true;
    QTest::newRow("today's card") << "<div id=rso><div class=card-section><p role=heading>  La ricerca di <em>bimby</em> "
                                     "non ha prodotto risultati in nessun documento.</p></div></div>" << true;
    QTest::newRow("English") << search + "<p>Your search - <b>bimby</b> - did not match any documents.</p>" << true;
    QTest::newRow("the words inside a sentence")
        << search + "<p>Ieri La ricerca di bimby non ha prodotto risultati, dice il forum.</p>" << false;
    QTest::newRow("the words without the opening") << search + "<p>bimby non ha prodotto risultati</p>" << false;
    QTest::newRow("a consent page")
        << "<form method=post action=\"http://consent.google.it/save\"><p>La ricerca di - <b>bimby</b> - non ha prodotto "
           "risultati in nessun documento.</p><button>Accetta tutto</button></form>" << false;
    QTest::newRow("a check page")
        << "<form method=post action=/sorry/pass><div class=g-recaptcha></div></form><p>La ricerca di - <b>bimby</b> - "
           "non ha prodotto risultati in nessun documento.</p>" << false;
    QTest::newRow("a message far longer than a phrase")
        << "<p>La ricerca di " + QString(3000, QLatin1Char('x')) + " non ha prodotto risultati</p>" << false;
}

void TestScanner::noResultsPage()
{
    QFETCH(QString, page);
    QFETCH(bool, says);
    QCOMPARE(Scanner::saysNoResults(page), says);
    // A classic scan ends the results on it, with the message of a last page.
    RunValues run;
    run.contaPosizione = 20;
    const ScanResult result = Scanner::scanPage(page, ScanInput{QStringLiteral("velmora"), QStringLiteral("10")}, run);
    QCOMPARE(result.outcome, says ? ScanOutcome::EndOfResults : ScanOutcome::PageIgnored);
    if (says) {
        QCOMPARE(result.report, QStringLiteral("'velmora' non trovato!"));
        QCOMPARE(result.colour, ReportColour::DarkGreen);
        QCOMPARE(run.contaPosizione, qint64(20));
    }
}

QTEST_GUILESS_MAIN(TestScanner)
#include "tst_scanner.moc"
