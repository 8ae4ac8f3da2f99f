#include "platform/chromium/chromiumpage.h"
#include "platform/chromium/screencastview.h"
#include "search/pagekind.h"
#include "search/resultlinks.h"
#include "search/scanner.h"
#include "resultsservice.h"
#include "watchdog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonValue>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <csignal>

// The embedded browser against real pages: the page text it gives and which
// loads it reports.
class TestPageText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void pageTextWritesTheMarkupAsExpected_data();
    void pageTextWritesTheMarkupAsExpected();
    void engineStartsWithTheFirstNavigation();
    void missingBrowserLeavesTheWindowWorking();
    void browserDyingMidPageCompletesWithoutText();
    void replacedNavigationReportsNothing();
    void pagesSeeABrowserWithAWindow_data();
    void pagesSeeABrowserWithAWindow();
    void failedLoadCompletesWithoutText_data();
    void failedLoadCompletesWithoutText();
    void todayResultsAreRead_data();
    void todayResultsAreRead();
    void pageFeaturesAreRead_data();
    void pageFeaturesAreRead();
    void localPackIsRead_data();
    void localPackIsRead();
    void lateOverviewIsReadOnceSettled_data();
    void lateOverviewIsReadOnceSettled();
    void picturesOutlineTheHits_data();
    void picturesOutlineTheHits();
    void pagesWithoutResultsArePlaced_data();
    void pagesWithoutResultsArePlaced();

private:
    QString load(const QString &address);

    std::unique_ptr<results::Service> m_service;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<ChromiumPage> m_browser;
};

void TestPageText::initTestCase()
{
    results::Catalog catalog = results::Catalog::parse("[lenta]\nhttp://www.lenta.it/\n@slow 0 1500\n"
                                                       "[tronca]\n@generate 30\n@cut 0\n[errore 500]\n@fail 0 500\n[errore 503]\n@fail 0 503\n[oggi]\n@today\n@generate 25\n[muta]\n@silent 0\n"
                                                       "[servizio]\n@today\n@featured http://www.fonte.it/\n"
                                                       "@ai http://www.citata.it/a http://www.velmora.it/\n@ads 3 2\n@generate 12\n"
                                                       "[tre secondi]\n@today\n@ai-dopo 3000 http://www.citata.it/a http://www.velmora.it/\n@generate 9\n"
                                                       "[dodici secondi]\n@today\n@ai-dopo 12000 http://www.citata.it/a\n@generate 9\n"
                                                       "[mai]\n@today\n@ai-mai http://www.citata.it/a http://www.velmora.it/\n@generate 9\n");
    m_service = std::make_unique<results::Service>(std::move(catalog));
    QVERIFY(m_service->start() > 0);
    m_window = std::make_unique<QWidget>();
    m_window->resize(300, 300);
    auto *container = new QWidget(m_window.get());
    container->setGeometry(0, 0, 300, 300);
    m_browser = std::make_unique<ChromiumPage>();
    ScreencastView::attach(m_browser.get(), container);
    m_window->show();
}

void TestPageText::cleanupTestCase()
{
    m_window.reset();
    m_browser.reset();
    m_service->stop();
}

QString TestPageText::load(const QString &address)
{
    QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
    m_browser->navigate2(address);
    if (!complete.wait(20000))
        return QStringLiteral("<no document>");
    return m_browser->pageText().value_or(QStringLiteral("<no text>"));
}

void TestPageText::pageTextWritesTheMarkupAsExpected_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    QTest::newRow("result heading") << "<h3 class=\"r\"><a href=\"http://www.bimby.it/\">Bimby</a></h3>"
                                    << "<h3 class=r><a href=\"http://www.bimby.it/\">Bimby</a></h3>";
    QTest::newRow("bare and quoted values")
        << "<div id=a-b_c.1 title='x y' data-e=\"\" data-q='a\"b&amp;c'>t</div>"
        << "<div id=a-b_c.1 title=\"x y\" data-e=\"\" data-q=\"a&quot;b&amp;c\">t</div>";
    QTest::newRow("text escaped") << "<p>a &amp; b &lt; c &gt; d</p>" << "<p>a &amp; b &lt; c &gt; d</p>";
    QTest::newRow("script raw") << "<script>var u = \"//x\"; if (1 < 2 && 3 > 2) {}</script>"
                                << "<script>var u = \"//x\"; if (1 < 2 && 3 > 2) {}</script>";
    QTest::newRow("void elements") << "<p>a<br>b<img src=x.png></p>" << "<p>a<br>b<img src=x.png></p>";
    QTest::newRow("comment") << "<!-- nota --><p>x</p>" << "<!-- nota --><p>x</p>";
    QTest::newRow("comment holding markup") << "<!-- <h3 class=\"r\"> -->" << "<!-- <h3 class=\"r\"> -->";
    QTest::newRow("text that looks like a value") << "<p>class=\"r\" x=\"y\"</p>" << "<p>class=\"r\" x=\"y\"</p>";
    QTest::newRow("value holding > and <, then a bare one") << "<p title=\"a>b<c\" id=\"i-1\">t</p>"
                                                            << "<p title=\"a>b<c\" id=i-1>t</p>";
    QTest::newRow("script holding a style end tag and values")
        << "<script nonce=\"n2\">var s='</style><div class=\"r\">'; var n=\"&nbsp;\";</script>"
        << "<script nonce=n2>var s='</style><div class=\"r\">'; var n=\"&nbsp;\";</script>";
    QTest::newRow("no-break spaces as themselves") << "<p data-v=\"a&nbsp;b\">c&nbsp;d &amp;nbsp;</p>"
                                                   << "<p data-v=\"a\u00a0b\">c\u00a0d &amp;nbsp;</p>";
    QTest::newRow("noscript text escaped") << "<noscript><div class=\"r\">a &amp; b</div></noscript>"
                                           << "<noscript>&lt;div class=\"r\"&gt;a &amp;amp; b&lt;/div&gt;</noscript>";
}

void TestPageText::pageTextWritesTheMarkupAsExpected()
{
    QFETCH(QString, html);
    QFETCH(QString, expected);
    const QString document = QStringLiteral("<html><head><title>t</title></head><body>") + html
        + QStringLiteral("</body></html>");
    const QString text = load(QStringLiteral("data:text/html;charset=utf-8,")
                              + QString::fromLatin1(QUrl::toPercentEncoding(document)));
    QVERIFY2(text.startsWith(QStringLiteral("<head><title>t</title></head><body>")), qPrintable(text));
    QVERIFY2(text.contains(expected), qPrintable(text));
}

void TestPageText::engineStartsWithTheFirstNavigation()
{
    QTemporaryDir folder;
    ChromiumPage fresh(folder.path());
    QVERIFY(!fresh.engineStarted());
    QVERIFY(!fresh.pageText());
}

void TestPageText::missingBrowserLeavesTheWindowWorking()
{
    QTemporaryDir empty;
    QWidget container;
    ChromiumPage browser(empty.path());
    ScreencastView::attach(&browser, &container);
    QSignalSpy complete(&browser, &Browser::documentComplete);
    QSignalSpy unavailable(&browser, &Browser::unavailable);
    qputenv("CERCA_POSIZIONE_CHROMIUM", empty.filePath(QStringLiteral("chromium")).toUtf8());
    browser.navigate2(QStringLiteral("data:text/html,<p>x</p>"));
    browser.navigate2(QStringLiteral("data:text/html,<p>y</p>"));
    qunsetenv("CERCA_POSIZIONE_CHROMIUM");
    QVERIFY(!browser.engineStarted());
    QVERIFY(!browser.pageText());
    QCOMPARE(unavailable.size(), 2);   // each search says so
    QVERIFY2(unavailable.at(0).at(0).toString().contains(QStringLiteral("\"chromium\"")),
             qPrintable(unavailable.at(0).at(0).toString()));
    auto *notice = container.findChild<QLabel *>(QStringLiteral("BrowserUnavailable"));
    QVERIFY(notice);
    QCOMPARE(notice->text(), QStringLiteral("Il browser incorporato non è disponibile."));
    QCOMPARE(complete.size(), 0);
}

void TestPageText::browserDyingMidPageCompletesWithoutText()
{
    // The page never answers; the browser dies while it waits.
    const QString base = QStringLiteral("http://127.0.0.1:%1/search?q=").arg(m_service->port());
    QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
    const std::size_t before = m_service->requests().size();
    m_browser->navigate2(base + QStringLiteral("muta"));
    QTRY_VERIFY_WITH_TIMEOUT(m_service->requests().size() > before, 20000);
    QVERIFY(m_browser->processId() > 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^The browser ended")));
    ::kill(pid_t(m_browser->processId()), SIGKILL);
    QVERIFY(complete.wait(10000));
    QVERIFY(!m_browser->pageText());
    // The next page starts a new browser.
    QCOMPARE(load(base + QStringLiteral("veloce")).contains(QStringLiteral("veloce")), true);
}

void TestPageText::replacedNavigationReportsNothing()
{
    const QString base = QStringLiteral("http://127.0.0.1:%1/search?q=").arg(m_service->port());
    QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
    m_browser->navigate2(base + QStringLiteral("lenta"));   // answers after 1.5 s
    QTest::qWait(300);
    m_browser->navigate2(base + QStringLiteral("veloce"));
    QVERIFY(complete.wait(20000));
    QVERIFY(m_browser->pageText()->contains(QStringLiteral("veloce")));
    QTest::qWait(2500);
    QCOMPARE(complete.size(), 1);
    QVERIFY(m_browser->pageText()->contains(QStringLiteral("veloce")));
}

void TestPageText::pagesSeeABrowserWithAWindow_data()
{
    QTest::addColumn<bool>("phone");
    QTest::newRow("a phone") << true;
    QTest::newRow("a computer, after the phone") << false;
}

void TestPageText::pagesSeeABrowserWithAWindow()
{
    QFETCH(bool, phone);
    m_browser->setDevice(phone ? Device::Smartphone : Device::Computer);
    // A page of this machine, where the client hints are given.
    load(QStringLiteral("http://127.0.0.1:%1/search?q=veloce").arg(m_service->port()));
    QJsonValue seen;
    m_browser->evaluate(QStringLiteral("[navigator.userAgent, navigator.webdriver, screen.width, screen.height, "
                                       "navigator.maxTouchPoints, navigator.userAgentData.mobile, devicePixelRatio]"),
                        [&seen](const QJsonValue &value) { seen = value; });
    QTRY_VERIFY_WITH_TIMEOUT(seen.isArray(), 10000);
    const QString agent = seen[0].toString();
    QVERIFY2(agent.contains(QStringLiteral(" Chrome/")) && !agent.contains(QStringLiteral("Headless")), qPrintable(agent));
    QCOMPARE(agent.contains(QStringLiteral("Android")) && agent.contains(QStringLiteral(" Mobile Safari/")), phone);
    QCOMPARE(seen[1].toBool(true), false);
    // Behind the lists, the page is laid out as on a desktop, or as on a phone.
    const QSize size = phone ? Devices::kPhoneSize : Browser::kDesktopSize;
    QCOMPARE(seen[2].toInt(), size.width());
    QCOMPARE(seen[3].toInt(), size.height());
    QCOMPARE(seen[4].toInt() > 1, phone);
    QCOMPARE(seen[5].toBool(), phone);
    QCOMPARE(seen[6].toDouble(), phone ? Devices::kPhonePixelRatio : 1.0);
}

void TestPageText::failedLoadCompletesWithoutText_data()
{
    QTest::addColumn<QString>("phrase");   // empty: nobody listens
    QTest::addColumn<QString>("error");
    QTest::newRow("nobody listens") << "" << "net::ERR_CONNECTION_REFUSED";
    QTest::newRow("page cut short") << "tronca" << "net::ERR_";
    QTest::newRow("server error with a page") << "errore 500" << "HTTP 500";
    QTest::newRow("service unavailable with a page") << "errore 503" << "HTTP 503";
}

void TestPageText::failedLoadCompletesWithoutText()
{
    // Whether the engine shows its error page, the half page that arrived or
    // the server's own page with its error, the document completes once and
    // gives nothing to read results from, and says why.
    QFETCH(QString, phrase);
    int port = m_service->port();
    if (phrase.isEmpty()) {
        results::Service closed{results::Catalog()};
        port = closed.start();
        closed.stop();
    }
    const QString address = QStringLiteral("http://127.0.0.1:%1/search?q=%2").arg(port).arg(phrase);
    QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
    QCOMPARE(load(address), QStringLiteral("<no text>"));
    QFETCH(QString, error);
    QVERIFY2(m_browser->loadError().startsWith(error), qPrintable(m_browser->loadError()));
    QTest::qWait(1000);
    QCOMPARE(complete.size(), 1);
}

namespace {

// Markup of today's results pages, written from what they hold: one organic
// result, its link holding the heading.
QString organic(const QString &href, const QString &extra = QString())
{
    return QStringLiteral("<div class=\"MjjYud\"><div class=\"g\"><div class=\"yuRUbf\"><a href=\"%1\"><br>"
                          "<h3 class=\"LC20lb rIxsve\">Titolo</h3><cite>sito</cite></a></div>%2"
                          "<div class=\"VwiC3b\">Testo</div></div></div>").arg(href, extra);
}

QString today(const QString &results, const QString &around = QString())
{
    return QStringLiteral("<html><head><title>bimby - Cerca con Google</title></head><body>"
                          "<div class=rLrQHf><svg xmlns=\"http://www.w3.org/2000/svg\"></svg></div>"
                          "<div id=\"search\"><div id=\"tads\"><div data-text-ad=\"1\"><a href=\"https://ad.it/\">"
                          "<h3>Offerta</h3></a><span>Sponsorizzato</span></div></div><div id=\"rso\">%1</div></div>%2"
                          "</body></html>").arg(results, around);
}

QStringList addressesOf(const results::PhraseResults &results, std::size_t count)
{
    QStringList addresses;
    for (std::size_t i = 0; i < count; ++i)
        addresses << QString::fromStdString(results.addresses[i]);
    return addresses;
}

// A phone's result: the title is a heading by its role.
QString phoneResult(const QString &href, const QString &title)
{
    return QStringLiteral("<div class=\"MjjYud\"><a href=\"%1\"><div role=\"heading\" aria-level=\"3\">%2</div>"
                          "<span>sito</span></a><div>Testo</div></div>").arg(href, title);
}

QString phonePage(const QString &results)
{
    return QStringLiteral("<html><head><meta name=\"viewport\" content=\"width=device-width\"></head><body><div id=\"main\">"
                          "<div id=\"rso\">%1</div></div></body></html>").arg(results);
}

// Today's first page with a video result fourth, a forum thread sixth and
// sections after the second.
results::PhraseResults mixedResults()
{
    results::PhraseResults mixed;
    mixed.today = true;
    mixed.addresses = results::generatedAddresses("misto", 3);
    mixed.addresses.push_back("https://www.youtube.com/watch?v=bimby");
    for (std::string &address : results::generatedAddresses("altro", 6))
        mixed.addresses.push_back(address);
    mixed.videoResults = {4};
    mixed.forumResults = {6};
    mixed.sections = true;
    return mixed;
}

const QString kNext = QStringLiteral("<a id=\"pnnext\" href=\"/search?q=bimby&amp;start=20\">Avanti</a>");

} // namespace

void TestPageText::todayResultsAreRead_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<bool>("next");
    const QStringList three{"http://a.it/", "http://b.it/x?y=1&z=2", "http://c.it/"};
    QTest::newRow("ads, blocks and a wrapped link")
        << today(QStringLiteral("<div class=ULSxyf><block-component>%1</block-component></div>").arg(organic("http://risposta.it/"))
                 + organic("http://a.it/")
                 + QStringLiteral("<div class=related-question-pair data-initq=q><span>Domanda?</span><script>"
                                  "var d='<a href=\"http://d.it/\"><h3>R</h3></a>';</script></div>")
                 + organic("/url?q=http://b.it/x%3Fy%3D1%26z%3D2&amp;sa=U&amp;ved=2ah")
                 + QStringLiteral("<g-section-with-header><video-voyager>%1</video-voyager></g-section-with-header>")
                       .arg(organic("https://www.youtube.com/watch?v=1"))
                 + organic("http://sponsor.it/", QStringLiteral("<span>Sponsorizzato</span>"))
                 + organic("http://c.it/") + organic("/search?q=bimby+ricette"),
                 QStringLiteral("<div id=\"bottomads\">%1</div>%2").arg(organic("http://ad2.it/"), kNext))
        << (QStringList{"http://risposta.it/"} + three) << true;
    QString eleven;
    QStringList elevenTargets;
    for (int i = 1; i <= 11; ++i) {
        const QString target = QStringLiteral("http://www.sito%1.it/").arg(i);
        // The fourth is indented under the third, of the same site.
        eleven += i == 4 ? QStringLiteral("<div class=\"g jYOxx\">%1</div>").arg(organic(target)) : organic(target);
        elevenTargets << target;
    }
    QTest::newRow("11 results, one indented") << today(eleven, kNext) << elevenTargets << true;
    QTest::newRow("the last page") << today(organic("http://a.it/"),
                                            QStringLiteral("<a href=\"/search?q=bimby&amp;start=0\">1</a>"))
                                   << QStringList{"http://a.it/"} << false;
    QString basic;
    for (const QString &target : three) {
        basic += QStringLiteral("<div><a href=\"/url?q=%1&amp;sa=U&amp;ved=2ah\"><h3><div>T</div></h3></a></div>")
                     .arg(QString::fromLatin1(QUrl::toPercentEncoding(target)));
    }
    QTest::newRow("the basic page")
        << QStringLiteral("<html><body><div id=\"main\">%1<a href=\"/search?q=bimby&amp;tbm=isch\"><h3>Immagini</h3></a>"
                          "%2</div></body></html>").arg(basic, kNext)
        << three << true;
    QTest::newRow("consent dialog over the results")
        << today(organic("http://a.it/") + organic("http://c.it/"),
                 QStringLiteral("<div role=\"dialog\" aria-modal=\"true\"><h1>Prima di accedere a Google</h1>"
                                "<button>Rifiuta tutto</button><button>Accetta tutto</button></div>"))
        << QStringList{"http://a.it/", "http://c.it/"} << false;
    // A phone's page: the title is a heading by its role, no h3 anywhere.
    QTest::newRow("a phone's page")
        << QStringLiteral("<html><head><meta name=\"viewport\" content=\"width=device-width\"></head><body><div id=\"main\">"
                          "<div id=\"tads\"><div data-text-ad=\"1\">%1<span>Sponsorizzato</span></div></div><div id=\"rso\">"
                          "%2%3<div class=\"related-question-pair\">%4</div>%5<g-section-with-header>%6</g-section-with-header>"
                          "<div data-block=\"local\">%7</div>%8</div>"
                          "<a aria-label=\"Altri risultati\" href=\"/search?q=bimby&amp;start=20\">Altri risultati</a></div></body></html>")
               .arg(phoneResult("http://b.it/x?y=1&amp;z=2", "Offerta"), phoneResult("http://a.it/", "A"),
                    phoneResult("/url?q=http://b.it/x%3Fy%3D1%26z%3D2&amp;sa=U", "B"), phoneResult("http://d.it/", "Domanda"),
                    phoneResult("https://support.google.com/websearch/", "Guida"),
                    phoneResult("https://www.youtube.com/watch?v=1", "Video"), phoneResult("http://pizzeria.it/", "Pizzeria"),
                    phoneResult("http://c.it/", "C"))
        << QStringList{"http://a.it/", "http://b.it/x?y=1&z=2", "https://support.google.com/websearch/", "http://c.it/"}
        << true;
    // The service's phone layout: an ad for the first result's own address, a
    // featured answer, places, questions, shopping, videos and hotel prices
    // among the results, "Altri risultati" below.
    results::PhraseResults phone;
    for (int i = 1; i <= 12; ++i)
        phone.addresses.push_back("http://www.telefono" + std::to_string(i) + ".it/");
    phone.featured = "http://www.fonte.it/";
    const QStringList phoneTargets = QStringList{"http://www.fonte.it/"} + addressesOf(phone, 10);
    QTest::newRow("the service's phone page")
        << QString::fromStdString(results::phoneResultsPage("bimby", 0, phone)).replace("start=10", "start=20")
        << phoneTargets << true;
    results::PhraseResults hundred;
    hundred.addresses = results::generatedAddresses("cento", 100);
    hundred.onePage = true;
    QTest::newRow("a phone's page of 100 results")
        << QString::fromStdString(results::phoneResultsPage("bimby", 0, hundred)) << addressesOf(hundred, 100) << false;
    results::PhraseResults google;
    google.addresses = {"https://www.google.com/", "https://about.google/", "https://www.google.it/intl/it/chrome/",
                        "https://it.wikipedia.org/wiki/Google"};
    google.app = true;
    QTest::newRow("google, on a phone, under the app's install card")
        << QString::fromStdString(results::phoneResultsPage("google", 0, google)) << addressesOf(google, 4) << false;
    phone.app = true;
    phone.recipes = true;
    QTest::newRow("the service's phone page with an app's install card and recipes")
        << QString::fromStdString(results::phoneResultsPage("bimby", 0, phone)).replace("start=10", "start=20")
        << phoneTargets << true;
    QTest::newRow("a phone's featured answer whose source has a title")
        << phonePage(QStringLiteral("<div class=\"xpdopen\"><block-component><div>La risposta.</div>%1</block-component></div>%2")
                         .arg(phoneResult("http://www.fonte.it/", "Fonte"), phoneResult("http://a.it/", "A")))
        << QStringList{"http://www.fonte.it/", "http://a.it/"} << false;
    QTest::newRow("google, on a computer")
        << today(organic("https://www.google.com/") + organic("https://it.wikipedia.org/wiki/Google"),
                 QStringLiteral("<a href=\"https://www.google.it/\">logo</a>"))
        << QStringList{"https://www.google.com/", "https://it.wikipedia.org/wiki/Google"} << false;
    QStringList served;
    for (int i = 1; i <= 8; ++i)
        served << QStringLiteral("http://www.sito%1.esempio.it/oggi/pagina-%1.html").arg(i);
    QTest::newRow("the results service") << QString() << served << true;
    // A single video counts at its place, with its key moments; a forum
    // thread with its rows; the sections' cards, a carousel's videos among
    // them, never.
    const results::PhraseResults mixed = mixedResults();
    QTest::newRow("the service's video, forum thread and sections")
        << QString::fromStdString(results::todayResultsPage("bimby", 0, mixed)).replace("start=10", "start=20")
        << addressesOf(mixed, 8) << true;
    // The rule is the section's own heading, whatever it says: a few of them.
    for (const char *heading : {"Cose da sapere", "Dinge, die du wissen solltest", "Luoghi"}) {
        QTest::addRow("cards under \"%s\"", heading)
            << today(organic("http://a.it/")
                     + QStringLiteral("<div><div role=\"heading\" aria-level=\"2\"><span>%1</span></div><div>%2</div>%3</div>")
                           .arg(QString::fromUtf8(heading), organic("http://carta1.it/"), organic("http://carta2.it/"))
                     + organic("http://b.it/"))
            << QStringList{"http://a.it/", "http://b.it/"} << false;
    }
    QTest::newRow("a phone's video result and its chapters")
        << phonePage(phoneResult("http://a.it/", "A")
                     + QStringLiteral("<div><video-voyager>%1<span>12:34</span>%2%3</video-voyager></div>")
                           .arg(phoneResult("https://www.youtube.com/watch?v=1", "Video"),
                                phoneResult("https://www.youtube.com/watch?v=1&amp;t=60", "Capitolo 1"),
                                phoneResult("https://www.youtube.com/watch?v=1&amp;t=180", "Capitolo 2"))
                     + phoneResult("https://www.youtube.com/watch?v=2&amp;t=5", "Un altro video") + phoneResult("http://b.it/", "B"))
        << QStringList{"http://a.it/", "https://www.youtube.com/watch?v=1", "https://www.youtube.com/watch?v=2&t=5", "http://b.it/"}
        << false;
}

void TestPageText::todayResultsAreRead()
{
    QFETCH(QString, html);
    // Each row's page answers the second page of "bimby".
    m_service->addPage("bimby", html.toStdString());
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(m_service->port());
    const QString row = QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(QTest::currentDataTag())));
    const QString text = load(html.isEmpty() ? base + QStringLiteral("/search?q=oggi")
                                             : base + QStringLiteral("/search?q=bimby&start=10&riga=") + row);
    // Today's results come from the live document, without the page text.
    QVERIFY2(text.isEmpty(), qPrintable(text));
    const PageLinks links = m_browser->pageLinks();
    QVERIFY(links.address.startsWith(base));
    QTEST(ResultLinks::targetsOf(links.results, links.address), "targets");
    QTEST(ResultLinks::hasNextPage(links.address, links.pages), "next");
}

void TestPageText::pageFeaturesAreRead_data()
{
    QTest::addColumn<QString>("html");       // empty: the results service's page
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<PageFeatures>("features");
    const QString ai = QStringLiteral("<div class=M8OgIe><div role=heading aria-level=2><span>%1</span></div>"
                                      "<div>Testo</div><a href=\"https://it.wikipedia.org/wiki/Bimby\"><h3>Wikipedia</h3></a>"
                                      "<a href=\"/url?q=http://www.velmora.it/bimby&amp;sa=U\">velmora</a></div>");
    const QStringList aiCited{"https://it.wikipedia.org/wiki/Bimby", "http://www.velmora.it/bimby"};
    PageFeatures withAi{1, 0, QString(), true, aiCited, false};
    for (const char *heading : {"Panoramica AI", "Panoramica creata con l'AI", "AI Overview"}) {
        QTest::addRow("AI overview headed \"%s\"", heading)
            << today(ai.arg(QString::fromUtf8(heading)) + organic("http://a.it/")) << QStringList{"http://a.it/"}
            << QStringList{"Titolo"} << withAi;
    }
    QTest::newRow("a result titled like an AI overview")
        << today(QStringLiteral("<div class=g><a href=\"http://ai.it/\"><h3>AI Overview</h3></a></div>"))
        << QStringList{"http://ai.it/"} << QStringList{"AI Overview"} << PageFeatures{1, 0, QString(), false, {}, false};
    QTest::newRow("featured answer on top, questions below")
        << today(QStringLiteral("<block-component><div><span>La risposta.</span>%1</div></block-component>")
                     .arg(organic("/url?q=http://fonte.it/&amp;sa=U"))
                 + organic("http://a.it/")
                 + QStringLiteral("<div><div role=heading>People also ask</div><div>Domanda?</div></div>"))
        << QStringList{"http://fonte.it/", "http://a.it/"} << QStringList{"Titolo", "Titolo"}
        << PageFeatures{1, 0, QStringLiteral("http://fonte.it/"), false, {}, true};
    QTest::newRow("featured answer among the results")
        << today(organic("http://a.it/") + organic("http://b.it/")
                 + QStringLiteral("<div data-featured=1>%1%2</div>").arg(organic("http://fonte.it/"), organic("http://altro.it/")))
        << QStringList{"http://a.it/", "http://b.it/", "http://fonte.it/"} << QStringList{"Titolo", "Titolo", "Titolo"}
        << PageFeatures{1, 0, QStringLiteral("http://fonte.it/"), false, {}, false};
    QTest::newRow("ads above, among and below, a Google site")
        << today(organic("http://sponsor.it/", QStringLiteral("<span>Sponsorizzato</span>"))
                 + organic("https://support.google.com/websearch/?hl=it") + organic("http://a.it/")
                 + organic("http://sponsor2.it/", QStringLiteral("<span>Sponsored</span>")),
                 QStringLiteral("<div id=\"bottomads\">%1%2</div>").arg(organic("http://ad2.it/"), organic("http://ad3.it/")))
        << QStringList{"https://support.google.com/websearch/?hl=it", "http://a.it/"} << QStringList{"Titolo", "Titolo"}
        << PageFeatures{2, 3, QString(), false, {}, false};
    // An overview on top, and lower, among the results, a hidden label with
    // a note that no overview is available.
    results::PhraseResults placeholder;
    placeholder.today = true;
    placeholder.aiPlaceholder = true;
    placeholder.aiCited = {"http://www.citata.it/a"};
    placeholder.addresses = results::generatedAddresses("bimby", 8);
    QTest::newRow("a hidden AI label among the results")
        << QString::fromStdString(results::todayResultsPage("bimby", 0, placeholder))
        << QStringList{"http://www.sito1.esempio.it/bimby/pagina-1.html", "http://www.sito2.esempio.it/bimby/pagina-2.html"}
        << QStringList{"Risultato 1 per bimby", "Risultato 2 per bimby"}
        << PageFeatures{1, 1, QString(), true, {"http://www.citata.it/a"}, true};
    QTest::newRow("a visible AI label inside the results' wrapper")
        << today(QStringLiteral("<div class=dURPMd>%1<div><div role=heading><span>AI Overview</span></div><div>Una sintesi."
                                "</div></div>%2</div>").arg(organic("http://a.it/"), organic("http://b.it/")))
        << QStringList{"http://a.it/", "http://b.it/"} << QStringList{"Titolo", "Titolo"}
        << PageFeatures{1, 0, QString(), true, {}, false};
    QTest::newRow("an AI overview inside a section is the section's")
        << QString::fromStdString(results::todayResultsPage("bimby", 0, mixedResults()))
        << QStringList{"http://www.sito1.esempio.it/misto/pagina-1.html", "http://www.sito2.esempio.it/misto/pagina-2.html"}
        << QStringList{"Risultato 1 per bimby", "Risultato 2 per bimby"} << PageFeatures{1, 1, QString(), false, {}, true};
    results::PhraseResults phone;
    phone.addresses = results::generatedAddresses("bimby", 10);
    phone.featured = "http://www.fonte.it/";
    phone.app = true;
    phone.recipes = true;
    QTest::newRow("a phone's featured answer, its source without a title heading")
        << QString::fromStdString(results::phoneResultsPage("bimby", 0, phone))
        << QStringList{"http://www.fonte.it/", "http://www.sito1.esempio.it/bimby/pagina-1.html"}
        << QStringList{"Risposta in evidenza", "Risultato 1 per bimby"}
        << PageFeatures{1, 0, QStringLiteral("http://www.fonte.it/"), false, {}, true};
    QTest::newRow("the results service")
        << QString()
        << QStringList{"http://www.fonte.it/", "http://www.sito1.esempio.it/servizio/pagina-1.html"}
        << QStringList{"Risposta in evidenza", "Risultato 1 per servizio"}
        << PageFeatures{3, 2, QStringLiteral("http://www.fonte.it/"), true, {"http://www.citata.it/a", "http://www.velmora.it/"}, true};
}

void TestPageText::pageFeaturesAreRead()
{
    QFETCH(QString, html);
    QFETCH(QStringList, targets);
    QFETCH(QStringList, titles);
    QFETCH(PageFeatures, features);
    m_service->addPage("bimby", html.toStdString());
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(m_service->port());
    const QString row = QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(QTest::currentDataTag())));
    QCOMPARE(load(html.isEmpty() ? base + QStringLiteral("/search?q=servizio")
                                 : base + QStringLiteral("/search?q=bimby&riga=") + row),
             QString());
    const PageLinks links = m_browser->pageLinks();
    const QList<ResultLinks::TitledLink> results = ResultLinks::resultsOf(links.results, links.titles, links.address);
    QStringList readTargets;
    QStringList readTitles;
    for (const ResultLinks::TitledLink &result : results.first(std::min<qsizetype>(results.size(), targets.size()))) {
        readTargets << result.address;
        readTitles << result.title;
    }
    QCOMPARE(readTargets, targets);
    QCOMPARE(readTitles, titles);
    QVERIFY(links.features);
    const PageFeatures read = ResultLinks::resolved(*links.features, links.address);
    QCOMPARE(read.adsTop, features.adsTop);
    QCOMPARE(read.adsBottom, features.adsBottom);
    QCOMPARE(read.featured, features.featured);
    QCOMPARE(read.aiOverview, features.aiOverview);
    QCOMPARE(read.aiCited, features.aiCited);
    QCOMPARE(read.questions, features.questions);
    QCOMPARE(read.aiLoading, features.aiLoading);
    if (QTest::currentDataTag() == QByteArray("a hidden AI label among the results"))
        QCOMPARE(results.size(), 8);   // the overview takes no result with it
}

void TestPageText::localPackIsRead_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("pack");   // "name | website | maps", in order
    results::PhraseResults places;
    places.today = true;
    places.addresses = results::generatedAddresses("idraulico", 10);
    places.businesses = {{"Idraulica Rossi", "http://www.rossi.it/", 45.47, 9.19},
                         {"Tubi & Figli", "https://tubi.example.it/contatti?x=1", 45.46, 9.20},
                         {"Velmora Impianti", "http://www.velmora.it/", 45.45, 9.18}};
    const QStringList withSites{"Idraulica Rossi | http://www.rossi.it/ | https://maps.google.com/maps?cid=1",
                                "Tubi & Figli | https://tubi.example.it/contatti?x=1 | https://maps.google.com/maps?cid=2",
                                "Velmora Impianti | http://www.velmora.it/ | https://maps.google.com/maps?cid=3"};
    QTest::newRow("computer") << QString::fromStdString(results::todayResultsPage("idraulico", 0, places)) << withSites;
    QStringList onPhone = withSites;
    onPhone.replaceInStrings(QStringLiteral("maps?cid="), QStringLiteral("?cid="));
    QTest::newRow("phone") << QString::fromStdString(results::phoneResultsPage("idraulico", 0, places)) << onPhone;
    for (results::Business &business : places.businesses)
        business.website.clear();
    QTest::newRow("phone, no websites")
        << QString::fromStdString(results::phoneResultsPage("idraulico", 0, places))
        << QStringList{"Idraulica Rossi |  | https://maps.google.com/?cid=1", "Tubi & Figli |  | https://maps.google.com/?cid=2",
                       "Velmora Impianti |  | https://maps.google.com/?cid=3"};
    places.businesses.clear();
    QTest::newRow("no pack") << QString::fromStdString(results::todayResultsPage("idraulico", 0, places)) << QStringList();
}

void TestPageText::localPackIsRead()
{
    QFETCH(QString, html);
    QFETCH(QStringList, pack);
    m_service->addPage("idraulico", html.toStdString());
    const QString row = QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(QTest::currentDataTag())));
    QCOMPARE(load(QStringLiteral("http://127.0.0.1:%1/search?q=idraulico&riga=%2").arg(m_service->port()).arg(row)), QString());
    const PageLinks links = m_browser->pageLinks();
    QVERIFY(links.features);
    QStringList read;
    for (const PackEntry &entry : links.features->pack)
        read << entry.name + QStringLiteral(" | ") + entry.website + QStringLiteral(" | ") + entry.maps;
    QCOMPARE(read, pack);
    // The businesses take no organic position.
    const QList<ResultLinks::TitledLink> results = ResultLinks::resultsOf(links.results, links.titles, links.address);
    QVERIFY(results.size() >= 8);
    for (qsizetype i = 0; i < results.size(); ++i)
        QCOMPARE(results[i].address, QStringLiteral("http://www.sito%1.esempio.it/idraulico/pagina-%1.html").arg(i + 1));
}

void TestPageText::lateOverviewIsReadOnceSettled_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<int>("settle");          // the bound from the load, in seconds
    QTest::addColumn<QStringList>("cited");
    QTest::addColumn<bool>("loading");        // still being generated when read
    const QStringList both{"http://www.citata.it/a", "http://www.velmora.it/"};
    QTest::newRow("an overview 3 s after the page") << "tre secondi" << 10 << both << false;
    QTest::newRow("an overview 12 s after the page, past the bound") << "dodici secondi" << 10 << QStringList() << true;
    QTest::newRow("an overview that never completes") << "mai" << 3 << both << true;
    QTest::newRow("read at the load, without settling") << "tre secondi" << 0 << QStringList() << true;
}

void TestPageText::lateOverviewIsReadOnceSettled()
{
    QFETCH(QString, phrase);
    QFETCH(int, settle);
    m_browser->setSettleSeconds(settle);
    QElapsedTimer clock;
    clock.start();
    load(QStringLiteral("http://127.0.0.1:%1/search?q=%2").arg(m_service->port()).arg(phrase));
    const qint64 elapsed = clock.elapsed();
    m_browser->setSettleSeconds(Settling::kDefaultSeconds);
    const PageLinks links = m_browser->pageLinks();
    QCOMPARE(links.results.size(), 8);
    QVERIFY(links.features);
    const PageFeatures read = ResultLinks::resolved(*links.features, links.address);
    QVERIFY(read.aiOverview);
    QTEST(read.aiCited, "cited");
    QTEST(read.aiLoading, "loading");
    // Never waited for much past the bound.
    QVERIFY2(elapsed < (settle + 8) * 1000, qPrintable(QString::number(elapsed)));
}

void TestPageText::picturesOutlineTheHits_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("phone");
    QTest::addColumn<QList<int>>("hits");   // which of the page's results; none: the whole page
    QTest::newRow("a computer's page 2, one hit") << "oggi&start=10" << false << QList<int>{3};
    QTest::newRow("a hit in an indented result") << "oggi" << false << QList<int>{4};
    QTest::newRow("the continue mode's three hits") << "oggi" << false << QList<int>{1, 3, 6};
    QTest::newRow("a phone's page") << "oggi" << true << QList<int>{5};
    QTest::newRow("no hit: the page from the top") << "oggi" << false << QList<int>{};
}

void TestPageText::picturesOutlineTheHits()
{
    QFETCH(QString, query);
    QFETCH(bool, phone);
    QFETCH(QList<int>, hits);
    m_browser->setDevice(phone ? Device::Smartphone : Device::Computer);
    load(QStringLiteral("http://127.0.0.1:%1/search?q=%2").arg(m_service->port()).arg(query));
    const PageLinks links = m_browser->pageLinks();
    QStringList addresses;
    for (int hit : hits)
        addresses << links.results.value(hit);
    std::optional<PagePicture> taken;
    m_browser->capturePicture(addresses, [&taken](const PagePicture &picture) { taken = picture; });
    QTRY_VERIFY_WITH_TIMEOUT(taken.has_value(), 20000);
    m_browser->setDevice(Device::Computer);
    QImage image;
    QVERIFY(image.loadFromData(taken->jpeg, "JPG"));
    QCOMPARE(image.size(), taken->size);
    // The computer's width, or the phone's at 1.25 pixels a CSS pixel.
    QCOMPARE(image.width(), phone ? qRound(Devices::kPhoneSize.width() * 1.25) : Browser::kDesktopSize.width());
    if (hits.isEmpty()) {
        QVERIFY(taken->hitBox.isEmpty());
        QVERIFY(image.height() >= Browser::kDesktopSize.height() / 2);
        return;
    }
    const QRect box = taken->hitBox;
    QVERIFY2(!box.isEmpty() && image.rect().contains(box), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(box.x()).arg(box.y())
                                                                           .arg(box.width()).arg(box.height())));
    // Each hit in a strong red frame, and the picture ends a little below the last.
    int frames = 0;
    bool inFrame = false;
    const int x = box.left() + 2;
    int lastRed = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QColor pixel = image.pixelColor(x, y);
        const bool red = pixel.red() > 170 && pixel.green() < 90 && pixel.blue() < 100;
        frames += red && !inFrame;
        inFrame = red;
        lastRed = red ? y : lastRed;
    }
    QCOMPARE(frames, int(hits.size()));
    QVERIFY2(image.height() - lastRed < 260, qPrintable(QStringLiteral("%1 below").arg(image.height() - lastRed)));
    // The outlines are gone from the page afterwards.
    QJsonValue left;
    bool done = false;
    m_browser->evaluate(QStringLiteral("document.querySelectorAll('[data-cerca-posizione]').length"),
                        [&](const QJsonValue &value) { left = value; done = true; });
    QTRY_VERIFY(done);
    QCOMPARE(left.toInt(), 0);
}

void TestPageText::pagesWithoutResultsArePlaced_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<int>("kind");
    for (const char *layout : {"desktop", "smartphone", "basic", "classic"}) {
        for (const char *language : {"en", "it", "ru"}) {
            for (const bool ads : {false, true}) {
                const results::NoResultsLook look{layout, language, ads};
                QTest::addRow("no results, %s, %s%s", layout, language, ads ? ", ads" : "")
                    << QString::fromStdString(results::noResultsPage("bimby", look)) << int(PageKind::NoResults);
            }
        }
    }
    results::PhraseResults served;
    served.addresses = results::generatedAddresses("bimby", 30);
    QTest::newRow("results in a layout nobody knows")
        << QString::fromStdString(results::unknownLayoutPage("bimby", 10, served)) << int(PageKind::Unknown);
    QTest::newRow("a results column with links that are no results")
        << today(QStringLiteral("<div><a href=\"http://a.it/\"><span>Titolo</span></a></div>")) << int(PageKind::Unknown);
    QTest::newRow("a consent page")
        << QString::fromStdString(results::consentPage("127.0.0.1", "http://127.0.0.1/search?q=bimby")) << int(PageKind::Question);
    QTest::newRow("a check page") << QString::fromStdString(results::checkPage("/search?q=bimby")) << int(PageKind::Question);
    QTest::newRow("a consent dialog over an empty page")
        << today(QString(), QStringLiteral("<div role=\"dialog\" aria-modal=\"true\"><h1>Prima di accedere a Google</h1>"
                                           "<button>Accetta tutto</button></div>"))
        << int(PageKind::Question);
    // A notice bar at the foot leaves the page usable: the page is what it
    // shows behind it. A dialog that covers the page asks.
    const QString form = QStringLiteral("<form action=\"https://consent.google.com/save\"><button>OK</button></form>");
    const QString bar = QStringLiteral("<div role=\"dialog\" style=\"position:fixed;left:0;right:0;bottom:0;height:60px\">"
                                       "Cookie %1</div>");
    const std::string noResults = results::noResultsPage("bimby", {"desktop", "en", false});
    QTest::newRow("no results and the cookie notice")
        << QString::fromStdString(results::withCookieNotice(noResults)) << int(PageKind::NoResults);
    QTest::newRow("no results on a phone and the cookie notice")
        << QString::fromStdString(results::withCookieNotice(results::noResultsPage("bimby", {"smartphone", "it", true})))
        << int(PageKind::NoResults);
    QTest::newRow("no results and a notice bar with a form")
        << QString::fromStdString(noResults).replace("</body>", bar.arg(form) + "</body>") << int(PageKind::NoResults);
    QTest::newRow("results in a layout nobody knows and the cookie notice")
        << QString::fromStdString(results::withCookieNotice(results::unknownLayoutPage("bimby", 10, served)))
        << int(PageKind::Unknown);
    QTest::newRow("a dialog over most of the screen, not modal")
        << QString::fromStdString(noResults).replace("</body>", QStringLiteral("<div role=\"dialog\" style=\"position:fixed;"
                                                                               "inset:0 0 20% 0\">%1</div></body>").arg(form))
        << int(PageKind::Question);
    QTest::newRow("a small dialog on a layer over the screen")
        << QString::fromStdString(noResults).replace("</body>", QStringLiteral("<div style=\"position:fixed;inset:0\">"
                                                                               "<div role=\"dialog\" style=\"width:300px\">"
                                                                               "<button>Accetta</button></div></div></body>"))
        << int(PageKind::Question);
    QTest::newRow("a modal dialog element")
        << QString::fromStdString(noResults).replace("</body>", QStringLiteral("<dialog id=\"d\">Prima di continuare"
                                                                               "<button>OK</button></dialog><script>"
                                                                               "d.showModal()</script></body>"))
        << int(PageKind::Question);
}

void TestPageText::pagesWithoutResultsArePlaced()
{
    QFETCH(QString, html);
    m_service->addPage("bimby", html.toStdString());
    const QString row = QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(QTest::currentDataTag())));
    const QString text = load(QStringLiteral("http://127.0.0.1:%1/search?q=bimby&start=10&riga=%2").arg(m_service->port()).arg(row));
    const PageLinks links = m_browser->pageLinks();
    QVERIFY(links.results.isEmpty());
    // Nothing on these pages is scanned as a classic page.
    QVERIFY(!Scanner::hasClassicHeading(text));
    QTEST(int(PageKinds::of(links.shape, links.address, links.pages)), "kind");
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    Watchdog watchdog;
    TestPageText test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pagetext.moc"
