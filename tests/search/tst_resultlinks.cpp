#include "search/pagekind.h"
#include "search/resultlinks.h"

#include <QTest>

class TestResultLinks : public QObject
{
    Q_OBJECT
private slots:
    void targetOf_data();
    void targetOf();
    void homePageIsAResultOnlyUnderAHeading_data();
    void homePageIsAResultOnlyUnderAHeading();
    void eachTargetOnce();
    void nextPage_data();
    void nextPage();
    void pageKinds_data();
    void pageKinds();
};

namespace {
const QString kPage = QStringLiteral("https://www.google.it/search?q=ricette+bimby&start=10");
}

void TestResultLinks::targetOf_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");   // empty: not a result
    QTest::newRow("the target itself") << "https://www.velmora.it/bimby?x=1" << "https://www.velmora.it/bimby?x=1";
    QTest::newRow("wrapped") << "https://www.google.it/url?q=http://www.velmora.it/a%3Fb%3D1%26c%3D2&sa=U&ved=2ah"
                             << "http://www.velmora.it/a?b=1&c=2";
    QTest::newRow("wrapped, url parameter") << "https://www.google.it/url?sa=t&url=https%3A%2F%2Fa.it%2F" << "https://a.it/";
    QTest::newRow("wrapped Google site") << "https://www.google.it/url?q=https://support.google.com/x" << "https://support.google.com/x";
    QTest::newRow("Google help") << "https://support.google.com/websearch/answer/1?hl=it" << "https://support.google.com/websearch/answer/1?hl=it";
    QTest::newRow("Google books") << "https://books.google.it/books/about/Bimby.html?id=x" << "https://books.google.it/books/about/Bimby.html?id=x";
    QTest::newRow("Google Play") << "https://play.google.com/store/apps/details?id=it.bimby" << "https://play.google.com/store/apps/details?id=it.bimby";
    QTest::newRow("a page on the search host") << "https://www.google.com/intl/it/chrome/" << "https://www.google.com/intl/it/chrome/";
    QTest::newRow("another search on another Google") << "https://www.google.com/search?q=bimby" << "";
    QTest::newRow("Google's home page") << "https://www.google.co.uk/" << "";
    QTest::newRow("a check page") << "https://www.google.it/sorry/index?continue=x" << "";
    QTest::newRow("a cached copy") << "https://webcache.googleusercontent.com/search?q=cache:x" << "";
    QTest::newRow("Google's own page") << "https://www.google.it/search?q=bimby&tbm=isch" << "";
    QTest::newRow("the search host") << "http://127.0.0.1:8080/preferences" << "";
    QTest::newRow("wrapped on the search host") << "http://127.0.0.1:8080/url?q=http%3A%2F%2Fc.it%2F" << "http://c.it/";
    QTest::newRow("a site named like Google") << "http://www.googleando.it/" << "http://www.googleando.it/";
    QTest::newRow("no web address") << "javascript:void(0)" << "";
    QTest::newRow("wrapped script") << "https://www.google.it/url?q=javascript:alert(1)" << "";
}

void TestResultLinks::targetOf()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    const QString page = link.contains(QLatin1String("127.0.0.1")) ? QStringLiteral("http://127.0.0.1:8080/search?q=a")
                                                                     : kPage;
    QCOMPARE(ResultLinks::targetOf(link, page).value_or(QString()), target);
}

void TestResultLinks::homePageIsAResultOnlyUnderAHeading_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");   // as a result's heading links it; empty: no result
    QTest::newRow("google.com for the phrase \"google\"") << "https://www.google.com/" << "https://www.google.com/";
    QTest::newRow("the page's own Google") << "https://www.google.it/" << "https://www.google.it/";
    QTest::newRow("without a path") << "https://google.de" << "https://google.de";
    QTest::newRow("wrapped") << "https://www.google.it/url?q=https://www.google.com/" << "https://www.google.com/";
    QTest::newRow("a search from the home page") << "https://www.google.com/?q=bimby" << "";
    QTest::newRow("a search") << "https://www.google.com/search?q=google" << "";
    QTest::newRow("the local service's home, on its page") << "http://127.0.0.1:8080/" << "";
}

void TestResultLinks::homePageIsAResultOnlyUnderAHeading()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    const QString page = link.contains(QLatin1String("127.0.0.1")) ? QStringLiteral("http://127.0.0.1:8080/search?q=google")
                                                                     : QStringLiteral("https://www.google.it/search?q=google");
    QCOMPARE(ResultLinks::resultTargetOf(link, page).value_or(QString()), target);
    // Anywhere else (the logo, a navigation link) it is the engine's own page.
    QCOMPARE(ResultLinks::targetOf(link, page), std::nullopt);
}

void TestResultLinks::eachTargetOnce()
{
    const QStringList links{"https://a.it/", "https://www.google.it/url?q=https://a.it/", "https://b.it/",
                            "https://www.google.it/preferences", "https://a.it/"};
    QCOMPARE(ResultLinks::targetsOf(links, kPage), (QStringList{"https://a.it/", "https://b.it/"}));
}

void TestResultLinks::nextPage_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<bool>("next");
    QTest::newRow("next page") << QStringList{"https://www.google.it/search?q=ricette+bimby&start=20"} << true;
    QTest::newRow("spaces written as %20") << QStringList{"https://www.google.it/search?q=ricette%20bimby&start=20&sa=N"}
                                           << true;
    QTest::newRow("only earlier pages") << QStringList{"https://www.google.it/search?q=ricette+bimby&start=0",
                                                       "https://www.google.it/search?q=ricette+bimby"}
                                        << false;
    QTest::newRow("another search") << QStringList{"https://www.google.it/search?q=ricette+bimby+veloci&start=20"}
                                    << false;
    QTest::newRow("another host") << QStringList{"https://www.esempio.it/search?q=ricette+bimby&start=20"} << false;
    QTest::newRow("images, not results") << QStringList{"https://www.google.it/imgres?q=ricette+bimby&start=20"} << false;
}

void TestResultLinks::nextPage()
{
    QFETCH(QStringList, links);
    QTEST(ResultLinks::hasNextPage(kPage, links), "next");
}

void TestResultLinks::pageKinds_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<PageShape>("shape");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<int>("kind");
    PageShape empty;
    empty.searchForm = true;
    empty.resultsColumn = true;
    empty.links = {"https://support.google.com/websearch/?p=ws_results_help", "https://consent.google.com/status?continue=x",
                   "https://policies.google.com/terms", "https://www.google.it/preferences?hl=it", "javascript:void(0)"};
    const int none = int(PageKind::NoResults);
    const int question = int(PageKind::Question);
    const int unknown = int(PageKind::Unknown);
    QTest::newRow("an empty results column, Google's own links") << kPage << empty << QStringList() << none;
    PageShape messageOnly = empty;
    messageOnly.resultsColumn = false;
    messageOnly.noResultsMessage = true;
    QTest::newRow("no column, the engine's words") << kPage << messageOnly << QStringList() << none;
    messageOnly.noResultsMessage = false;
    QTest::newRow("no column, no words") << kPage << messageOnly << QStringList() << unknown;
    PageShape noForm = empty;
    noForm.searchForm = false;
    QTest::newRow("no search form") << kPage << noForm << QStringList() << unknown;
    PageShape elsewhere = empty;
    elsewhere.links << "https://www.velmora.it/";
    QTest::newRow("a link to another site") << kPage << elsewhere << QStringList() << unknown;
    elsewhere.links.last() = "https://www.google.it/url?q=https://www.velmora.it/&sa=U";
    QTest::newRow("a wrapped link to another site") << kPage << elsewhere << QStringList() << unknown;
    QTest::newRow("a next page") << kPage << empty
                                 << QStringList{"https://www.google.it/search?q=ricette+bimby&start=20"} << unknown;
    PageShape consent;
    consent.otherForms = {"https://consent.google.com/save"};
    QTest::newRow("a consent form") << kPage << consent << QStringList() << question;
    QTest::newRow("the consent host") << "https://consent.google.it/ml?continue=x" << PageShape() << QStringList() << question;
    QTest::newRow("a check page") << "https://www.google.it/sorry/index?continue=x" << PageShape() << QStringList() << question;
    PageShape captcha = empty;
    captcha.captcha = true;
    QTest::newRow("a captcha") << kPage << captcha << QStringList() << question;
    PageShape dialog = empty;
    dialog.dialog = true;
    QTest::newRow("a dialog over an empty page") << kPage << dialog << QStringList() << question;
}

void TestResultLinks::pageKinds()
{
    QFETCH(QString, address);
    QFETCH(PageShape, shape);
    QFETCH(QStringList, pages);
    QTEST(int(PageKinds::of(shape, address, pages)), "kind");
}

QTEST_GUILESS_MAIN(TestResultLinks)
#include "tst_resultlinks.moc"
