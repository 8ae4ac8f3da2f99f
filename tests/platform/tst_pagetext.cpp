#include "platform/engineenvironment.h"
#include "platform/embeddedbrowser.h"
#include "resultsservice.h"
#include "watchdog.h"

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <QWidget>

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
    void missingModuleLeavesTheWindowWorking();
    void replacedNavigationReportsNothing();
    void failedLoadCompletesWithoutText_data();
    void failedLoadCompletesWithoutText();

private:
    QString load(const QString &address);

    std::unique_ptr<results::Service> m_service;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<EmbeddedBrowser> m_browser;
};

void TestPageText::initTestCase()
{
    results::Catalog catalog = results::Catalog::parse("[lenta]\nhttp://www.lenta.it/\n@slow 0 1500\n"
                                                       "[tronca]\n@generate 30\n@cut 0\n");
    m_service = std::make_unique<results::Service>(std::move(catalog));
    QVERIFY(m_service->start() > 0);
    m_window = std::make_unique<QWidget>();
    m_window->resize(300, 300);
    auto *container = new QWidget(m_window.get());
    container->setGeometry(0, 0, 300, 300);
    m_browser = std::make_unique<EmbeddedBrowser>();
    m_browser->attach(container);
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
    EmbeddedBrowser fresh;
    QVERIFY(!fresh.engineStarted());
    QVERIFY(!fresh.pageText());
}

void TestPageText::missingModuleLeavesTheWindowWorking()
{
    QTemporaryDir empty;
    QWidget container;
    EmbeddedBrowser browser(QStringList{empty.path()});
    browser.attach(&container);
    QSignalSpy complete(&browser, &Browser::documentComplete);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^The browser engine could not be loaded")));
    browser.navigate2(QStringLiteral("data:text/html,<p>x</p>"));
    QVERIFY(!browser.engineStarted());
    QVERIFY(!browser.errorString().isEmpty());
    QVERIFY(!browser.pageText());
    auto *notice = container.findChild<QLabel *>(QStringLiteral("BrowserUnavailable"));
    QVERIFY(notice);
    QCOMPARE(notice->text(), QStringLiteral("Il browser incorporato non è disponibile."));
    browser.navigate2(QStringLiteral("data:text/html,<p>y</p>"));   // tried once, no second warning
    QTest::qWait(200);
    QCOMPARE(complete.size(), 0);
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

void TestPageText::failedLoadCompletesWithoutText_data()
{
    QTest::addColumn<bool>("cut");
    QTest::newRow("nobody listens") << false;
    QTest::newRow("page cut short") << true;
}

void TestPageText::failedLoadCompletesWithoutText()
{
    // Whether the engine shows its error page or the half page that arrived,
    // the document completes once and gives nothing to read results from.
    QFETCH(bool, cut);
    int port = m_service->port();
    if (!cut) {
        results::Service closed{results::Catalog()};
        port = closed.start();
        closed.stop();
    }
    const QString address = QStringLiteral("http://127.0.0.1:%1/search?q=tronca").arg(port);
    QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
    QCOMPARE(load(address), QStringLiteral("<no text>"));
    QTest::qWait(1000);
    QCOMPARE(complete.size(), 1);
}

int main(int argc, char *argv[])
{
    EngineEnvironment::prepare();
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    Watchdog watchdog;
    TestPageText test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pagetext.moc"
