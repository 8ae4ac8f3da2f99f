#include "search/queryaddress.h"

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

QTEST_GUILESS_MAIN(TestQueryAddress)
#include "tst_queryaddress.moc"
