#include "search/queryaddress.h"
#include "search/placequery.h"

#include <QRegularExpression>
#include <QTest>

class TestQueryAddress : public QObject
{
    Q_OBJECT
private slots:
    void firstPageCarriesOnlyThePhrase_data();
    void firstPageCarriesOnlyThePhrase();
    void nextPageCarriesOffsetAndRestriction_data();
    void nextPageCarriesOffsetAndRestriction();
    void resultsPageOfEntry_data();
    void resultsPageOfEntry();
    void hostComesFromTheEnvironment();
    void placesAreEncodedAsGoogleReadsThem_data();
    void placesAreEncodedAsGoogleReadsThem();
    void coordinatesAreEncodedAsTheirRecord_data();
    void coordinatesAreEncodedAsTheirRecord();
    void searchOptionsInTheAddress_data();
    void searchOptionsInTheAddress();
    void seriesKeepRunsApart_data();
    void seriesKeepRunsApart();
    void optionsThatCannotBeSearched_data();
    void optionsThatCannotBeSearched();
};

void TestQueryAddress::firstPageCarriesOnlyThePhrase_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("address");
    QTest::newRow("word") << "bimby" << "http://www.google.it/search?q=bimby";
    QTest::newRow("spaces and quotes as typed") << "ricette \"bimby\" veloci"
                                                << "http://www.google.it/search?q=ricette \"bimby\" veloci";
    QTest::newRow("& does not start a parameter") << "pane & olio" << "http://www.google.it/search?q=pane %26 olio";
    QTest::newRow("# does not start a fragment") << "bimby #2" << "http://www.google.it/search?q=bimby %232";
    QTest::newRow("+ is not a space") << "c++" << "http://www.google.it/search?q=c%2B%2B";
    QTest::newRow("% is not an escape") << "sconto 20%" << "http://www.google.it/search?q=sconto 20%25";
    QTest::newRow("escape typed is kept as text") << "%22" << "http://www.google.it/search?q=%2522";
    QTest::newRow("non-latin letters as typed") << "рецепты 日本" << "http://www.google.it/search?q=рецепты 日本";
    QTest::newRow("empty") << "" << "http://www.google.it/search?q=";
}

void TestQueryAddress::firstPageCarriesOnlyThePhrase()
{
    QFETCH(QString, phrase);
    QTEST(QueryAddress::firstPage(QStringLiteral("www.google.it"), phrase), "address");
}

void TestQueryAddress::nextPageCarriesOffsetAndRestriction_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<bool>("italianOnly");
    QTest::addColumn<QString>("address");
    QTest::newRow("any language") << "bimby" << qint64(10) << false
                                  << "http://www.google.it/search?q=bimby&hl=it&lr=&newwindow=1&start=10&sa=N";
    QTest::newRow("italian only") << "bimby" << qint64(10) << true
                                  << "http://www.google.it/search?q=bimby&hl=it&lr=&newwindow=1&start=10&sa=N&lr=lang_it";
    QTest::newRow("sixth page") << "bimby" << qint64(50) << false
                                << "http://www.google.it/search?q=bimby&hl=it&lr=&newwindow=1&start=50&sa=N";
    QTest::newRow("# in the phrase keeps the offset") << "bimby #" << qint64(10) << false
        << "http://www.google.it/search?q=bimby %23&hl=it&lr=&newwindow=1&start=10&sa=N";
}

void TestQueryAddress::nextPageCarriesOffsetAndRestriction()
{
    QFETCH(qint64, offset);
    QFETCH(bool, italianOnly);
    QFETCH(QString, phrase);
    QTEST(QueryAddress::nextPage(QStringLiteral("www.google.it"), phrase, offset, italianOnly), "address");
}

void TestQueryAddress::resultsPageOfEntry_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("address"); // empty: nothing to open
    const QString base = QStringLiteral("http://h/search?q=");
    const QString tail = QStringLiteral("&sa=N");
    QTest::newRow("position 7") << "bimby" << "7 - http://a.it/" << base + "bimby&hl=it&lr=&newwindow=1&start=0" + tail;
    QTest::newRow("position 10") << "bimby" << "10 - http://a.it/" << base + "bimby&hl=it&lr=&newwindow=1&start=10" + tail;
    QTest::newRow("position 23") << "bimby" << "23 - http://a.it/" << base + "bimby&hl=it&lr=&newwindow=1&start=20" + tail;
    QTest::newRow("quotes become %22, spaces stay")
        << "ricette \"tm31\" \"x\"" << "3 - http://a.it/" << base + "ricette %22tm31%22 %22x%22&hl=it&lr=&newwindow=1&start=0" + tail;
    QTest::newRow("& and # escaped, quotes too")
        << "\"pane & olio\" #1" << "3 - http://a.it/" << base + "%22pane %26 olio%22 %231&hl=it&lr=&newwindow=1&start=0" + tail;
    QTest::newRow("address with a dash") << "b" << "12 - http://pagina-uno.it/" << base + "b&hl=it&lr=&newwindow=1&start=10" + tail;
    QTest::newRow("dash too early") << "b" << "- http://a.it/" << "";
    QTest::newRow("dash second character") << "b" << "7- x" << "";
    QTest::newRow("no number") << "b" << "ab - http://a.it/" << "";
    QTest::newRow("no dash") << "b" << "http://a.it/" << "";
    QTest::newRow("number too large") << "b" << "99999999999999999999 - x" << "";
}

void TestQueryAddress::resultsPageOfEntry()
{
    QFETCH(QString, phrase);
    QFETCH(QString, entry);
    QTEST(QueryAddress::resultsPageOfEntry(QStringLiteral("h"), phrase, entry).value_or(QString()), "address");
}

void TestQueryAddress::hostComesFromTheEnvironment()
{
    qunsetenv("CERCA_POSIZIONE_HOST");
    QCOMPARE(QueryAddress::hostFromEnvironment(), QStringLiteral("www.google.it"));
    qputenv("CERCA_POSIZIONE_HOST", "127.0.0.1:8080");
    QCOMPARE(QueryAddress::hostFromEnvironment(), QStringLiteral("127.0.0.1:8080"));
    qunsetenv("CERCA_POSIZIONE_HOST");
}

void TestQueryAddress::placesAreEncodedAsGoogleReadsThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("uule");    // empty: the name is refused
    QTest::newRow("16 bytes") << "Rome,Lazio,Italy" << "w+CAIQICIQUm9tZSxMYXppbyxJdGFseQ==";
    QTest::newRow("20 bytes") << "Milan,Lombardy,Italy" << "w+CAIQICIUTWlsYW4sTG9tYmFyZHksSXRhbHk=";
    QTest::newRow("31 bytes") << "Lezigne,Pays de la Loire,France" << "w+CAIQICIfTGV6aWduZSxQYXlzIGRlIGxhIExvaXJlLEZyYW5jZQ==";
    QTest::newRow("a letter of two bytes counts two") << "Zürich,Zurich,Switzerland"
                                                      << "w+CAIQICIaWsO8cmljaCxadXJpY2gsU3dpdHplcmxhbmQ=";
    QTest::newRow("no country") << "Milan" << "";
    QTest::newRow("an empty part") << "Milan,,Italy" << "";
    QTest::newRow("a blank part") << "Milan, ,Italy" << "";
    QTest::newRow("empty") << "" << "";
}

void TestQueryAddress::placesAreEncodedAsGoogleReadsThem()
{
    QFETCH(QString, name);
    QFETCH(QString, uule);
    const std::optional<QString> problem = PlaceQuery::placeProblem(name);
    QCOMPARE(problem.has_value(), uule.isEmpty());
    if (problem)
        QVERIFY2(problem->contains(QStringLiteral("Milan,Lombardy,Italy")), qPrintable(*problem));
    else
        QCOMPARE(PlaceQuery::uule(name), uule);
}

void TestQueryAddress::coordinatesAreEncodedAsTheirRecord_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("record");   // the location record the uule carries; empty: refused
    const QString record = QStringLiteral("role: CURRENT_LOCATION\nproducer: DEVICE_LOCATION\nradius: 65000\nlatlng <\n"
                                          "  latitude_e7: %1\n  longitude_e7: %2\n>");
    QTest::newRow("Milan") << "45.4642,9.1900" << record.arg(454642000).arg(91900000);
    QTest::newRow("west and south, blanks") << " -33.8688 , -70.6693 " << record.arg(-338688000).arg(-706693000);
    QTest::newRow("the edges") << "90,-180" << record.arg(900000000).arg(-1800000000);
    QTest::newRow("latitude past the pole") << "90.5,9.19" << "";
    QTest::newRow("longitude past the date line") << "45.46,180.01" << "";
}

void TestQueryAddress::coordinatesAreEncodedAsTheirRecord()
{
    QFETCH(QString, place);
    QFETCH(QString, record);
    const std::optional<QString> problem = PlaceQuery::placeProblem(place);
    QCOMPARE(problem.has_value(), record.isEmpty());
    if (problem) {
        QVERIFY2(problem->contains(QStringLiteral("fuori dalla Terra")), qPrintable(*problem));
        return;
    }
    const QString uule = PlaceQuery::uule(place);
    QVERIFY(uule.startsWith(QStringLiteral("a+")));
    QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(uule.mid(2).toLatin1())), record);
    // A converter's own value for 37.99162,-146.42273.
    QCOMPARE(PlaceQuery::uule(QStringLiteral("37.99162,-146.42273")),
             QStringLiteral("a+cm9sZTogQ1VSUkVOVF9MT0NBVElPTgpwcm9kdWNlcjogREVWSUNFX0xPQ0FUSU9OCnJhZGl1czogNjUwMDAKbGF0bG5nIDwKICBs"
                            "YXRpdHVkZV9lNzogMzc5OTE2MjAwCiAgbG9uZ2l0dWRlX2U3OiAtMTQ2NDIyNzMwMAo+"));
    // Both coordinates name the series, not the first alone.
    const QString series = SearchPlaces::seriesOf(QStringLiteral("idraulico"), SearchPlace{Device::Computer, "it", "it", place});
    QVERIFY2(series.endsWith(SearchPlaces::coordinatesText(*SearchPlaces::coordinatesOf(place)) + QLatin1Char(']')), qPrintable(series));
}

void TestQueryAddress::searchOptionsInTheAddress_data()
{
    QTest::addColumn<SearchPlace>("place");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("query");
    QTest::newRow("the defaults add nothing") << SearchPlace() << "www.google.it" << "";
    QTest::newRow("a phone alone adds nothing") << SearchPlace{Device::Smartphone, "it", "it", ""}
                                                << "www.google.it" << "";
    QTest::newRow("the United States in English") << SearchPlace{Device::Computer, "us", "en", ""}
                                                  << "www.google.com" << "&gl=us&hl=en";
    QTest::newRow("Great Britain") << SearchPlace{Device::Computer, "gb", "it", ""} << "www.google.co.uk"
                                   << "&gl=gb";
    QTest::newRow("Germany") << SearchPlace{Device::Computer, "de", "de", ""} << "www.google.de"
                             << "&gl=de&hl=de";
    QTest::newRow("Brazil in its Portuguese") << SearchPlace{Device::Computer, "br", "pt-BR", ""} << "www.google.com.br"
                                              << "&gl=br&hl=pt-BR";
    QTest::newRow("Milan") << SearchPlace{Device::Computer, "it", "it", "Milan,Lombardy,Italy"}
                           << "www.google.it" << "&uule=w%2BCAIQICIUTWlsYW4sTG9tYmFyZHksSXRhbHk%3D";
}

void TestQueryAddress::searchOptionsInTheAddress()
{
    QFETCH(SearchPlace, place);
    QFETCH(QString, query);
    QTEST(PlaceQuery::hostFor(place.country), "host");
    QCOMPARE(PlaceQuery::queryPart(place), query);
    QCOMPARE(PlaceQuery::problem(place), std::nullopt);
    // The first page carries the options after the phrase; a next page names
    // its language once, where it always did, and the rest after.
    QCOMPARE(QueryAddress::firstPage("h", "a b", place), "http://h/search?q=a b" + query);
    QString next = query;
    next.remove(QRegularExpression(QStringLiteral("&hl=[^&]*")));
    QCOMPARE(QueryAddress::nextPage("h", "a", 10, true, place),
             QStringLiteral("http://h/search?q=a&hl=%1&lr=&newwindow=1&start=10&sa=N%2&lr=lang_it").arg(place.language, next));
}

void TestQueryAddress::seriesKeepRunsApart_data()
{
    QTest::addColumn<SearchPlace>("place");
    QTest::addColumn<QString>("series");
    QTest::newRow("the defaults: the phrase alone") << SearchPlace() << "bimby";
    QTest::newRow("a phone") << SearchPlace{Device::Smartphone, "it", "it", ""} << "bimby [smartphone]";
    QTest::newRow("a phone in Milan") << SearchPlace{Device::Smartphone, "it", "it", "Milan,Lombardy,Italy"}
                                      << "bimby [smartphone, Milan]";
    QTest::newRow("a computer in the United States, in English") << SearchPlace{Device::Computer, "us", "en", ""}
                                                                 << "bimby [computer, US, en]";
}

void TestQueryAddress::seriesKeepRunsApart()
{
    QFETCH(SearchPlace, place);
    QTEST(SearchPlaces::seriesOf(QStringLiteral("bimby"), place), "series");
    QCOMPARE(SearchPlaces::describe(place).isEmpty(), place.isDefault());
}

void TestQueryAddress::optionsThatCannotBeSearched_data()
{
    QTest::addColumn<SearchPlace>("place");
    QTest::addColumn<QString>("problem");
    QTest::newRow("a country of three letters") << SearchPlace{Device::Computer, "ita", "it", ""} << "ita";
    QTest::newRow("a country in capitals") << SearchPlace{Device::Computer, "IT", "it", ""} << "IT";
    QTest::newRow("no language") << SearchPlace{Device::Computer, "it", "", ""} << "lingua";
    QTest::newRow("a place without its country") << SearchPlace{Device::Computer, "it", "it", "Milan"} << "Milan";
}

void TestQueryAddress::optionsThatCannotBeSearched()
{
    QFETCH(SearchPlace, place);
    QFETCH(QString, problem);
    const std::optional<QString> said = PlaceQuery::problem(place);
    QVERIFY(said);
    QVERIFY2(said->contains(problem), qPrintable(*said));
}

QTEST_GUILESS_MAIN(TestQueryAddress)
#include "tst_queryaddress.moc"
