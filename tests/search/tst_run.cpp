#include "search/listrun.h"
#include "search/notes.h"
#include "search/searchrun.h"
#include "store/listprogress.h"
#include "store/archive.h"
#include "store/runarchive.h"
#include "fakerun.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The search run on its own, without a window, over a page that completes
// documents on demand.
class TestRun : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void scenarios_data();
    void scenarios();
    void restartMeetsThePendingPause();
    void picturesAreKeptBesideTheArchive_data();
    void picturesAreKeptBesideTheArchive();
    void placeAndDeviceGoWithTheRun_data();
    void placeAndDeviceGoWithTheRun();
    void aiCitationIsRankedAmongTheSources_data();
    void aiCitationIsRankedAmongTheSources();
    void listKeepsItsUncheckedPhrasesToResume_data();
    void listKeepsItsUncheckedPhrasesToResume();

private:
    void play(const QString &step);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeBrowser> m_page;
    std::unique_ptr<SearchRun> m_run;
};

namespace {

RunInputs inputsOf(const QString &phrase, const QString &limit, bool continueMode = false)
{
    RunInputs inputs;
    inputs.phrase = phrase;
    inputs.fragment = QStringLiteral("velmora");
    inputs.pageLimit = limit;
    inputs.continueMode = continueMode;
    return inputs;
}

// A browser that started, and refused to attach to its page.
BrowserFault refusedAttach()
{
    BrowserFault fault;
    fault.step = BrowserFault::Step::Attach;
    fault.command = QStringLiteral("Target.attachToTarget");
    fault.words = QStringLiteral("No target with given id found");
    return fault;
}

} // namespace

void TestRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_page = std::make_unique<FakeBrowser>();
    m_run = std::make_unique<SearchRun>(m_page.get(), fakeRunOptions(m_dir->path()));
}

void TestRun::cleanup()
{
    m_run.reset();
    m_page.reset();
}

// One step of a scenario: a page completes ("page 11" a classic page from the
// 11th result, "hit 13" with the hit at 13, "consent", "unknown", "fail"),
// or the user acts ("stop", "abandon" for a page past its time), or the
// browser cannot be reached ("unreachable").
void TestRun::play(const QString &step)
{
    const QString what = step.section(QLatin1Char(' '), 0, 0);
    const int number = step.section(QLatin1Char(' '), 1).toInt();
    const qsizetype asked = m_page->navigations.size();
    if (what == QLatin1String("page") || what == QLatin1String("hit")) {
        const int first = (number - 1) / 10 * 10 + 1;
        m_page->complete(classicPage(what == QLatin1String("page") ? number : first, what == QLatin1String("hit") ? number : 0));
    } else if (what == QLatin1String("consent") || what == QLatin1String("unknown")) {
        m_page->complete(QStringLiteral("<body>%1</body>").arg(QString(200, QLatin1Char('x'))), shaped(what == QLatin1String("consent")));
    } else if (what == QLatin1String("fail")) {
        m_page->complete(std::nullopt);
    } else if (what == QLatin1String("stop")) {
        m_run->stop();
    } else if (what == QLatin1String("abandon")) {
        m_run->abandonUnloadedPage();
    } else if (what == QLatin1String("unreachable")) {
        emit m_page->startFailed(refusedAttach());
    }
    // A page read to its end asks for the next one after the pause.
    if (m_run->state() == SearchRun::State::Pausing)
        QTRY_VERIFY(m_page->navigations.size() > asked);
}

void TestRun::scenarios_data()
{
    QTest::addColumn<QString>("limit");
    QTest::addColumn<bool>("continueMode");
    QTest::addColumn<bool>("inList");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("end");            // -1: the run has not ended
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("asked");          // results pages asked for
    const QString notFound = QStringLiteral("'velmora' non trovato!");
    QTest::newRow("a hit on the second page") << "10" << false << false << QStringList{"page 1", "hit 13"}
                                              << int(RunEnd::Found) << 13
                                              << "\"velmora\" trovato nella posizione n° 13" << 2;
    QTest::newRow("the page limit") << "2" << false << false << QStringList{"page 1", "page 11"} << int(RunEnd::NotFound)
                                    << 20 << notFound << 2;
    QTest::newRow("continue mode, to the page limit") << "2" << true << false << QStringList{"hit 3", "hit 12"}
                                                      << int(RunEnd::NotFound) << 20 << notFound << 2;
    QTest::newRow("a consent page, answered") << "10" << false << false << QStringList{"consent", "hit 4"}
                                              << int(RunEnd::Found) << 4
                                              << "\"velmora\" trovato nella posizione n° 4" << 1;
    QTest::newRow("a consent page, then Arresta") << "10" << false << false << QStringList{"page 1", "consent", "stop"}
                                                  << int(RunEnd::WaitingForUser) << 10 << QString() << 2;
    QTest::newRow("Arresta while a page loads: the page still counts") << "10" << false << false
                                                                       << QStringList{"stop", "page 1"}
                                                                       << int(RunEnd::Stopped) << 10 << notFound << 1;
    QTest::newRow("a page that never loads") << "10" << false << true << QStringList{"page 1", "abandon"}
                                             << int(RunEnd::PageNotLoaded) << 10 << QString() << 2;
    QTest::newRow("a failed page, single run") << "10" << false << false << QStringList{"fail"}
                                               << int(RunEnd::PageNotLoaded) << 0 << QString() << 1;
    QTest::newRow("a failed page in a list, asked again") << "10" << false << true << QStringList{"fail", "hit 2"}
                                                          << int(RunEnd::Found) << 2
                                                          << "\"velmora\" trovato nella posizione n° 2" << 2;
    QTest::newRow("an unknown page, single run: it waits") << "10" << false << false << QStringList{"unknown"} << -1 << 0
                                                           << QString() << 1;
    QTest::newRow("an unknown page in a list") << "10" << false << true << QStringList{"unknown"}
                                               << int(RunEnd::PageUnreadable) << 0 << QString() << 1;
    QTest::newRow("a browser that cannot be reached ends the run at once") << "10" << false << true
                                                                           << QStringList{"page 1", "unreachable"}
                                                                           << int(RunEnd::Unfinished) << 10 << QString() << 2;
}

void TestRun::scenarios()
{
    QFETCH(QString, limit);
    QFETCH(bool, continueMode);
    QFETCH(bool, inList);
    QFETCH(QStringList, steps);
    QFETCH(int, end);
    QFETCH(int, asked);
    if (inList)
        m_run->setListMode([] { return 1; });
    QSignalSpy ended(m_run.get(), &SearchRun::ended);
    QSignalSpy needsUser(m_run.get(), &SearchRun::needsUser);
    RunOutcome outcome;
    connect(m_run.get(), &SearchRun::ended, this, [&outcome](const RunOutcome &value) { outcome = value; });
    m_run->start(inputsOf(QStringLiteral("bimby"), limit, continueMode));
    QVERIFY(m_run->active());
    for (const QString &step : steps)
        play(step);
    QTest::qWait(20);
    QCOMPARE(ended.size(), end < 0 ? 0 : 1);
    QCOMPARE(qsizetype(asked), m_page->navigations.size() - m_page->navigations.count(QStringLiteral("about:blank")));
    QCOMPARE(needsUser.size(), int(steps.contains(QStringLiteral("consent"))));
    if (end < 0) {
        QCOMPARE(m_run->state(), SearchRun::State::WaitingForUser);
        QVERIFY(m_run->active());
        return;
    }
    QVERIFY(!m_run->active());
    QCOMPARE(m_run->state(), SearchRun::State::Ended);
    QCOMPARE(int(outcome.end), end);
    QTEST(int(outcome.position()), "position");
    QTEST(outcome.report, "report");
    QCOMPARE(outcome.phrase, QStringLiteral("bimby"));
    if (outcome.end == RunEnd::PageUnreadable)
        QTRY_VERIFY(QFileInfo::exists(outcome.detail));
    if (outcome.end == RunEnd::Unfinished)
        QCOMPARE(outcome.detail, Notes::browserNotConnected(refusedAttach()));
}

void TestRun::restartMeetsThePendingPause()
{
    // A stop with the next page's pause pending, and a new run at once: the
    // pause still fires, and asks the new run's phrase at the new offset.
    SearchRunOptions options;
    options.host = QStringLiteral("h");
    options.pageInterval = 200;
    SearchRun run(m_page.get(), options);
    run.start(inputsOf(QStringLiteral("bimby"), QStringLiteral("10")));
    m_page->complete(classicPage(1));
    QCOMPARE(run.state(), SearchRun::State::Pausing);
    run.stop();
    run.start(inputsOf(QStringLiteral("altra"), QStringLiteral("10")));
    QCOMPARE(run.values().contaPosizione, qint64(0));
    QCOMPARE(run.values().indirizzoCorrente, QStringLiteral("http://www.sito10.it/"));
    QTRY_COMPARE(m_page->navigations.size(), 3);
    QCOMPARE(m_page->navigations, (QStringList{"http://h/search?q=bimby", "http://h/search?q=altra",
                                               "http://h/search?q=altra&hl=it&lr=&newwindow=1&start=0&sa=N"}));
}

void TestRun::picturesAreKeptBesideTheArchive_data()
{
    QTest::addColumn<QString>("limit");
    QTest::addColumn<int>("kept");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QStringList>("hits");   // of the picture asked for; empty: the last page
    QTest::newRow("a hit on page 2") << "10" << 10 << true << QStringList{"http://www.velmora.it/13"};
    QTest::newRow("no hit: the last page read") << "1" << 10 << true << QStringList();
    QTest::newRow("none kept") << "10" << 0 << true << QStringList();
    QTest::newRow("the folder cannot be written") << "10" << 10 << false << QStringList{"http://www.velmora.it/13"};
}

void TestRun::picturesAreKeptBesideTheArchive()
{
    QFETCH(QString, limit);
    QFETCH(int, kept);
    QFETCH(bool, writable);
    QFETCH(QStringList, hits);
    SearchRunOptions options;
    options.host = QStringLiteral("h");
    options.pageInterval = 5;
    options.archive = m_dir->filePath(QStringLiteral("Archivio.sqlite"));
    options.pictures = m_dir->filePath(QStringLiteral("Pagine viste"));
    if (!writable) {
        QFile blocker(options.pictures);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    m_page->picture = PagePicture{QByteArray("jpeg"), QRect(0, 700, 600, 60), QSize(1366, 920)};
    auto run = std::make_unique<SearchRun>(m_page.get(), options);
    QSignalSpy notKept(run.get(), &SearchRun::pictureNotKept);
    RunInputs inputs = inputsOf(QStringLiteral("bimby"), limit);
    inputs.picturesKept = kept;
    run->start(inputs);
    m_page->complete(classicPage(1));
    if (limit == QLatin1String("10")) {
        QTRY_COMPARE(m_page->navigations.size(), 2);
        m_page->complete(classicPage(11, 13));
    }
    QTRY_VERIFY(!run->active());
    run.reset();   // the archive written
    QCOMPARE(m_page->picturesAsked, kept > 0 ? QList<QStringList>{hits} : QList<QStringList>());
    QCOMPARE(notKept.size(), writable ? 0 : 1);
    Archive archive(options.archive);
    QVERIFY(archive.open());
    const ArchivedRun archived = RunArchive(archive).runsOf(QStringLiteral("bimby"))->constFirst();
    // The run and its pages are whole, with or without a picture.
    QCOMPARE(archived.pages.size(), limit.toInt() == 1 ? 1 : 2);
    QCOMPARE(archived.end, limit.toInt() == 1 ? RunEnd::NotFound : RunEnd::Found);
    QCOMPARE(archived.picture.has_value(), writable && kept > 0);
    if (archived.picture) {
        QCOMPARE(archived.picture->hitBox, m_page->picture.hitBox);
        QCOMPARE(archived.picture->bytes, 4);
        QCOMPARE(QFileInfo(archived.picture->file).dir().dirName(), QStringLiteral("bimby"));
        QVERIFY(QFileInfo::exists(archived.picture->file));
    }
}

void TestRun::listKeepsItsUncheckedPhrasesToResume_data()
{
    QTest::addColumn<QString>("secondPage");   // what the second phrase's page is
    QTest::addColumn<bool>("kept");            // the list can be resumed
    QTest::newRow("every phrase measured: nothing to resume") << "hit 2" << false;
    QTest::newRow("a page not read: the phrase stays") << "unknown" << true;
    QTest::newRow("a page not loaded: the phrase stays") << "fail" << true;
}

void TestRun::listKeepsItsUncheckedPhrasesToResume()
{
    QFETCH(QString, secondPage);
    QFETCH(bool, kept);
    const QStringList phrases{QStringLiteral("uno"), QStringLiteral("due")};
    ListProgress progress(m_dir->filePath(QStringLiteral("Elenchi.ini")), phrases, QStringLiteral("velmora"), QStringLiteral("1"), false);
    ListRun list(m_run.get(), phrases, inputsOf(QString(), QStringLiteral("1")), 1, 1);
    list.setProgress(&progress);
    QSignalSpy finished(&list, &ListRun::finished);
    list.start();
    play(QStringLiteral("hit 3"));
    QTRY_COMPARE(m_page->navigations.size() - m_page->navigations.count(QStringLiteral("about:blank")), 2);
    play(secondPage);
    if (secondPage == QLatin1String("fail"))
        play(secondPage);   // a list asks a failed page once more
    QTRY_COMPARE(finished.size(), 1);
    const ListProgress after(m_dir->filePath(QStringLiteral("Elenchi.ini")), phrases, QStringLiteral("velmora"), QStringLiteral("1"), false);
    QCOMPARE(after.hasUnfinished(), kept);
    QCOMPARE(after.isChecked(QStringLiteral("uno")), kept);
    QVERIFY(!after.isChecked(QStringLiteral("due")));
}

void TestRun::placeAndDeviceGoWithTheRun_data()
{
    QTest::addColumn<QString>("host");       // the options' own: the local service's
    QTest::addColumn<SearchPlace>("place");
    QTest::addColumn<QStringList>("asked");  // empty: refused before any page
    QTest::addColumn<QString>("line");
    const SearchPlace milan{Device::Smartphone, "it", "it", "Milan,Lombardy,Italy"};
    const QString uule = QStringLiteral("&uule=w%2BCAIQICIUTWlsYW4sTG9tYmFyZHksSXRhbHk%3D");
    QTest::newRow("a phone in Milan, on the local service")
        << "h" << milan
        << QStringList{"http://h/search?q=bimby" + uule, "http://h/search?q=bimby&hl=it&lr=&newwindow=1&start=10&sa=N" + uule}
        << "bimby [smartphone, Milan]: posizione 13 (http://www.velmora.it/13)";
    QTest::newRow("the United States' Google, in English")
        << "" << SearchPlace{Device::Computer, "us", "en", ""}
        << QStringList{"http://www.google.com/search?q=bimby&gl=us&hl=en",
                       "http://www.google.com/search?q=bimby&hl=en&lr=&newwindow=1&start=10&sa=N&gl=us"}
        << "bimby [computer, US, en]: posizione 13 (http://www.velmora.it/13)";
    QTest::newRow("a place that is no canonical name") << "h" << SearchPlace{Device::Smartphone, "it", "it", "Milano"}
                                                       << QStringList() << "";
}

void TestRun::placeAndDeviceGoWithTheRun()
{
    QFETCH(QString, host);
    QFETCH(SearchPlace, place);
    QFETCH(QStringList, asked);
    SearchRunOptions options;
    options.host = host;
    options.pageInterval = 5;
    SearchRun run(m_page.get(), options);
    RunOutcome outcome;
    connect(&run, &SearchRun::ended, this, [&outcome](const RunOutcome &value) { outcome = value; });
    RunInputs inputs = inputsOf(QStringLiteral("bimby"), QStringLiteral("10"));
    inputs.place = place;
    run.start(inputs);
    if (asked.isEmpty()) {
        QVERIFY(!run.active());
        QVERIFY(m_page->navigations.isEmpty());
        QVERIFY2(outcome.detail.contains(QStringLiteral("Milan,Lombardy,Italy")), qPrintable(outcome.detail));
        return;
    }
    // The page is set for the device before it is asked for anything.
    QCOMPARE(m_page->devices, QList<Device>{place.device});
    m_page->complete(classicPage(1));
    QTRY_COMPARE(m_page->navigations.size(), 2);
    m_page->complete(classicPage(11, 13));
    QCOMPARE(m_page->navigations, asked);
    QTEST(outcome.line(), "line");
    // The log keeps the phrase with its device and place, the archive the phrase alone.
    QCOMPARE(outcome.logReport().phrase, outcome.line().section(QStringLiteral(": "), 0, 0));
    QCOMPARE(outcome.phrase, QStringLiteral("bimby"));
}

void TestRun::aiCitationIsRankedAmongTheSources_data()
{
    QTest::addColumn<QStringList>("firstPage");    // the overview's sources, in the order shown
    QTest::addColumn<QStringList>("secondPage");
    QTest::addColumn<QString>("citation");
    const QStringList six{"http://a.it/", "http://www.velmora.it/x", "http://b.it/", "http://c.it/", "http://d.it/",
                          "http://e.it/"};
    QTest::newRow("second of six") << six << QStringList() << ", citato nella Panoramica AI (fonte 2 di 6)";
    QTest::newRow("the first source that holds the fragment")
        << QStringList{"http://a.it/", "http://b.it/", "http://velmora.com/", "http://c.it/", "http://www.velmora.it/y"}
        << QStringList() << ", citato nella Panoramica AI (fonte 3 di 5)";
    QTest::newRow("cited on the second page") << QStringList{"http://a.it/"} << six
                                              << ", citato nella Panoramica AI (fonte 2 di 6)";
    QTest::newRow("the first page's citation stands") << QStringList{"http://www.velmora.it/"} << six
                                                      << ", citato nella Panoramica AI (fonte 1 di 1)";
    QTest::newRow("not cited") << QStringList{"http://a.it/", "http://b.it/"} << QStringList() << "";
}

void TestRun::aiCitationIsRankedAmongTheSources()
{
    QFETCH(QStringList, firstPage);
    QFETCH(QStringList, secondPage);
    RunRecorder recorder(nullptr);
    ArchivedRun run;
    run.fragment = QStringLiteral("velmora");
    recorder.runStarted(run);
    for (const QStringList &sources : {firstPage, secondPage}) {
        PageFeatures features;
        features.aiOverview = !sources.isEmpty();
        features.aiCited = sources;
        recorder.pageRead(PageReading::Today, 0, 0, {}, features, QDateTime::currentDateTime());
    }
    RunOutcome outcome;
    outcome.aiCitation = recorder.aiCitation();
    QTEST(outcome.citation(), "citation");
}

QTEST_GUILESS_MAIN(TestRun)
#include "tst_run.moc"
