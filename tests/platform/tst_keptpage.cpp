#include "platform/chromium/chromiumpage.h"
#include "search/scanner.h"
#include "store/pagecompression.h"
#include "resultsservice.h"
#include "watchdog.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// The page a run keeps is the page it read: served again in place of the
// live one, it reads to the same results, features and shape, and it holds
// no script, style sheet or inline picture.
class TestKeptPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void keptPageReadsAsTheLiveOne_data();
    void keptPageReadsAsTheLiveOne();

private:
    bool load(const QString &phrase);
    std::unique_ptr<results::Service> m_service;
    std::unique_ptr<ChromiumPage> m_browser;
    std::unique_ptr<ChromiumPage> m_reader;   // reads kept pages again, one after the other
};

void TestKeptPage::initTestCase()
{
    m_service = std::make_unique<results::Service>(results::Catalog::parse(
        "[classica]\n@generate 12\nhttp://www.velmora.it/\n"
        "[attuale]\n@today\n@featured http://www.fonte.it/\n@ai http://www.citata.it/a http://www.velmora.it/\n@ads 3 2\n@generate 12\n"
        "[al telefono]\n@today\n@featured http://www.fonte.it/\n@ai http://www.citata.it/a\n@ads 2 1\n@generate 12\n"
        "[vuota]\n@today\n@noresults 0 desktop en ads\n"));
    QVERIFY(m_service->start() > 0);
    m_browser = std::make_unique<ChromiumPage>();
    m_browser->setKeepingPages(true);
    m_reader = std::make_unique<ChromiumPage>();
    m_reader->setKeptPagesOnly();
}

bool TestKeptPage::load(const QString &phrase)
{
    QSignalSpy complete(m_browser.get(), &Browser::documentComplete);
    m_browser->navigate2(QStringLiteral("http://127.0.0.1:%1/search?q=%2").arg(m_service->port()).arg(phrase));
    return complete.wait(20000);
}

namespace {

void compareReadings(const ChromiumPage &again, const PageLinks &live, const QString &liveText)
{
    const PageLinks links = again.pageLinks();
    QCOMPARE(links.results, live.results);
    QCOMPARE(links.titles, live.titles);
    QCOMPARE(links.pages, live.pages);
    QCOMPARE(links.features, live.features);
    QCOMPARE(links.shape, live.shape);
    QCOMPARE(Scanner::classicResults(again.pageText().value_or(QString())), Scanner::classicResults(liveText));
}

} // namespace

void TestKeptPage::keptPageReadsAsTheLiveOne_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<bool>("phone");
    QTest::addColumn<QString>("html");    // served instead of the catalogue's page
    QTest::newRow("the classic markup") << "classica" << false << QString();
    QTest::newRow("today's, with its blocks") << "attuale" << false << QString();
    QTest::newRow("today's on a phone") << "al telefono" << true << QString();
    QTest::newRow("no results") << "vuota" << false << QString();
    // An AI overview that the page's style sheet hides is no overview, kept or not.
    std::string hidden = results::todayResultsPage(
        "celata", 0, results::Catalog::parse("[celata]\n@today\n@ai http://www.citata.it/a\n@generate 12\n").resultsFor("celata"));
    const std::string block = "<div class=\"M8OgIe\"";
    const std::size_t overview = hidden.find(block);
    QVERIFY(overview != std::string::npos);
    hidden.replace(overview, block.size(), "<style>.celata{display:none}</style><div class=\"M8OgIe celata\"");
    QTest::newRow("a block its style sheet hides") << "celata" << false << QString::fromStdString(hidden);
}

void TestKeptPage::keptPageReadsAsTheLiveOne()
{
    QFETCH(QString, phrase);
    QFETCH(bool, phone);
    QFETCH(QString, html);
    if (!html.isEmpty())
        m_service->addPage(phrase.toStdString(), html.toStdString());
    m_browser->setDevice(phone ? Device::Smartphone : Device::Computer);
    QVERIFY(load(phrase));
    const QString liveText = m_browser->pageText().value_or(QString());
    const PageLinks live = m_browser->pageLinks();
    if (!html.isEmpty())
        QVERIFY(live.features && !live.features->aiOverview);
    const QByteArray kept = m_browser->keptMarkup();
    QVERIFY(!kept.isEmpty());
    static const QRegularExpression unwanted(QStringLiteral("<script|<style|data:|<svg[^>]*>[^<]|<svg[^>]*><[^/]"));
    const QString keptText = QString::fromUtf8(kept);
    QVERIFY2(!unwanted.match(keptText).hasMatch(), qPrintable(unwanted.match(keptText).captured()));
    qInfo("%s: %lld bytes kept, %lld compressed", qPrintable(phrase), qint64(kept.size()),
          qint64(PageCompression::compress(kept).size()));

    m_service->addPage(phrase.toStdString(), kept.toStdString());
    QVERIFY(load(phrase));
    compareReadings(*m_browser, live, liveText);
    if (QTest::currentTestFailed())
        return;
    // As a re-reading reads it, with no network: after the first row, set
    // into the document of the row before.
    QSignalSpy reread(m_reader.get(), &Browser::documentComplete);
    m_reader->setDevice(phone ? Device::Smartphone : Device::Computer);
    m_reader->navigateKept(QStringLiteral("http://127.0.0.1:%1/search?q=%2").arg(m_service->port()).arg(phrase), kept);
    QVERIFY(reread.wait(20000));
    compareReadings(*m_reader, live, liveText);
    QTest::qWait(100);
    QCOMPARE(reread.size(), 1);
    QVERIFY(!live.results.isEmpty() || !Scanner::classicResults(liveText).isEmpty() || phrase == QLatin1String("vuota"));
}

CERCA_WATCHED_GUILESS_TEST_MAIN(TestKeptPage)
#include "tst_keptpage.moc"
