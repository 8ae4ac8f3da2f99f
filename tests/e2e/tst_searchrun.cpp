#include "app/form1.h"
#include "app/gridwindow.h"
#include "app/listbox.h"
#include "fakes.h"
#include "platform/chromium/chromiumpage.h"
#include "search/listrun.h"
#include "search/notes.h"
#include "platform/chromium/profilefolder.h"
#include "platform/chromium/screencastview.h"
#include "model/readerversion.h"
#include "store/archive.h"
#include "store/archivereports.h"
#include "search/grid.h"
#include "store/gridarchive.h"
#include "store/pagecompression.h"
#include "store/runarchive.h"
#include "store/listprogress.h"
#include "store/listpaces.h"
#include "store/textfile.h"
#include "listmachine.h"
#include "resultsservice.h"
#include "watchdog.h"

#include <QAction>
#include <QDBusConnection>
#include <QRegularExpression>
#include <QApplication>
#include <QDialog>
#include <QTableView>
#include <QTableWidget>
#include <QSet>
#include <QSettings>
#include <QSqlQuery>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QImage>
#include <QLibraryInfo>
#include <QWheelEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <csignal>

namespace {

// The phrases' lines a list printed, without its end line.
QStringList linesOf(QProcess &process)
{
    QStringList lines = QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeIf(ListMachine::isEndLine);
    return lines;
}

// What the window and the command line say of a browser that starts and
// refuses to attach to its page.
QString refusedAttachNote()
{
    BrowserFault fault;
    fault.step = BrowserFault::Step::Attach;
    fault.command = QStringLiteral("Target.attachToTarget");
    fault.words = QStringLiteral("No target with given id found");
    return Notes::browserNotConnected(fault);
}

// The middle of the consent page's "Accetta tutto" as the view draws it,
// found by its colour; null when it is not in sight.
QPoint drawnButton(QWidget *view)
{
    const QImage drawn = view->grab().toImage();
    const qreal ratio = drawn.devicePixelRatio();
    QRect box;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor colour = drawn.pixelColor(x, y);
            if (qAbs(colour.red() - 0x1a) < 24 && qAbs(colour.green() - 0x73) < 24 && qAbs(colour.blue() - 0xe8) < 24)
                box |= QRect(x, y, 1, 1);
        }
    }
    // Whole (180 x 40 pixels), not cut by the view's edge.
    if (box.width() < 170 * ratio || box.height() < 30 * ratio)
        return {};
    return (QPointF(box.center()) / ratio).toPoint();
}

// A 3 x 3 grid 1 km apart around Milan's centre, "idraulico milano": each
// point's line as it ends, velmora among the three nearest south-east only.
QStringList gridLines()
{
    return {"45.4732,9.1772: fuori dal pacchetto locale, posizione 14", "45.4732,9.1900: fuori dal pacchetto locale, posizione 14",
            "45.4732,9.2028: fuori dal pacchetto locale, posizione 14", "45.4642,9.1772: fuori dal pacchetto locale, posizione 14",
            "45.4642,9.1900: fuori dal pacchetto locale, posizione 14", "45.4642,9.2028: nel pacchetto locale 2, posizione 14",
            "45.4552,9.1772: nel pacchetto locale 3, posizione 14", "45.4552,9.1900: nel pacchetto locale 2, posizione 14",
            "45.4552,9.2028: nel pacchetto locale 1, posizione 14"};
}

} // namespace

// The desktop's notification service, on a bus of the test's own: what it
// was asked to show.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList bodies;

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &, const QString &body, const QStringList &,
                const QVariantMap &, int)
    {
        bodies.append(body);
        return uint(bodies.size());
    }
};

// Whole runs in the real engine against the local results service.
class TestSearchRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hitOnTheSecondPage();
    void continueModeListsBothHitsOfAPage();
    void endOfTheResults();
    void pageLimit();
    void httpsResultIsTakenWhole();
    void stopWhileTheNextPageIsPendingWithRealTiming();
    void unansweredPageWaitsUntilStopped_data();
    void unansweredPageWaitsUntilStopped();
    void connectionClosedMidPage();
    void windowClosedInTheMiddleOfARun();
    void longRunListsEveryPositionOnceInOrder();
    void phraseWithAmpersandAndHashReachesTheServiceWhole();
    void pageThatAsksIsAnsweredInTheBrowser_data();
    void pageThatAsksIsAnsweredInTheBrowser();
    void pageInFrontIsAnsweredWhereItIsDrawn_data();
    void pageInFrontIsAnsweredWhereItIsDrawn();
    void noBrowserEndsTheRunWithANote_data();
    void noBrowserEndsTheRunWithANote();
    void historyReadsTheArchiveAfterRunsInTheWindow();
    void listFromTheCommandLine_data();
    void listFromTheCommandLine();
    void listIsArchivedAndExported_data();
    void listIsArchivedAndExported();
    void listGoesOnPastAPageThatNeverCompletes();
    void listGoesOnPastANoResultsPage();
    void listResumesAfterAPageThatNeedsTheUser_data();
    void listResumesAfterAPageThatNeedsTheUser();
    void listWaitsOutTheEnginesLimit();
    void listSaysWhatMoved();
    void listTellsTheDesktop();
    void listGoesOnOnceTheWindowAnswers();
    void listPlacesPagesWithoutResultsAndKeepsAnUnknownOne();
    void listAsksAgainForPagesThatFailOnce();
    void twoListsStartedTogetherBothRunToTheEnd();
    void killedProgramLeavesNoBrowser();
    void twoProgramsShareOneDataFolder();
    void smartphoneListFromTheCommandLine();
    void listSettlesThePageAsTheOptionsSay_data();
    void listSettlesThePageAsTheOptionsSay();
    void longListRunsEveryPhraseOnceInOrder();
    void keptPagesAreReadAgain();
    void localPackFromTheCommandLine_data();
    void localPackFromTheCommandLine();
    void gridFromTheCommandLine();
    void gridInTheWindow();

private:
    QProcess *startList(const QString &phrases, const QStringList &arguments, const QString &host = QString(),
                        const QString &listName = QStringLiteral("frasi.txt"));
    QProcess *startProgram(const QStringList &arguments, const QString &host = QString(), const QStringList &variables = {});
    // Whether the program ends within `seconds` with `status`; what it said
    // on standard error is in m_said.
    bool endsWith(QProcess &program, int status, int seconds);
    void makeForm(int timer1Interval, const QString &host = QString(), int listMillisecondsPerSecond = 1000);
    void run(const QString &phrase, const QString &limit = QStringLiteral("10"));
    void waitForEnd(int timeout = 30000);
    QStringList received() const;
    QString label1() const { return m_form->findChild<QLabel *>(QStringLiteral("Label1"))->text(); }
    ListBox *list(const char *name) const { return m_form->findChild<ListBox *>(QString::fromLatin1(name)); }
    QColor label1Colour() const
    {
        return m_form->findChild<QLabel *>(QStringLiteral("Label1"))->palette().color(QPalette::WindowText);
    }

    std::unique_ptr<results::Service> m_service;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ChromiumPage> m_browser;
    std::unique_ptr<SearchRun> m_run;
    std::unique_ptr<RecordingDesktop> m_desktop;
    std::unique_ptr<Form1> m_form;
    QString m_said;
};

void TestSearchRun::initTestCase()
{
    std::string catalog =
        "[seconda]\n@generate 13\nhttp://www.velmora.it/ricette\n@generate 10\n"
        "[doppia]\nhttp://www.a.it/\nhttp://www.b.it/\nhttp://www.velmora.it/uno\nhttp://www.c.it/\n"
        "http://www.d.it/\nhttp://www.e.it/\nhttp://www.f.it/\nhttp://velmora.com/due\nhttp://www.g.it/\n"
        "http://www.h.it/\n@generate 10\n"
        "[corta]\n@generate 13\n"
        "[sicura]\nhttp://www.a.it/\nhttps://www.velmora.it/\n"
        "[muta]\n@generate 30\n@silent 0\n"
        "[muta dopo]\n@generate 30\n@silent 10\n"
        "[tronca]\n@generate 30\n@cut 0\n"
        "[chiusa]\n@generate 30\n@slow 10 1500\n";
    catalog += "[oggi]\n@today\n@generate 13\nhttp://www.velmora.it/oggi\n@generate 20\n"
               "[oggi verifica]\n@today\n@generate 30\n@check 10\n"
               "[citata]\n@today\n@featured http://www.fonte.it/\n@ai http://www.velmora.it/citata\n@ads 2 1\n"
               "@generate 12\nhttp://www.velmora.it/citata\n@generate 5\n"
               "[appesa]\n@generate 30\n@hang 0\n"
               "[finita]\n@generate 20\n@noresults 20\n"
               "[finita oggi]\n@today\n@generate 40\n@noresults 20\n"
               "[vuota]\n@today\n@noresults 0 desktop en ads\n@cookienotice\n"
               "[vuota al telefono]\n@today\n@noresults 0 smartphone ru\n"
               "[vuota semplice]\n@noresults 0 basic it ads\n"
               "[sconosciuta]\n@generate 30\n@unknown 10\n@cookienotice\n"
               "[guasto 500]\n@generate 3\nhttp://www.velmora.it/a\n@fail 0 500\n"
               "[guasto 503]\n@today\n@generate 12\nhttp://www.velmora.it/b\n@fail 10 503\n"
               "[guasto interrotto]\n@generate 5\nhttp://www.velmora.it/c\n@fail 0 cut\n"
               "[telefono]\n@featured http://www.fonte.it/\n@app\n@recipes\n@generate 13\nhttp://www.velmora.it/telefono\n"
               "@generate 20\n"
               "[cento]\n@onepage\n@generate 99\nhttp://www.velmora.it/cento\n"
               "[video]\n@today\n@generate 3\nhttps://www.youtube.com/watch?v=bimby\nhttp://www.velmora.it/video\n@generate 9\n"
               "@video 4\n@forum 2\n@sections\n"
               "[tardi]\n@today\n@ai-dopo 3000 http://www.a.it/ http://www.velmora.it/tardi\n@generate 5\n"
               "http://www.velmora.it/tardi\n@generate 5\n"
               "[incompiuta]\n@today\n@ai-mai http://www.velmora.it/mai http://www.b.it/\n@generate 3\n"
               "http://www.velmora.it/mai\n@generate 5\n";
    // Four businesses around Milan's centre: the three nearest to the place
    // the search is made from are shown.
    catalog += "[idraulico milano]\n@today\n@generate 13\nhttp://www.velmora.it/idraulico\n@generate 10\n"
               "@luogo Idraulica Rossi | http://www.rossi.it/ | 45.4723,9.1746\n"
               "@luogo Tubi Bianchi | | 45.4651,9.1919\n"
               "@luogo Velmora Impianti | http://www.velmora.it/ | 45.4525,9.2041\n"
               "@luogo Dora Idraulica | http://www.dora.it/ | 45.4759,9.1862\n";
    // The browser's cookies from an earlier run of the tests would skip the consent.
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/Chromium")).removeRecursively();
    m_service = std::make_unique<results::Service>(results::Catalog::parse(catalog));
    QVERIFY(m_service->start() > 0);
}

void TestSearchRun::init()
{
    // The runs of the program from the command line are two tests of their
    // own (CERCA_E2E_PART=lists and "more lists"), which run beside the window's.
    static const QSet<QByteArray> lists{"listFromTheCommandLine", "listIsArchivedAndExported",
                                        "listGoesOnPastAPageThatNeverCompletes", "listGoesOnPastANoResultsPage",
                                        "listResumesAfterAPageThatNeedsTheUser", "killedProgramLeavesNoBrowser",
                                        "listPlacesPagesWithoutResultsAndKeepsAnUnknownOne",
                                        "listAsksAgainForPagesThatFailOnce", "listGoesOnOnceTheWindowAnswers"};
    static const QSet<QByteArray> moreLists{"twoListsStartedTogetherBothRunToTheEnd", "twoProgramsShareOneDataFolder",
                                            "smartphoneListFromTheCommandLine", "keptPagesAreReadAgain",
                                            "listSettlesThePageAsTheOptionsSay", "listWaitsOutTheEnginesLimit",
                                            "listSaysWhatMoved", "listTellsTheDesktop", "localPackFromTheCommandLine",
                                            "gridFromTheCommandLine"};
    const QByteArray part = qgetenv("CERCA_E2E_PART");
    const QByteArray function = QTest::currentTestFunction();
    const QByteArray partOf = lists.contains(function) ? "lists" : moreLists.contains(function) ? "more lists" : "window";
    if (!part.isEmpty() && part != partOf)
        QSKIP("in another part of the end-to-end tests");
    m_service->clearRequests();
    m_dir = std::make_unique<QTemporaryDir>();
    m_desktop = std::make_unique<RecordingDesktop>();
    m_browser = std::make_unique<ChromiumPage>();
}

void TestSearchRun::cleanup()
{
    m_form.reset();
    m_run.reset();
    m_browser.reset();
}

void TestSearchRun::makeForm(int timer1Interval, const QString &host, int listMillisecondsPerSecond)
{
    Form1Options options;
    options.dataFolder = DataFolder(m_dir->path());
    options.listMillisecondsPerSecond = listMillisecondsPerSecond;
    SearchRunOptions runOptions;
    runOptions.host = host.isEmpty() ? QStringLiteral("127.0.0.1:%1").arg(m_service->port()) : host;
    runOptions.pageInterval = timer1Interval;
    runOptions.archive = options.dataFolder.archive();
    runOptions.unreadPages = options.dataFolder.unreadPages();
    m_form.reset();
    m_run = std::make_unique<SearchRun>(m_browser.get(), runOptions);
    m_form = std::make_unique<Form1>(m_run.get(), m_desktop.get(), options);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestSearchRun::run(const QString &phrase, const QString &limit)
{
    m_form->findChild<QLineEdit *>(QStringLiteral("Text1(2)"))->setText(limit);
    m_form->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(phrase);
    m_form->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
}

void TestSearchRun::waitForEnd(int timeout)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_form->findChild<QPushButton *>(QStringLiteral("Command1"))->text(),
                              QStringLiteral("Avvia"), timeout);
}

QStringList TestSearchRun::received() const
{
    QStringList targets;
    for (const results::Request &request : m_service->searchRequests())
        targets.append(QString::fromStdString(request.target));
    return targets;
}

void TestSearchRun::hitOnTheSecondPage()
{
    makeForm(100);
    run(QStringLiteral("seconda"));
    waitForEnd();
    QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 14"));
    QCOMPARE(label1Colour(), QColor(0, 64, 0));
    QCOMPARE(list("List1")->count(), 14);
    QCOMPARE(list("List1")->item(13)->text(), QStringLiteral("14 - http://www.velmora.it/ricette"));
    QCOMPARE(m_desktop->beeps, 1);
    QCOMPARE(received(), (QStringList{"/search?q=seconda", "/search?q=seconda&hl=it&lr=&newwindow=1&start=10&sa=N"}));
}

void TestSearchRun::continueModeListsBothHitsOfAPage()
{
    makeForm(100);
    m_form->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    run(QStringLiteral("doppia"), QStringLiteral("1"));
    waitForEnd();
    QCOMPARE(list("List3")->entries(), (QStringList{"3 - http://www.velmora.it/uno", "8 - http://velmora.com/due"}));
    QCOMPARE(label1(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(label1Colour(), QColor(255, 0, 0));
    QCOMPARE(received().size(), 1);
}

void TestSearchRun::endOfTheResults()
{
    makeForm(100);
    run(QStringLiteral("corta"));
    waitForEnd();
    QCOMPARE(list("List1")->count(), 13);
    QCOMPARE(label1(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(label1Colour(), QColor(0, 64, 0));
    QCOMPARE(received().size(), 2);
}

void TestSearchRun::pageLimit()
{
    makeForm(100);
    m_form->findChild<QCheckBox *>(QStringLiteral("Check2"))->setChecked(true);
    run(QStringLiteral("limite"), QStringLiteral("3"));
    waitForEnd();
    QCOMPARE(list("List1")->count(), 30);
    QCOMPARE(m_form->findChild<QLabel *>(QStringLiteral("Label4"))->text(), QStringLiteral("20"));
    QCOMPARE(label1Colour(), QColor(255, 0, 0));
    QCOMPARE(received(), (QStringList{"/search?q=limite",
                                      "/search?q=limite&hl=it&lr=&newwindow=1&start=10&sa=N&lr=lang_it",
                                      "/search?q=limite&hl=it&lr=&newwindow=1&start=20&sa=N&lr=lang_it"}));
}

void TestSearchRun::httpsResultIsTakenWhole()
{
    makeForm(100);
    run(QStringLiteral("sicura"));
    waitForEnd();
    QCOMPARE(list("List1")->item(1)->text(), QStringLiteral("2 - https://www.velmora.it/"));
    QCOMPARE(m_form->runValues().indirizzoCorrente, QStringLiteral("https://www.velmora.it/"));
    QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 2"));
}

void TestSearchRun::stopWhileTheNextPageIsPendingWithRealTiming()
{
    makeForm(2000);
    run(QStringLiteral("ferma"));
    QTRY_COMPARE_WITH_TIMEOUT(list("List1")->count(), 10, 20000);
    m_form->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QCOMPARE(m_form->findChild<QPushButton *>(QStringLiteral("Command1"))->text(), QStringLiteral("Avvia"));
    QTRY_COMPARE_WITH_TIMEOUT(list("List1")->count(), 20, 20000);
    QCOMPARE(label1(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(label1Colour(), QColor(255, 0, 0));
    QTest::qWait(2500);
    const std::vector<results::Request> requests = m_service->searchRequests();
    QCOMPARE(requests.size(), std::size_t(2));
    const auto pause = std::chrono::duration_cast<std::chrono::milliseconds>(requests[1].arrival - requests[0].arrival);
    QVERIFY2(pause.count() >= 2000, qPrintable(QString::number(pause.count())));
    QCOMPARE(m_desktop->beeps, 1);
}

void TestSearchRun::unansweredPageWaitsUntilStopped_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<int>("listed");
    QTest::newRow("first page") << "muta" << 0;
    QTest::newRow("second page") << "muta dopo" << 10;
}

void TestSearchRun::unansweredPageWaitsUntilStopped()
{
    QFETCH(QString, phrase);
    QFETCH(int, listed);
    makeForm(50);
    auto *button = m_form->findChild<QPushButton *>(QStringLiteral("Command1"));
    run(phrase);
    QTRY_COMPARE_WITH_TIMEOUT(received().size(), listed / 10 + 1, 20000);
    QTest::qWait(1500);
    QCOMPARE(button->text(), QStringLiteral("Arresta"));
    QCOMPARE(list("List1")->count(), listed);
    QCOMPARE(label1(), QString());

    button->click();
    QCOMPARE(button->text(), QStringLiteral("Avvia"));
    // The window is free for another run, which replaces the page still in flight.
    run(QStringLiteral("seconda"));
    waitForEnd();
    QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 14"));
    QCOMPARE(list("List1")->count(), 14);
}

void TestSearchRun::connectionClosedMidPage()
{
    // A page cut short is a failed load: nothing is read from what arrived,
    // and the run ends saying so, without asking again.
    makeForm(50);
    run(QStringLiteral("tronca"));
    waitForEnd();
    QLabel *note = m_form->findChild<QLabel *>(QStringLiteral("BrowserNote"));
    QVERIFY(note && note->isVisible());
    QVERIFY2(note->text().startsWith(QStringLiteral("La pagina dei risultati non si è caricata (net::ERR_")), qPrintable(note->text()));
    QCOMPARE(label1(), QString());
    QCOMPARE(list("List1")->count(), 0);
    QTest::qWait(500);
    QCOMPARE(received().size(), 1);
}

void TestSearchRun::windowClosedInTheMiddleOfARun()
{
    makeForm(50);
    run(QStringLiteral("chiusa"));
    // The second page answers after 1.5 s: close the window while it loads.
    QTRY_COMPARE_WITH_TIMEOUT(received().size(), 2, 20000);
    QVERIFY(m_form->close());
    QVERIFY(!m_form->isVisible());
    QTest::qWait(2500);   // the page arrives, the closed window ignores it
    QCOMPARE(list("List1")->count(), 10);
    QCOMPARE(received().size(), 2);
    m_form.reset();
    m_run.reset();
    m_browser.reset();
}

static qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void TestSearchRun::longRunListsEveryPositionOnceInOrder()
{
    // A phrase the service does not list has a thousand results.
    makeForm(10);
    run(QStringLiteral("lunga"), QStringLiteral("100"));
    QTRY_VERIFY_WITH_TIMEOUT(list("List1")->count() >= 10, 20000);
    const qint64 afterFirstPage = residentKilobytes();
    waitForEnd(240000);
    const qint64 atTheEnd = residentKilobytes();
    QCOMPARE(label1(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(received().size(), 100);
    ListBox *list1 = list("List1");
    QCOMPARE(list1->count(), 1000);
    for (int i = 0; i < 1000; ++i) {
        const QString expected = QStringLiteral("%1 - http://www.sito%1.esempio.it/lunga/pagina-%1.html").arg(i + 1);
        if (list1->item(i)->text() != expected)
            QFAIL(qPrintable(QStringLiteral("entry %1: %2").arg(i).arg(list1->item(i)->text())));
    }
    qInfo("resident memory: %lld kB after the first page, %lld kB at the end", afterFirstPage, atTheEnd);
    if (qEnvironmentVariableIsSet("CERCA_SANITIZED"))
        return;   // the sanitizers keep freed memory in quarantine
    QVERIFY2(atTheEnd <= afterFirstPage * 12 / 10,
             qPrintable(QStringLiteral("%1 kB after the first page, %2 kB at the end").arg(afterFirstPage).arg(atTheEnd)));
}

void TestSearchRun::phraseWithAmpersandAndHashReachesTheServiceWhole()
{
    makeForm(50);
    const QString phrase = QStringLiteral("\"pane & olio\" #2 рецепты");
    run(phrase, QStringLiteral("2"));
    waitForEnd();
    QCOMPARE(list("List1")->count(), 20);
    QCOMPARE(list("List1")->item(10)->text().section(QLatin1Char(' '), 0, 0), QStringLiteral("11"));
    const QStringList targets = received();
    QCOMPARE(targets.size(), 2);
    for (const QString &target : targets) {
        const QUrlQuery query(QUrl(target).query());
        QCOMPARE(query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded), phrase);
    }
    QVERIFY(targets.at(1).contains(QStringLiteral("&start=10&")));
}

void TestSearchRun::pageThatAsksIsAnsweredInTheBrowser_data()
{
    QTest::addColumn<bool>("consent");    // the service that asks for it, or the one that does not
    QTest::addColumn<QString>("host");    // each row its own host name: a cookie set by one is not sent to the other
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QPoint>("press");     // where the page's button stands
    QTest::addColumn<int>("listedBefore");
    QTest::newRow("consent: Accetta tutto") << true << "127.0.0.1" << "oggi" << QPoint(300, 150) << 0;
    QTest::newRow("consent: Rifiuta tutto") << true << "localhost" << "oggi" << QPoint(100, 150) << 0;
    QTest::newRow("check page") << false << "127.0.0.1" << "oggi verifica" << QPoint(100, 150) << 8;
    QTest::newRow("stopped while the browser is in front") << false << "localhost" << "oggi verifica" << QPoint() << 8;
}

void TestSearchRun::pageThatAsksIsAnsweredInTheBrowser()
{
    QFETCH(bool, consent);
    QFETCH(QString, host);
    QFETCH(QString, phrase);
    QFETCH(QPoint, press);
    QFETCH(int, listedBefore);
    results::Service asking(results::Catalog::parse("@consent\n[oggi]\n@today\n@generate 13\nhttp://www.velmora.it/oggi\n"
                                                     "@generate 20\n"));
    if (consent)
        QVERIFY(asking.start() > 0);
    makeForm(100, QStringLiteral("%1:%2").arg(host).arg(consent ? asking.port() : m_service->port()));
    run(phrase);

    QLabel *note = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((note = m_form->findChild<QLabel *>(QStringLiteral("BrowserNote"))) && note->isVisible(), 20000);
    QCOMPARE(list("List1")->count(), listedBefore);
    QWidget *browser = m_form->findChild<QWidget *>(QStringLiteral("WebBrowser1"));
    QWidget *view = browser->findChild<QWidget *>(QStringLiteral("ScreencastView"));
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QVERIFY(view->width() >= 400 && view->height() >= 120);

    auto *button = m_form->findChild<QPushButton *>(QStringLiteral("Command1"));
    if (press.isNull()) {
        button->click();
        QCOMPARE(button->text(), QStringLiteral("Avvia"));
        QVERIFY(!note->isVisible());
        QCOMPARE(list("List1")->count(), listedBefore);
        return;
    }
    // The page laid out at the view's size, and shown in it.
    QTRY_VERIFY_WITH_TIMEOUT(!static_cast<ScreencastView *>(view)->frame().isNull(), 10000);
    QTest::qWait(300);
    QTest::mouseClick(view, Qt::LeftButton, {}, press);
    waitForEnd();
    QVERIFY(!note->isVisible());
    if (phrase == QLatin1String("oggi")) {
        // Today's markup read to a hit on its second page, asked for under the engine's name without its token.
        QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 14"));
        const QString agent = QString::fromStdString(asking.requests().front().userAgent);
        QVERIFY2(agent.contains(QStringLiteral(" Chrome/")) && !agent.contains(QStringLiteral("Headless")), qPrintable(agent));
        QCOMPARE(list("List1")->count(), 14);
        // The consent stays given: the next run goes straight to the results.
        const std::size_t before = asking.requests().size();
        run(phrase);
        waitForEnd();
        QCOMPARE(list("List1")->count(), 14);
        for (std::size_t i = before; i < asking.requests().size(); ++i)
            QVERIFY(asking.requests()[i].target.rfind("/search", 0) == 0);
    } else {
        QCOMPARE(label1(), QStringLiteral("'velmora' non trovato!"));   // the page limit, counted on
        QCOMPARE(list("List1")->item(8)->text().section(QLatin1Char(' '), 0, 0), QStringLiteral("9"));
    }
}

void TestSearchRun::pageInFrontIsAnsweredWhereItIsDrawn_data()
{
    QTest::addColumn<QString>("look");     // of the consent page
    QTest::addColumn<bool>("phone");
    QTest::newRow("phone, a page for computers (zoomed out)") << "" << true;
    QTest::newRow("phone, a page for phones") << "viewport" << true;
    QTest::newRow("computer, the button right of 1,000 pixels") << "wide" << false;
}

// A page that asks comes to the front legible, and "Accetta tutto" is
// clicked where it is drawn: found in the view's picture by its colour,
// after scrolling to it when it is out of sight.
void TestSearchRun::pageInFrontIsAnsweredWhereItIsDrawn()
{
    QFETCH(QString, look);
    QFETCH(bool, phone);
    // A profile of its own: no consent given before.
    m_browser = std::make_unique<ChromiumPage>(m_dir->path());
    results::Service asking(results::Catalog::parse("@consent " + look.toStdString()
                                                    + "\n[telefono]\n@generate 13\nhttp://www.velmora.it/telefono\n@generate 20\n"));
    QVERIFY(asking.start() > 0);
    QSettings options(DataFolder(m_dir->path()).searchOptions(), QSettings::IniFormat);
    options.setValue(QStringLiteral("ricerca/dispositivo"), phone ? QStringLiteral("smartphone") : QStringLiteral("computer"));
    options.setValue(QStringLiteral("ricerca/luogo"), QStringLiteral("Milan,Lombardy,Italy"));
    options.sync();
    makeForm(100, QStringLiteral("127.0.0.1:%1").arg(asking.port()));
    run(QStringLiteral("telefono"));

    QLabel *note = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((note = m_form->findChild<QLabel *>(QStringLiteral("BrowserNote"))) && note->isVisible(), 20000);
    auto *view = m_form->findChild<ScreencastView *>(QStringLiteral("ScreencastView"));
    // Legible: a CSS pixel of the page is a screen pixel at least, and a
    // phone's page is as wide as the phone, in the middle of the view.
    QTRY_VERIFY_WITH_TIMEOUT(!view->frame().isNull() && view->drawnScale() >= 0.99, 10000);
    const QRectF page = view->pageRect();
    qInfo("drawn %gx%g in a view of %dx%d, %.2f screen pixels a CSS pixel", page.width(), page.height(), view->width(),
          view->height(), view->drawnScale());
    if (phone)
        QVERIFY2(qAbs(page.width() - 412) < 1 && qAbs(page.center().x() - view->width() / 2.0) < 1,
                 qPrintable(QStringLiteral("%1 wide at %2 in %3").arg(page.width()).arg(page.left()).arg(view->width())));
    else
        QCOMPARE(page, QRectF(view->rect()));

    QPoint button;
    for (int turn = 0; turn < 20 && (button = drawnButton(view)).isNull(); ++turn) {
        // Out of sight: the wheel turned towards the right of the page.
        QWheelEvent wheel(QPointF(view->rect().center()), view->mapToGlobal(QPointF(view->rect().center())), QPoint(),
                          QPoint(-120, 0), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QTest::qWait(200);
    }
    QVERIFY2(!button.isNull(), "\"Accetta tutto\" is never drawn");
    QTest::qWait(200);   // the frame settled where the button is
    button = drawnButton(view);
    QTest::mouseClick(view, Qt::LeftButton, {}, button);
    waitForEnd();
    QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 14"));
    const std::vector<results::Request> asked = asking.searchRequests();
    QVERIFY(!asked.empty());
    for (const results::Request &request : asked) {
        QVERIFY2(request.target.find("&uule=w%2BCAIQICIUTWlsYW4sTG9tYmFyZHksSXRhbHk%3D") != std::string::npos, request.target.c_str());
        QVERIFY2((request.userAgent.find("Android") != std::string::npos) == phone, request.userAgent.c_str());
    }
    if (!phone)
        return;
    Archive archive(DataFolder(m_dir->path()).archive());
    QVERIFY(archive.open());
    QList<ArchivedRun> runs;
    QTRY_VERIFY((runs = *RunArchive(archive).runsOf(QStringLiteral("telefono [smartphone, Milan]"))).size() == 1
                && runs[0].end == RunEnd::Found);
    QCOMPARE(runs[0].place, (SearchPlace{Device::Smartphone, "it", "it", "Milan,Lombardy,Italy"}));
    QCOMPARE(runs[0].position, 14);
}

void TestSearchRun::noBrowserEndsTheRunWithANote_data()
{
    QTest::addColumn<QString>("chromium");   // CERCA_POSIZIONE_CHROMIUM; empty: none there
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("naming");     // what the note names
    QTest::newRow("no browser") << QString() << ChromiumPage::unavailableNote() << "\"chromium\"";
    QTest::newRow("a browser that refuses its page") << CERCA_STANDIN_NOATTACH << refusedAttachNote()
                                                     << "No target with given id found";
}

void TestSearchRun::noBrowserEndsTheRunWithANote()
{
    QFETCH(QString, chromium);
    QFETCH(QString, note);
    QFETCH(QString, naming);
    QTemporaryDir empty;
    qputenv("CERCA_POSIZIONE_CHROMIUM", (chromium.isEmpty() ? empty.filePath(QStringLiteral("chromium")) : chromium).toUtf8());
    makeForm(100);
    run(QStringLiteral("seconda"));
    qunsetenv("CERCA_POSIZIONE_CHROMIUM");
    waitForEnd(10000);
    QTRY_COMPARE(m_desktop->warnings, QStringList{note});
    QVERIFY(m_desktop->warnings.constFirst().contains(naming));
    QCOMPARE(label1(), QString());
    QVERIFY(received().isEmpty());
}

// The pages a list kept are read again by a newer reader, with no network:
// a run whose old reading was wrong is put right beside it, a damaged page
// is skipped with its reason, and a second pass finds nothing left to read.
void TestSearchRun::keptPagesAreReadAgain()
{
    // The last phrase's second page is one no reader can place: the list ends with 4.
    std::unique_ptr<QProcess> list(startList(QStringLiteral("seconda\ncorta\noggi\nsconosciuta\n"), {"--pagine", "2", "--pausa", "5"}));
    QVERIFY2(endsWith(*list, 4, 120), qPrintable(m_said));
    const QString archivePath = m_dir->filePath(QStringLiteral("Archivio.sqlite"));
    {
        // A wrong old reading, as a reader with a fault would have made it,
        // and a kept page damaged on the disk.
        Archive archive(archivePath);
        QVERIFY(archive.open());
        QVERIFY(archive.exec(QStringLiteral("UPDATE results SET address = 'http://www.altro.it/' WHERE address LIKE '%velmora%'")));
        QVERIFY(archive.exec(QStringLiteral("UPDATE kept_pages SET markup = X'28B52FFD0102' WHERE page_id = (SELECT max(p.id)"
                                            " FROM pages p JOIN runs r ON r.id = p.run_id WHERE r.phrase = 'corta')")));
        // A page an older reader could not place, kept unread.
        const QString second = QStringLiteral("(SELECT max(p.id) FROM pages p JOIN runs r ON r.id = p.run_id WHERE r.phrase = 'oggi')");
        QVERIFY(archive.exec(QStringLiteral("DELETE FROM results WHERE page_id = %1").arg(second)));
        QVERIFY(archive.exec(QStringLiteral("UPDATE pages SET reading = 'non letta' WHERE id = %1").arg(second)));
        QCOMPARE(ArchiveReports(archive).positionsOf(QStringLiteral("oggi"), QStringLiteral("velmora"))->constFirst().position,
                 std::nullopt);
    }
    const auto reread = [this](const QString &phrase) {
        std::unique_ptr<QProcess> program(startProgram(phrase.isEmpty() ? QStringList{"--rileggi"} : QStringList{"--rileggi", phrase},
                                                       QStringLiteral("127.0.0.1:1"), {"CERCA_POSIZIONE_LETTORE_DI_PROVA=2"}));
        const bool ended = QSignalSpy(program.get(), &QProcess::finished).wait(90000);
        return std::pair(ended && program->exitCode() == 0, QString::fromLocal8Bit(program->readAllStandardOutput()));
    };
    const auto [done, printed] = reread(QString());
    QVERIFY2(done, qPrintable(printed));
    const QStringList lines = printed.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    static const QRegularExpression changed(QStringLiteral("^seconda \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d: posizione non trovato -> 14 \\(lettore 1 -> 2\\)$"));
    QVERIFY2(changed.match(lines[0]).hasMatch(), qPrintable(lines[0]));
    // The page read at last: the run has a position.
    static const QRegularExpression unread(QStringLiteral("^oggi \\S+ \\S+: posizione pagina non letta -> 14 \\(lettore 1 -> 2\\)$"));
    QVERIFY2(unread.match(lines[1]).hasMatch(), qPrintable(lines[1]));
    QCOMPARE(lines[2], QStringLiteral("Pagine rilette: 4; ricerche cambiate: 2, uguali: 0; pagine non rilette: 2"));
    QVERIFY2(lines[3].startsWith(QStringLiteral("  corta ")) && lines[3].contains(QStringLiteral("pagina 2: non è una pagina compressa")),
             qPrintable(lines[3]));
    // One no reader can place stays as it was.
    QVERIFY2(lines[4].startsWith(QStringLiteral("  sconosciuta ")) && lines[4].contains(QStringLiteral("pagina 2: non è una pagina di risultati")),
             qPrintable(lines[4]));

    Archive archive(archivePath);
    QVERIFY(archive.open());
    const ArchivedRun run = RunArchive(archive).runsOf(QStringLiteral("seconda"))->constFirst();
    QCOMPARE(run.pages.size(), 2);
    QCOMPARE(run.results().at(13).address, QStringLiteral("http://www.velmora.it/ricette"));
    QCOMPARE(ArchiveReports(archive).positionsOf(QStringLiteral("seconda"), QStringLiteral("velmora"))->constFirst().position, 14);
    QCOMPARE(ArchiveReports(archive).positionsOf(QStringLiteral("oggi"), QStringLiteral("velmora"))->constFirst().position, 14);
    // The old reading stays beside the new.
    Result<QSqlQuery> old = archive.exec(QStringLiteral("SELECT count(*) FROM pages WHERE newer <> 0"));
    QVERIFY(old && old->next());
    QCOMPARE(old->value(0).toInt(), 4);
    // Read again already: nothing left but the damaged page.
    const auto [again, printedAgain] = reread(QStringLiteral("seconda"));
    QVERIFY(again);
    QCOMPARE(printedAgain, QStringLiteral("Pagine rilette: 0; ricerche cambiate: 0, uguali: 0; pagine non rilette: 0\n"));
}

QProcess *TestSearchRun::startList(const QString &phrases, const QStringList &arguments, const QString &host,
                                   const QString &listName)
{
    QFile list(m_dir->filePath(listName));
    list.open(QIODevice::WriteOnly);
    list.write(phrases.toUtf8());
    list.close();
    return startProgram(QStringList{"--elenco", list.fileName(), "--frammento", "velmora"} + arguments, host);
}

bool TestSearchRun::endsWith(QProcess &program, int status, int seconds)
{
    // Waited for with the event loop running, for the watchdog.
    const bool ended = program.state() == QProcess::NotRunning || QSignalSpy(&program, &QProcess::finished).wait(seconds * 1000);
    m_said = QString::fromLocal8Bit(program.readAllStandardError());
    return ended && program.exitStatus() == QProcess::NormalExit && program.exitCode() == status;
}

QProcess *TestSearchRun::startProgram(const QStringList &arguments, const QString &host, const QStringList &variables)
{
    // A copy of the program in a folder of its own, which keeps its files there.
    const QString program = m_dir->filePath(QStringLiteral("cerca-posizione"));
    if (!QFileInfo::exists(program))
        QFile::copy(QStringLiteral(CERCA_PROGRAM), program);
    auto *process = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CERCA_POSIZIONE_HOST"),
                       host.isEmpty() ? QStringLiteral("127.0.0.1:%1").arg(m_service->port()) : host);
    environment.insert(QStringLiteral("HOME"), m_dir->filePath(QStringLiteral("home")));
    // Temporary files of its own, apart from those of the tests running beside.
    QDir(m_dir->path()).mkpath(QStringLiteral("tmp"));
    environment.insert(QStringLiteral("TMPDIR"), m_dir->filePath(QStringLiteral("tmp")));
    // No display and no platform plug-in: a list needs neither.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"), m_dir->filePath(QStringLiteral("nessun-plugin")));
    for (const QString &variable : variables)
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier(results::closeDescriptorsOnExec);
    process->start(program, arguments);
    return process;
}

// The history module loaded as the program loads it, from its folder, after
// runs of the window in the same process: it reads the archive those runs
// wrote, shows their picture, and the runs that follow are still archived.
void TestSearchRun::historyReadsTheArchiveAfterRunsInTheWindow()
{
    const DataFolder folder(m_dir->path());
    Form1Options options;
    options.dataFolder = folder;
    SearchRunOptions runOptions = SearchRunOptions::inFolder(folder, folder.archive());
    runOptions.host = QStringLiteral("127.0.0.1:%1").arg(m_service->port());
    runOptions.pageInterval = 100;
    m_run = std::make_unique<SearchRun>(m_browser.get(), runOptions);
    m_form = std::make_unique<Form1>(m_run.get(), m_desktop.get(), options);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    auto *save = m_form->findChild<QPushButton *>(QStringLiteral("Command2"));
    for (int i = 0; i < 2; ++i) {
        run(QStringLiteral("seconda"));
        waitForEnd();
        QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 14"));
        save->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_run->pictureInFlight(), 15000);
    }
    m_run->flushArchive();

    m_form->findChild<QAction *>(QStringLiteral("AndamentoPos"))->trigger();
    QDialog *history = nullptr;
    QTRY_VERIFY((history = m_form->findChild<QDialog *>(QStringLiteral("Andamento"))));
    QVERIFY(QTest::qWaitForWindowExposed(history));
    history->findChild<QPushButton *>(QStringLiteral("ApriConcorrenti"))->click();
    QDialog *competitors = nullptr;
    QTRY_VERIFY((competitors = history->findChild<QDialog *>(QStringLiteral("Concorrenti"))));
    const QString status = competitors->findChild<QLabel *>(QStringLiteral("Stato"))->text();
    QVERIFY2(status.startsWith(QStringLiteral("\"seconda\": 2 ricerche archiviate")), qPrintable(status));
    auto *latest = competitors->findChild<QTableView *>(QStringLiteral("Risultati"));
    QVERIFY(latest->model()->rowCount() >= 14);
    competitors->close();

    auto *table = history->findChild<QTableView *>(QStringLiteral("Tabella"));
    table->setCurrentIndex(table->model()->index(0, 0));
    table->findChild<QAction *>(QStringLiteral("MostraPagina"))->trigger();
    QDialog *viewer = nullptr;
    QTRY_VERIFY((viewer = history->findChild<QDialog *>(QStringLiteral("MostraPagina"))));
    QTRY_VERIFY(!viewer->findChild<QLabel *>(QStringLiteral("Immagine"))->pixmap().isNull());
    viewer->close();

    // "Rileggi le pagine", in the module as shipped: the pages as an older
    // reader read them, the first run's wrongly, read again by today's.
    {
        Archive older(folder.archive());
        QVERIFY(older.open());
        QVERIFY(older.exec(QStringLiteral("UPDATE pages SET reader = 0")));
        QVERIFY(older.exec(QStringLiteral("UPDATE results SET address = 'http://www.altro.it/' WHERE address LIKE '%velmora%'"
                                          " AND page_id IN (SELECT p.id FROM pages p WHERE p.run_id = (SELECT min(id) FROM runs))")));
    }
    history->findChild<QPushButton *>(QStringLiteral("Rileggi"))->click();
    QDialog *rereading = nullptr;
    QTRY_VERIFY((rereading = history->findChild<QDialog *>(QStringLiteral("Rilettura"))));
    QVERIFY(QTest::qWaitForWindowExposed(rereading));
    QTRY_COMPARE_WITH_TIMEOUT(rereading->findChild<QLabel *>(QStringLiteral("Stato"))->text(),
                              QStringLiteral("Pagine rilette: 4; ricerche cambiate: 1, uguali: 1; pagine non rilette: 0"), 60000);
    auto *changes = rereading->findChild<QTableWidget *>(QStringLiteral("Cambiate"));
    QCOMPARE(changes->rowCount(), 1);
    QCOMPARE(changes->item(0, 0)->text(), QStringLiteral("seconda"));
    QCOMPARE(changes->item(0, 2)->text(), QStringLiteral("non trovato"));
    QCOMPARE(changes->item(0, 3)->text(), QStringLiteral("14"));
    QCOMPARE(changes->item(0, 4)->text(), QStringLiteral("0 -> %1").arg(ReaderVersion::kCurrent));
    rereading->close();
    history->close();
    // The history, opened again, shows beside each outcome what its run reads as now.
    m_form->findChild<QAction *>(QStringLiteral("AndamentoPos"))->trigger();
    QTRY_VERIFY((history = m_form->findChild<QDialog *>(QStringLiteral("Andamento"))));
    QAbstractItemModel *outcomes = history->findChild<QTableView *>(QStringLiteral("Tabella"))->model();
    QCOMPARE(outcomes->headerData(4, Qt::Horizontal).toString(), QStringLiteral("riletta"));
    for (int row = 0; row < outcomes->rowCount(); ++row)
        QCOMPARE(outcomes->index(row, 4).data().toString(), QStringLiteral("14"));
    history->close();

    run(QStringLiteral("seconda"));
    waitForEnd();
    m_run->flushArchive();
    Archive archive(folder.archive());
    QVERIFY(archive.open());
    QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("seconda"))->size(), 3);
}

void TestSearchRun::listFromTheCommandLine_data()
{
    QTest::addColumn<QString>("phrases");
    QTest::addColumn<QString>("chromium");   // CERCA_POSIZIONE_CHROMIUM
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QString>("error");      // what standard error holds
    QTest::addColumn<int>("saved");
    QTest::newRow("three phrases") << "seconda\r\ncorta\r\n\r\noggi\r\n" << "" << 0
                                   << QStringList{"seconda: posizione 14 (http://www.velmora.it/ricette)",
                                                  "corta: non trovato entro 13", "oggi: posizione 14 (http://www.velmora.it/oggi)"}
                                   << "" << 3;
    QTest::newRow("a video result, a forum thread and sections")
        << "video\n" << "" << 0 << QStringList{"video: posizione 5 (http://www.velmora.it/video)"} << "" << 1;
    QTest::newRow("an AI overview that comes late, one that never completes")
        << "tardi\nincompiuta\n" << "" << 0
        << QStringList{"tardi: posizione 6 (http://www.velmora.it/tardi), citato nella Panoramica AI (fonte 2 di 2)",
                       "incompiuta: posizione 4 (http://www.velmora.it/mai), citato nella Panoramica AI (fonte 1 di 2), "
                       "Panoramica AI non completa"}
        << "" << 2;
    QTest::newRow("a check page on the second phrase") << "corta\noggi verifica\nseconda\n" << "" << 3
                                                       << QStringList{"corta: non trovato entro 13"}
                                                       << "per \"oggi verifica\" il motore chiede una risposta" << 1;
    QTest::newRow("no browser") << "seconda\n" << "/nessuna/cartella/chromium" << 1 << QStringList{}
                                << "cerca-posizione: " + ChromiumPage::unavailableNote() << 0;
    QTest::newRow("a browser that refuses its page") << "seconda\ncorta\n" << CERCA_STANDIN_NOATTACH << 1 << QStringList{}
                                                     << "cerca-posizione: " + refusedAttachNote() << 0;
}

void TestSearchRun::listFromTheCommandLine()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    QFETCH(QString, phrases);
    QFETCH(QString, chromium);
    QFETCH(int, exitCode);
    QFETCH(QStringList, printed);
    QFETCH(QString, error);
    QFETCH(int, saved);
    if (!chromium.isEmpty())
        qputenv("CERCA_POSIZIONE_CHROMIUM", chromium.toUtf8());
    // The window's settings file is the window's: a list leaves it as it was.
    const QByteArray settings("velmora\r\n10\r\nla frase della finestra\r\n");
    QFile settingsFile(m_dir->filePath(QStringLiteral("Salvataggio.cfg")));
    QVERIFY(settingsFile.open(QIODevice::WriteOnly) && settingsFile.write(settings) == settings.size());
    settingsFile.close();
    // A check page ends the list at once, as the row says.
    std::unique_ptr<QProcess> run(startList(phrases, {"--pagine", "2", "--pausa", "5", "--attesa-verifica", "0"}));
    qunsetenv("CERCA_POSIZIONE_CHROMIUM");
    QVERIFY(QSignalSpy(run.get(), &QProcess::finished).wait(90000));   // with the event loop running, for the watchdog
    QCOMPARE(run->exitStatus(), QProcess::NormalExit);
    const QString out = QString::fromLocal8Bit(run->readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(run->readAllStandardError());
    QVERIFY2(run->exitCode() == exitCode, qPrintable(err));
    QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The end line says the pace, doubled by a check page; none without a browser.
    if (exitCode != 1) {
        QVERIFY(!lines.isEmpty() && ListMachine::isEndLine(lines.constLast()));
        QVERIFY2(lines.takeLast().endsWith(QStringLiteral("; pausa media tra le frasi %1 s").arg(exitCode == 3 ? 10 : 5)),
                 qPrintable(out));
    }
    QCOMPARE(lines, printed);
    // Nothing but the program's own lines: the browser and Qt write to logs.
    if (error.isEmpty())
        QCOMPARE(err, QString());
    else
        QVERIFY2(err.contains(error) && err.count(QLatin1Char('\n')) == 1, qPrintable(err));
    QCOMPARE(TextFile::readLines(m_dir->filePath(QStringLiteral("Risultato.txt"))).value_or(QStringList()).size(), saved);
    QVERIFY(settingsFile.open(QIODevice::ReadOnly));
    QCOMPARE(settingsFile.readAll(), settings);
    if (exitCode == 3) {
        // The run that waited for the user is archived as such.
        Archive archive(m_dir->filePath(QStringLiteral("Archivio.sqlite")));
        QVERIFY(archive.open());
        QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("oggi verifica"))->constFirst().end, RunEnd::WaitingForUser);
    }
}

void TestSearchRun::listIsArchivedAndExported_data()
{
    QTest::addColumn<bool>("writable");
    QTest::newRow("archived") << true;
    QTest::newRow("the archive cannot be written") << false;
}

void TestSearchRun::smartphoneListFromTheCommandLine()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    std::unique_ptr<QProcess> run(startList(QStringLiteral("telefono\ncento\n"),
                                            {"--pagine", "3", "--pausa", "5", "--dispositivo", "smartphone", "--paese", "de",
                                             "--lingua", "de", "--luogo", "Milan,Lombardy,Italy"}));
    QVERIFY2(endsWith(*run, 0, 90), qPrintable(m_said));
    // The featured answer's source counts first, the app's card and the
    // recipes never; a hundred results on one phone page count a hundred.
    QCOMPARE(linesOf(*run),
             (QStringList{"telefono [smartphone, Milan, de]: posizione 15 (http://www.velmora.it/telefono)",
                          "cento [smartphone, Milan, de]: posizione 100 (http://www.velmora.it/cento)"}));
    const QStringList log = TextFile::readLines(m_dir->filePath(QStringLiteral("Risultato.txt"))).value_or(QStringList());
    QCOMPARE(log.size(), 2);
    QVERIFY2(log[0].contains(QStringLiteral("telefono [smartphone, Milan, de]")), qPrintable(log[0]));
    for (const QString &target : received())
        QVERIFY2(target.contains(QStringLiteral("&gl=de")) && target.contains(QStringLiteral("hl=de")), qPrintable(target));
    Archive archive(m_dir->filePath(QStringLiteral("Archivio.sqlite")));
    QVERIFY(archive.open());
    QCOMPARE(*RunArchive(archive).series(), (QStringList{"cento [smartphone, Milan, de]", "telefono [smartphone, Milan, de]"}));
    const ArchivedRun phone = RunArchive(archive).runsOf(QStringLiteral("cento [smartphone, Milan, de]"))->constFirst();
    QCOMPARE(phone.place, (SearchPlace{Device::Smartphone, "de", "de", "Milan,Lombardy,Italy"}));
    QCOMPARE(phone.results().size(), 100);
}

void TestSearchRun::listSettlesThePageAsTheOptionsSay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("printed");
    // The search options read every page at its load; the command line's
    // bound waits for the overview that comes 3 s later.
    QTest::newRow("the options file's: no settling")
        << QStringList() << "tardi: posizione 6 (http://www.velmora.it/tardi), Panoramica AI non completa";
    QTest::newRow("the command line's: 6 s")
        << QStringList{"--attesa-lettura", "6"}
        << "tardi: posizione 6 (http://www.velmora.it/tardi), citato nella Panoramica AI (fonte 2 di 2)";
}

void TestSearchRun::listSettlesThePageAsTheOptionsSay()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    QFETCH(QStringList, arguments);
    {
        QSettings options(DataFolder(m_dir->path()).searchOptions(), QSettings::IniFormat);
        options.setValue(QStringLiteral("ricerca/attesa-lettura"), 0);
    }
    std::unique_ptr<QProcess> run(startList(QStringLiteral("tardi\n"), QStringList{"--pausa", "5"} + arguments));
    QVERIFY2(endsWith(*run, 0, 60), qPrintable(m_said));
    QTEST(linesOf(*run).join(QLatin1Char('\n')), "printed");
}

void TestSearchRun::listIsArchivedAndExported()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    QFETCH(bool, writable);
    const QString archivePath = m_dir->filePath(QStringLiteral("Archivio.sqlite"));
    if (!writable)
        QVERIFY(QDir().mkpath(archivePath));
    std::unique_ptr<QProcess> run(startList(QStringLiteral("citata\ncorta\n"), {"--pagine", "3", "--pausa", "5"}));
    QVERIFY2(endsWith(*run, 0, 90), qPrintable(m_said));
    // The featured answer's source counts first.
    QCOMPARE(linesOf(*run),
             (QStringList{"citata: posizione 14 (http://www.velmora.it/citata), citato nella Panoramica AI (fonte 1 di 1)",
                          "corta: non trovato entro 13"}));
    QCOMPARE(TextFile::readLines(m_dir->filePath(QStringLiteral("Risultato.txt"))).value_or(QStringList()).size(), 2);
    if (!writable) {
        // Said once, and the list ran as ever.
        QVERIFY2(m_said.startsWith(QStringLiteral("cerca-posizione: Impossibile scrivere l'archivio")) && m_said.count(QLatin1Char('\n')) == 1,
                 qPrintable(m_said));
        return;
    }
    QCOMPARE(m_said, QString());

    Archive archive(archivePath);
    QVERIFY(archive.open());
    QCOMPARE(*RunArchive(archive).series(), (QStringList{"corta", "citata"}));
    const ArchivedRun cited = RunArchive(archive).runsOf(QStringLiteral("citata"))->constFirst();
    QCOMPARE(cited.end, RunEnd::Found);
    QCOMPARE(cited.position, 14);
    QCOMPARE(cited.fragment, QStringLiteral("velmora"));
    QVERIFY(cited.pages.size() >= 2);
    const QList<ArchivedResult> results = cited.results();
    for (qsizetype i = 0; i < results.size(); ++i)
        QCOMPARE(results[i].position, i + 1);
    QCOMPARE(results[0], (ArchivedResult{1, "http://www.fonte.it/", "Risposta in evidenza"}));
    QCOMPARE(results[13].address, QStringLiteral("http://www.velmora.it/citata"));
    QCOMPARE(cited.pages[0].reading, PageReading::Today);
    QCOMPARE(cited.pages[0].features,
             std::optional<PageFeatures>(PageFeatures{2, 1, "http://www.fonte.it/", true, {"http://www.velmora.it/citata"}, true, false, {}}));
    QVERIFY(!cited.pages[1].features->aiOverview);
    const ArchivedRun classic = RunArchive(archive).runsOf(QStringLiteral("corta"))->constFirst();
    QCOMPARE(classic.end, RunEnd::ResultsEnded);
    QCOMPARE(classic.results().size(), 13);
    QCOMPARE(classic.pages[0].reading, PageReading::Classic);
    // Every page read is kept, by today's reader, and holds what was read.
    for (const ArchivedRun &kept : {cited, classic}) {
        const QList<std::pair<qint64, KeptMarkup>> pages = *RunArchive(archive).keptPages(kept.id);
        QCOMPARE(pages.size(), kept.pages.size());
        QCOMPARE(pages.constFirst().second.reader, ReaderVersion::kCurrent);
        QVERIFY(PageCompression::decompress(pages.constFirst().second.compressed)->contains(kept.phrase.toUtf8()));
    }
    // What each run saw: the hit's page with the hit outlined, and the last
    // page of a run without a hit, in the series' folder.
    QVERIFY(cited.picture && classic.picture);
    for (const ArchivedPicture &picture : {*cited.picture, *classic.picture}) {
        QImage image(picture.file);
        QCOMPARE(image.size(), picture.size);
        QCOMPARE(QFileInfo(picture.file).size(), picture.bytes);
    }
    QCOMPARE(QFileInfo(cited.picture->file).dir().dirName(), QStringLiteral("citata"));
    QVERIFY(!cited.picture->hitBox.isEmpty() && cited.picture->size.height() >= cited.picture->hitBox.bottom());
    QVERIFY(classic.picture->hitBox.isEmpty());

    // The export: no window, no browser.
    QProcess exporter;
    const QString csv = m_dir->filePath(QStringLiteral("archivio.csv"));
    exporter.start(m_dir->filePath(QStringLiteral("cerca-posizione")),
                   {"--esporta-archivio", csv, "--frase", "citata"});
    QVERIFY(exporter.waitForFinished(30000));
    QCOMPARE(exporter.exitCode(), 0);
    const QStringList rows = TextFile::readLines(csv).value_or(QStringList());
    QCOMPARE(rows.size(), 1 + results.size());
    QCOMPARE(rows[0], QStringLiteral("data e ora,frase,posizione,indirizzo,host,titolo,esito,dispositivo,paese,lingua,luogo,pagina vista"));
    QCOMPARE(rows[1].section(QLatin1Char(','), 1),
             "citata,1,http://www.fonte.it/,www.fonte.it,Risposta in evidenza,posizione 14,computer,it,it,,"
                 + QFileInfo(cited.picture->file).fileName());
    exporter.start(m_dir->filePath(QStringLiteral("cerca-posizione")), {"--esporta-archivio", csv});
    QVERIFY(exporter.waitForFinished(30000));
    QCOMPARE(exporter.exitCode(), 0);
    QCOMPARE(TextFile::readLines(csv).value_or(QStringList()).size(), 1 + results.size() + 13);
}

void TestSearchRun::listGoesOnPastAPageThatNeverCompletes()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    std::unique_ptr<QProcess> run(startList(QStringLiteral("seconda\nappesa\ncorta\n"),
                                            {"--pagine", "2", "--pausa", "5", "--attesa", "10"}));
    QVERIFY2(endsWith(*run, 4, 120), qPrintable(m_said));   // every phrase ran, one unchecked
    QCOMPARE(linesOf(*run), (QStringList{"seconda: posizione 14 (http://www.velmora.it/ricette)", "appesa: pagina non caricata",
                                         "corta: non trovato entro 13"}));
    QCOMPARE(m_said, QString());
    const QStringList log = TextFile::readLines(m_dir->filePath(QStringLiteral("Risultato.txt"))).value_or(QStringList());
    QCOMPARE(log.size(), 2);
    QVERIFY(log[0].startsWith(QStringLiteral("seconda - ")));
    QVERIFY(log[1].startsWith(QStringLiteral("corta < ")));
    Archive archive(m_dir->filePath(QStringLiteral("Archivio.sqlite")));
    QVERIFY(archive.open());
    QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("appesa"))->constFirst().end, RunEnd::PageNotLoaded);
}

void TestSearchRun::listGoesOnPastANoResultsPage()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    // Both readings: a next page that says there is nothing ends the results.
    std::unique_ptr<QProcess> run(startList(QStringLiteral("finita\nfinita oggi\n"), {"--pagine", "5", "--pausa", "5"}));
    QVERIFY2(endsWith(*run, 0, 120), qPrintable(m_said));
    const QStringList lines = linesOf(*run);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("finita: non trovato entro 20"));
    QVERIFY2(lines[1].startsWith(QStringLiteral("finita oggi: non trovato entro ")), qPrintable(lines[1]));
    QCOMPARE(m_said, QString());
}

void TestSearchRun::listResumesAfterAPageThatNeedsTheUser_data()
{
    QTest::addColumn<QStringList>("waits");
    QTest::addColumn<int>("coolDowns");
    QTest::newRow("no waits: it ends at once") << QStringList{"--attesa-verifica", "0"} << 0;
    // The check page stays: one second, then what is left of two.
    QTest::newRow("its waits spent") << QStringList{"--pausa-verifica", "1", "--attesa-verifica", "2"} << 2;
}

void TestSearchRun::listResumesAfterAPageThatNeedsTheUser()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    QFETCH(QStringList, waits);
    QFETCH(int, coolDowns);
    const QString phrases = QStringLiteral("corta\noggi verifica\nseconda\n");
    std::unique_ptr<QProcess> first(startList(phrases, QStringList{"--pagine", "2", "--pausa", "5"} + waits));
    QVERIFY2(endsWith(*first, 3, 90), qPrintable(m_said));
    QCOMPARE(linesOf(*first), QStringList{"corta: non trovato entro 13"});
    QVERIFY2(m_said.count(QStringLiteral("riprova alle")) == coolDowns, qPrintable(m_said));
    QCOMPARE(m_said.count(QStringLiteral("riprovo \"oggi verifica\"")), coolDowns);

    // The check answered elsewhere: the same phrases from a service that no
    // longer asks. Only the phrases not yet checked are asked.
    results::Service answered(results::Catalog::parse("[oggi verifica]\n@today\n@generate 30\n"
                                                      "[seconda]\n@generate 13\nhttp://www.velmora.it/ricette\n"));
    QVERIFY(answered.start() > 0);
    std::unique_ptr<QProcess> resumed(startList(phrases, {"--pagine", "2", "--pausa", "5", "--riprendi"},
                                                QStringLiteral("127.0.0.1:%1").arg(answered.port())));
    QVERIFY2(endsWith(*resumed, 0, 90), qPrintable(m_said));
    const QStringList lines = linesOf(*resumed);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith(QStringLiteral("oggi verifica: non trovato entro ")), qPrintable(lines[0]));
    QCOMPARE(lines[1], QStringLiteral("seconda: posizione 14 (http://www.velmora.it/ricette)"));
    for (const results::Request &request : answered.searchRequests())
        QVERIFY2(request.target.find("q=corta") == std::string::npos, request.target.c_str());
    // Ended: nothing is left to resume, and --riprendi would run the whole list.
    QVERIFY(!ListProgress(m_dir->filePath(QStringLiteral("Elenchi.ini")), {"corta", "oggi verifica", "seconda"},
                          QStringLiteral("velmora"), QStringLiteral("2"), false).hasUnfinished());
    answered.stop();
}

// A list against an engine that blocks an address asking too often, for a
// while: it waits each block out, with its browser let go, and ends with
// every phrase checked once.
void TestSearchRun::listWaitsOutTheEnginesLimit()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    // More than two searches within two seconds: the check page for two.
    // The pauses' mean is a fifth of a second, the most it grows to 1.6 s:
    // three searches on its schedule span at least 2.4 s.
    const int allowed = 2;
    std::string catalog = "@limite 2 2 2\n";
    QStringList phrases;
    for (int i = 1; i <= 16; ++i) {
        const std::string phrase = "frase " + std::to_string(i);
        catalog += "[" + phrase + "]\n@generate 3\nhttp://www.velmora.it/" + std::to_string(i) + "\n";
        phrases.append(QString::fromStdString(phrase));
    }
    results::Service limited(results::Catalog::parse(catalog));
    QVERIFY(limited.start() > 0);
    // Pauses of a fifth of a second for 10 s: the first wait of 150 s is 3 s.
    qputenv("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS", "200");
    const auto runList = [&](const QStringList &phrases) {
        std::unique_ptr<QProcess> run(startList(phrases.join(QLatin1Char('\n')),
                                                {"--pagine", "1", "--pausa", "10", "--pausa-verifica", "150"},
                                                QStringLiteral("127.0.0.1:%1").arg(limited.port())));
        QSignalSpy done(run.get(), &QProcess::finished);
        done.wait(240000);
        return run;
    };
    std::unique_ptr<QProcess> first = runList(phrases);
    QCOMPARE(first->state(), QProcess::NotRunning);
    const QString said = QString::fromLocal8Bit(first->readAllStandardError());
    QVERIFY2(first->exitCode() == 0, qPrintable(said));
    QStringList expected;
    for (int i = 1; i <= phrases.size(); ++i)
        expected.append(QStringLiteral("frase %1: posizione 4 (http://www.velmora.it/%1)").arg(i));
    QCOMPARE(linesOf(*first), expected);
    // Each phrase's results served once; the check pages met, each waited out.
    int checks = 0;
    QMap<QString, int> results;
    for (const results::Service::Served &served : limited.served()) {
        checks += served.page == "check";
        if (served.page == "results")
            ++results[QString::fromStdString(served.phrase)];
    }
    QCOMPARE(results.size(), phrases.size());
    QVERIFY2(std::all_of(results.begin(), results.end(), [](int count) { return count == 1; }), qPrintable(said));
    QCOMPARE(said.count(QStringLiteral("riprova alle")), checks);
    // A fixed pace, its pauses far under the limit's, meets a check page
    // after every `allowed` searches that pass; the learning one slows down.
    const int fixedChecks = (phrases.size() - 1) / allowed;
    QVERIFY2(checks > 0 && checks < fixedChecks, qPrintable(QStringLiteral("%1 check pages").arg(checks)));

    // The next list starts at the pace learned: its first pause is at least
    // half the learned mean, where the pause asked for is at most 300 ms.
    const int learned = ListPaces(m_dir->filePath(QStringLiteral("Passo degli elenchi.ini")))
                            .paceFor(QStringLiteral("127.0.0.1:%1").arg(limited.port())).eighths / 8;
    QVERIFY2(learned >= 4, qPrintable(QString::number(learned)));
    limited.clearRequests();
    std::unique_ptr<QProcess> second = runList(phrases.mid(0, 2));
    qunsetenv("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS");
    QCOMPARE(second->exitCode(), 0);
    const std::vector<results::Request> searches = limited.searchRequests();
    QVERIFY(searches.size() >= 2);
    QVERIFY(searches[1].arrival - searches[0].arrival >= std::chrono::milliseconds(100 * learned));
    limited.stop();
}

// The end line and the summary file of a list, the first time and against
// the list before, whose phrases have moved since.
void TestSearchRun::listSaysWhatMoved()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    // Each phrase at a position, then at another; 0: not served.
    const QList<std::tuple<const char *, int, int>> moves{
        {"entra", 14, 4}, {"esce", 4, 14}, {"sale", 25, 15}, {"uguale", 4, 4}, {"scende", 15, 25}, {"tace", 5, 0}};
    const auto serviceOf = [&moves](bool later) {
        std::string catalog;
        for (const auto &[phrase, first, then] : moves) {
            const int at = later ? then : first;
            catalog += std::string("[") + phrase + "]\n" + (at == 0 ? "@generate 30\n@silent 0\n"
                : "@generate " + std::to_string(at - 1) + "\nhttp://www.velmora.it/" + phrase + "\n@generate 10\n");
        }
        return std::make_unique<results::Service>(results::Catalog::parse(catalog));
    };
    QStringList phrases;
    for (const auto &move : moves)
        phrases.append(QString::fromLatin1(std::get<0>(move)));
    const QString summary = m_dir->filePath(QStringLiteral("riepilogo.csv"));
    qputenv("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS", "200");
    QStringList ends;
    for (const bool later : {false, true}) {
        const std::unique_ptr<results::Service> service = serviceOf(later);
        QVERIFY(service->start() > 0);
        std::unique_ptr<QProcess> run(startList(phrases.join(QLatin1Char('\n')),
                                                {"--pagine", "3", "--attesa", "10", "--riepilogo", summary},
                                                QStringLiteral("127.0.0.1:%1").arg(service->port())));
        QVERIFY(QSignalSpy(run.get(), &QProcess::finished).wait(120000));
        QVERIFY2(run->exitCode() == (later ? 4 : 0), run->readAllStandardError().constData());
        const QStringList lines = QString::fromLocal8Bit(run->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        ends.append(lines.constLast());
    }
    qunsetenv("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS");
    QCOMPARE(ends, (QStringList{"frasi.txt: 6 frasi, 0 salite, 0 scese, 0 uguali, 3 entrate nei primi 10, 0 uscite, 3 nuove, "
                                "0 non controllate; pausa media tra le frasi 10 s",
                                "frasi.txt: 6 frasi, 1 salite, 1 scese, 1 uguali, 1 entrate nei primi 10, 1 uscite, "
                                "1 non controllate; pausa media tra le frasi 10 s"}));
    QCOMPARE(TextFile::readLines(summary).value_or(QStringList()),
             (QStringList{"frase,prima,dopo,variazione,esito", "entra,14,4,+10,entrata nei primi 10",
                          "esce,4,14,-10,uscita dai primi 10", "sale,25,15,+10,salita", "uguale,4,4,0,uguale",
                          "scende,15,25,-10,scesa", "tace,5,,,non controllata: pagina non caricata"}));
}

// A list without a window tells the desktop of each check page and of its
// end, through a notification service on the session bus.
void TestSearchRun::listTellsTheDesktop()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    QVERIFY2(daemon.waitForStarted(5000), "no dbus-daemon (the package dbus-daemon)");
    QVERIFY(daemon.waitForReadyRead(5000));
    const QString address = QString::fromLatin1(daemon.readLine()).trimmed();
    FakeNotifications notifications;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("notifiche"));
        QVERIFY(bus.isConnected());
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }
    // An engine that asks for a check at every search: one wait of a second, then the end.
    results::Service blocking(results::Catalog::parse("@limite 0 3600 3600\n"));
    QVERIFY(blocking.start() > 0);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    std::unique_ptr<QProcess> run(startList(QStringLiteral("uno\ndue\n"), {"--pausa-verifica", "1", "--attesa-verifica", "1"},
                                            QStringLiteral("127.0.0.1:%1").arg(blocking.port())));
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QVERIFY2(endsWith(*run, 3, 90), qPrintable(m_said));
    QCOMPARE(notifications.bodies.size(), 2);
    QVERIFY2(QRegularExpression(QStringLiteral("^Google chiede una verifica \\(elenco frasi\\.txt, frase 1 di 2\\): la ricerca "
                                               "riprova alle \\d\\d:\\d\\d\\. Per rispondere subito apri Cerca Posizione "
                                               "e fai una ricerca\\.$"))
                 .match(notifications.bodies[0])
                 .hasMatch(),
             qPrintable(notifications.bodies[0]));
    QCOMPARE(notifications.bodies[1], QStringLiteral("frasi.txt: 2 frasi, 0 salite, 0 scese, 0 uguali, 0 entrate nei primi 10, "
                                                     "0 uscite, 2 non controllate"));
    QDBusConnection::disconnectFromBus(QStringLiteral("notifiche"));
    daemon.terminate();
    daemon.waitForFinished(5000);
}

// A list waiting out a check page that lifts only when it is answered: the
// window, opened meanwhile on the profile the list let go, shows the check
// page at its first search; answered there, where its button is drawn, the
// list asks again once the window's browser has written its cookies, long
// before its ten minutes.
void TestSearchRun::listGoesOnOnceTheWindowAnswers()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs a list beside the window: the offscreen run covers it");
    if (qEnvironmentVariableIsSet("CERCA_SANITIZED"))
        QSKIP("a minute of the browser's own cookie writing: the ordinary build covers it");
    results::Service blocking(results::Catalog::parse("@limite 2 3600 3600 risposta\n[uno]\n@generate 3\n"
                                                      "http://www.velmora.it/uno\n[tre]\n@generate 5\n"
                                                      "http://www.velmora.it/tre\n[finestra]\n@generate 7\n"
                                                      "http://www.velmora.it/finestra\n"));
    QVERIFY(blocking.start() > 0);
    const QString host = QStringLiteral("127.0.0.1:%1").arg(blocking.port());
    std::unique_ptr<QProcess> list(startList(QStringLiteral("uno\ndue\ntre\n"),
                                             {"--pagine", "1", "--pausa-verifica", "600"}, host));
    QString said;
    QTRY_VERIFY_WITH_TIMEOUT((said += QString::fromLocal8Bit(list->readAllStandardError())).contains(QStringLiteral("riprova alle")),
                             90000);
    // A person opens the window once the list's browser has gone: the list
    // lets the profile go a moment later, and the window waits for it.
    QTRY_VERIFY_WITH_TIMEOUT(!ProfileFolder::inUse(m_dir->filePath(QStringLiteral("Chromium"))), 20000);

    m_browser = std::make_unique<ChromiumPage>(m_dir->path());
    makeForm(100, host);
    run(QStringLiteral("finestra"));
    auto *view = m_form->findChild<ScreencastView *>(QStringLiteral("ScreencastView"));
    QPoint button;
    QTRY_VERIFY_WITH_TIMEOUT(!(button = drawnButton(view)).isNull(), 20000);
    QTest::qWait(200);   // the frame settled
    QTest::mouseClick(view, Qt::LeftButton, {}, drawnButton(view));
    waitForEnd();
    QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 8"));
    QCOMPARE(m_browser->profilePath(), m_dir->filePath(QStringLiteral("Chromium")));
    // Two minutes at most, where the list's own wait is ten.
    QVERIFY2(endsWith(*list, 0, 120), qPrintable(said + m_said));
    QCOMPARE((said + m_said).count(QStringLiteral("riprova alle")), 1);
    QCOMPARE(linesOf(*list), (QStringList{"uno: posizione 4 (http://www.velmora.it/uno)", "due: non trovato entro 10",
                                          "tre: posizione 6 (http://www.velmora.it/tre)"}));
}

void TestSearchRun::listPlacesPagesWithoutResultsAndKeepsAnUnknownOne()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    // The engine's page without results in three layouts and languages, and
    // a second page in a layout nobody knows; the first and the last with the
    // cookie notice at their foot, which asks nothing.
    std::unique_ptr<QProcess> run(startList(QStringLiteral("vuota\nvuota al telefono\nvuota semplice\nsconosciuta\n"),
                                            {"--pagine", "3", "--pausa", "5"}));
    QVERIFY2(endsWith(*run, 4, 120), qPrintable(m_said));
    QCOMPARE(m_said, QString());
    const QStringList lines = linesOf(*run);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.mid(0, 3), (QStringList{"vuota: non trovato entro 0", "vuota al telefono: non trovato entro 0",
                                           "vuota semplice: non trovato entro 0"}));
    const QDir kept(m_dir->filePath(QStringLiteral("Pagine non lette")));
    const QStringList pages = kept.entryList({QStringLiteral("*.html")}, QDir::Files);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(lines[3], QStringLiteral("sconosciuta: pagina non letta (salvata in %1)").arg(kept.filePath(pages[0])));
    QTRY_VERIFY(kept.exists(QFileInfo(pages[0]).completeBaseName() + QStringLiteral(".png")));
    QFile markup(kept.filePath(pages[0]));
    QVERIFY(markup.open(QIODevice::ReadOnly));
    QVERIFY(markup.readAll().contains("zz-risultati"));
    // Three searches measured, and one kept to be asked again.
    QCOMPARE(TextFile::readLines(m_dir->filePath(QStringLiteral("Risultato.txt"))).value_or(QStringList()).size(), 3);
    Archive archive(m_dir->filePath(QStringLiteral("Archivio.sqlite")));
    QVERIFY(archive.open());
    QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("vuota al telefono"))->constFirst().end, RunEnd::ResultsEnded);
    const ArchivedRun unknown = RunArchive(archive).runsOf(QStringLiteral("sconosciuta"))->constFirst();
    QCOMPARE(unknown.end, RunEnd::PageUnreadable);
    QCOMPARE(unknown.results().size(), 10);
}

void TestSearchRun::listAsksAgainForPagesThatFailOnce()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    // 500 and a cut connection on the first page, 503 on the second, each
    // once; a page that is cut every time ends its phrase.
    std::unique_ptr<QProcess> run(startList(QStringLiteral("guasto 500\nguasto 503\nguasto interrotto\ntronca\n"),
                                            {"--pagine", "3", "--pausa", "5"}));
    QVERIFY2(endsWith(*run, 4, 180), qPrintable(m_said));
    QCOMPARE(m_said, QString());
    QCOMPARE(linesOf(*run), (QStringList{"guasto 500: posizione 4 (http://www.velmora.it/a)",
                                         "guasto 503: posizione 13 (http://www.velmora.it/b)",
                                         "guasto interrotto: posizione 6 (http://www.velmora.it/c)",
                                         "tronca: pagina non caricata"}));
    QStringList asked;
    for (const QString &target : received())
        asked << QUrlQuery(QUrl(target).query()).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded);
    QCOMPARE(asked.count(QStringLiteral("guasto 500")), 2);
    QCOMPARE(asked.count(QStringLiteral("guasto 503")), 3);
    QCOMPARE(asked.count(QStringLiteral("tronca")), 2);
    Archive archive(m_dir->filePath(QStringLiteral("Archivio.sqlite")));
    QVERIFY(archive.open());
    QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("guasto 503"))->size(), 1);
    QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("tronca"))->constFirst().end, RunEnd::PageNotLoaded);
}

void TestSearchRun::twoListsStartedTogetherBothRunToTheEnd()
{
    // Two timers firing together on one data folder: one browser takes the
    // profile, the other a copy of it, and neither hands over to the other.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    const QStringList arguments{"--pagine", "2", "--pausa", "5"};
    std::unique_ptr<QProcess> first(startList(QStringLiteral("seconda\ncorta\n"), arguments, QString(), QStringLiteral("a.txt")));
    std::unique_ptr<QProcess> second(startList(QStringLiteral("oggi\ndoppia\n"), arguments, QString(), QStringLiteral("b.txt")));
    QSignalSpy firstDone(first.get(), &QProcess::finished);
    QSignalSpy secondDone(second.get(), &QProcess::finished);
    QVERIFY(firstDone.wait(120000) || firstDone.size() == 1);
    QVERIFY(secondDone.size() == 1 || secondDone.wait(120000));
    const QString errors = QString::fromLocal8Bit(first->readAllStandardError() + second->readAllStandardError());
    QVERIFY2(first->exitCode() == 0 && second->exitCode() == 0, qPrintable(errors));
    QCOMPARE(linesOf(*first), (QStringList{"seconda: posizione 14 (http://www.velmora.it/ricette)", "corta: non trovato entro 13"}));
    QCOMPARE(linesOf(*second), (QStringList{"oggi: posizione 14 (http://www.velmora.it/oggi)",
                                            "doppia: posizione 3 (http://www.velmora.it/uno)"}));
    Archive archive(m_dir->filePath(QStringLiteral("Archivio.sqlite")));
    QVERIFY(archive.open());
    QVERIFY2(RunArchive(archive).series()->size() == 4,
             qPrintable(RunArchive(archive).series()->join(QLatin1Char(',')) + QLatin1Char(' ') + errors + QLatin1Char(' ')
                        + QDir(m_dir->path()).entryList(QDir::Files).join(QLatin1Char(','))));
    QCOMPARE(TextFile::readLines(m_dir->filePath(QStringLiteral("Risultato.txt"))).value_or(QStringList()).size(), 4);
}

namespace {

// The processes whose command line names the text, this test's own aside.
QStringList processesNaming(const QString &text)
{
    QStringList found;
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid == self || !cmdline.open(QIODevice::ReadOnly))
            continue;
        if (QString::fromLocal8Bit(cmdline.readAll()).contains(text))
            found << pid;
    }
    return found;
}

} // namespace

void TestSearchRun::killedProgramLeavesNoBrowser()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    std::unique_ptr<QProcess> run(startList(QStringLiteral("muta\n"), {}));
    QTRY_VERIFY_WITH_TIMEOUT(!received().isEmpty(), 30000);   // the browser is up and waits for the page
    QVERIFY(!processesNaming(m_dir->path()).isEmpty());
    ::kill(pid_t(run->processId()), SIGKILL);
    QVERIFY(run->waitForFinished(5000));
    QTest::qWait(2000);
    QCOMPARE(processesNaming(m_dir->path()), QStringList());
}

void TestSearchRun::twoProgramsShareOneDataFolder()
{
    // A window and a list started by a timer on the same data folder: the
    // list runs on a copy of the profile, where the consent given in the
    // window counts, and the copy goes when the list ends.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("runs without a window: the offscreen run covers it");
    results::Service asking(results::Catalog::parse("@consent\n[oggi]\n@today\n@generate 13\nhttp://www.velmora.it/oggi\n"));
    QVERIFY(asking.start() > 0);
    const QString host = QStringLiteral("127.0.0.1:%1").arg(asking.port());
    m_browser = std::make_unique<ChromiumPage>(m_dir->path());
    makeForm(100, host);
    run(QStringLiteral("oggi"));
    QLabel *note = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((note = m_form->findChild<QLabel *>(QStringLiteral("BrowserNote"))) && note->isVisible(), 20000);
    auto *view = m_form->findChild<ScreencastView *>(QStringLiteral("ScreencastView"));
    QTRY_VERIFY_WITH_TIMEOUT(!view->frame().isNull(), 10000);
    QTest::qWait(300);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(300, 150));   // "Accetta tutto"
    waitForEnd();
    // The window closed and opened again: its browser writes its cookies out, then holds the profile.
    m_form.reset();
    m_run.reset();
    m_browser = std::make_unique<ChromiumPage>(m_dir->path());
    makeForm(100, host);
    run(QStringLiteral("oggi"));
    waitForEnd();
    QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 14"));
    QVERIFY(ProfileFolder::inUse(m_browser->profilePath()));

    std::unique_ptr<QProcess> list(startList(QStringLiteral("oggi\n"), {}, host));
    QVERIFY2(endsWith(*list, 0, 60), qPrintable(m_said));
    QCOMPARE(linesOf(*list), QStringList{"oggi: posizione 14 (http://www.velmora.it/oggi)"});
    // The list's copy, in its own temporary folder, is gone.
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("tmp"))).entryList({QStringLiteral("cerca-posizione-profilo-*")}, QDir::Dirs),
             QStringList());
    // The window's browser still works.
    run(QStringLiteral("oggi"));
    waitForEnd();
    QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 14"));
}

void TestSearchRun::longListRunsEveryPhraseOnceInOrder()
{
    // A thousand phrases the service does not list, one page each, the
    // pauses shortened and each page read at its load (the half second of
    // quiet a settling takes, a thousand times, is no part of what is tested
    // here); two hundred in the slower sanitized build.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("no layout in it: the offscreen run covers it");
    const int count = qEnvironmentVariableIsSet("CERCA_SANITIZED") ? 200 : 1000;
    makeForm(10);
    // After the window, which gives the browser the search options' wait.
    m_browser->setSettleSeconds(0);
    m_form->setRunInputs(QStringLiteral("velmora"), QStringLiteral("1"), false);
    RunInputs inputs = m_form->runInputs();
    QStringList phrases;
    for (int i = 1; i <= count; ++i)
        phrases.append(QStringLiteral("lista %1").arg(i));
    ListRun list(m_run.get(), phrases, inputs, 1, 1);
    list.setResultLog(m_dir->filePath(QStringLiteral("Risultato.txt")), QStringLiteral("/"));
    qint64 afterFirst = 0;
    connect(&list, &ListRun::phraseEnded, this, [&afterFirst](int index) {
        if (index == 0)
            afterFirst = residentKilobytes();
    });
    QSignalSpy finished(&list, &ListRun::finished);
    list.start();
    QVERIFY(finished.wait(400000));
    const qint64 atTheEnd = residentKilobytes();
    QCOMPARE(list.outcomes().size(), count);
    const QStringList targets = received();
    QCOMPARE(targets.size(), count);
    for (int i = 0; i < count; ++i) {
        if (QUrlQuery(QUrl(targets[i]).query()).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded) != phrases[i])
            QFAIL(qPrintable(QStringLiteral("request %1: %2").arg(i).arg(targets[i])));
    }
    const QStringList log = TextFile::readLines(m_dir->filePath(QStringLiteral("Risultato.txt"))).value_or(QStringList());
    QCOMPARE(log.size(), count);
    QVERIFY(log.constLast().startsWith(QStringLiteral("lista %1 < ").arg(count)));
    qInfo("resident memory: %lld kB after the first phrase, %lld kB at the end", afterFirst, atTheEnd);
    if (qEnvironmentVariableIsSet("CERCA_SANITIZED"))
        return;   // the sanitizers keep freed memory in quarantine
    QVERIFY2(atTheEnd <= afterFirst * 12 / 10,
             qPrintable(QStringLiteral("%1 kB after the first phrase, %2 kB at the end").arg(afterFirst).arg(atTheEnd)));
}

void TestSearchRun::localPackFromTheCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("series");
    QTest::newRow("no place: the businesses as listed")
        << QStringList{"--pagine", "3", "--pausa", "5"}
        << "idraulico milano: posizione 14 (http://www.velmora.it/idraulico), nel pacchetto locale 3" << "idraulico milano";
    QTest::newRow("from its own street, on a phone")
        << QStringList{"--pagine", "3", "--pausa", "5", "--luogo", "45.4552,9.2028", "--dispositivo", "smartphone"}
        << "idraulico milano [smartphone, 45.4552,9.2028]: posizione 14 (http://www.velmora.it/idraulico), nel pacchetto locale 1"
        << "idraulico milano [smartphone, 45.4552,9.2028]";
    QTest::newRow("far from it: not in the pack")
        << QStringList{"--pagine", "3", "--pausa", "5", "--luogo", "45.4732,9.1772"}
        << "idraulico milano [computer, 45.4732,9.1772]: posizione 14 (http://www.velmora.it/idraulico)"
        << "idraulico milano [computer, 45.4732,9.1772]";
}

void TestSearchRun::localPackFromTheCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    QFETCH(QString, series);
    std::unique_ptr<QProcess> run(startList(QStringLiteral("idraulico milano\n"), arguments));
    QVERIFY2(endsWith(*run, 0, 90), qPrintable(m_said));
    QCOMPARE(linesOf(*run).value(0), line);
    // The archive keeps the place with the run, and the businesses with its first page.
    Archive archive(m_dir->filePath(QStringLiteral("Archivio.sqlite")));
    QVERIFY(archive.open());
    const ArchivedRun kept = RunArchive(archive).runsOf(series)->constFirst();
    QCOMPARE(kept.packPlace > 0, line.contains(QStringLiteral("pacchetto")));
    QVERIFY(line.endsWith(QStringLiteral("pacchetto locale %1").arg(kept.packPlace)) || kept.packPlace == 0);
    QVERIFY(kept.pages.constFirst().features);
    QCOMPARE(kept.pages.constFirst().features->pack.size(), 3);
}

void TestSearchRun::gridFromTheCommandLine()
{
    const QStringList grid{"--griglia", "3", "--centro", "45.4642,9.1900", "--passo", "1", "--frase", "idraulico milano",
                           "--frammento", "velmora", "--pagine", "3"};
    const QStringList quick{QStringLiteral("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS=200")};
    // Bad input: one sentence, exit 2, no page asked for.
    for (const QStringList &bad : {QStringList{"--griglia", "4", "--centro", "45.4642,9.1900", "--passo", "1", "--frase", "f",
                                               "--frammento", "x"},
                                   QStringList{"--griglia", "3", "--centro", "45.4642,9.1900", "--passo", "30", "--frase", "f",
                                               "--frammento", "x"},
                                   QStringList{"--griglia", "3", "--centro", "45.4642,199", "--passo", "1", "--frase", "f",
                                               "--frammento", "x"},
                                   QStringList{"--griglia", "3", "--centro", "45.4642,9.19", "--passo", "1", "--frammento", "x"}}) {
        std::unique_ptr<QProcess> refused(startProgram(bad, QString(), quick));
        QVERIFY(QSignalSpy(refused.get(), &QProcess::finished).wait(20000));
        QCOMPARE(refused->exitCode(), 2);
        const QStringList said = QString::fromLocal8Bit(refused->readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(said.size() == 2 && said[1].startsWith(QStringLiteral("Prova")), qPrintable(said.join(QLatin1Char('|'))));
    }
    QVERIFY(received().isEmpty());
    const QStringList expected = gridLines();
    // Stopped after three points, then resumed: the others only.
    std::unique_ptr<QProcess> first(startProgram(grid, QString(), quick));
    QStringList lines;
    QTRY_VERIFY_WITH_TIMEOUT((lines += QString::fromLocal8Bit(first->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                              lines.size() >= 3), 90000);
    ::kill(pid_t(first->processId()), SIGTERM);
    QVERIFY(first->waitForFinished(30000));
    lines += QString::fromLocal8Bit(first->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(0, 3), expected.mid(0, 3));
    const int done = int(lines.size());
    // With Qt's platform that needs no display, the picture is drawn beside the archive.
    const QString platforms = QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH=%1/platforms").arg(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    std::unique_ptr<QProcess> second(startProgram(grid + QStringList{"--riprendi"}, QString(), quick + QStringList{platforms}));
    QVERIFY2(endsWith(*second, 0, 120), qPrintable(m_said));
    lines = QString::fromLocal8Bit(second->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(0, expected.size() - done), expected.mid(done));
    QCOMPARE(lines.value(expected.size() - done),
             QStringLiteral("griglia 3x3 attorno a 45.4642,9.1900, ogni 1 km: nel pacchetto locale in 4 punti su 9 (44%); "
                            "posto medio 2,0 dove c'è, 3,1 contando 4 dove manca"));
    const QString picture = lines.value(expected.size() - done + 1).section(QStringLiteral("immagine della griglia: "), 1);
    QVERIFY2(QFileInfo(picture).dir() == QDir(m_dir->path()), qPrintable(lines.join(QLatin1Char('|'))));
    QCOMPARE(QImage(picture).width(), 800);
    // One grid in the archive, whole and ended.
    Archive archive(m_dir->filePath(QStringLiteral("Archivio.sqlite")));
    QVERIFY(archive.open());
    ArchivedGrid shape = GridPlan{3, {45.4642, 9.19}, 1, QStringLiteral("idraulico milano"), QStringLiteral("velmora")}.record();
    QCOMPARE(*GridArchive(archive).unfinished(shape), std::nullopt);
    const std::optional<ArchivedGrid> kept = *GridArchive(archive).previous(shape.series, std::numeric_limits<qint64>::max());
    QVERIFY(kept);
    QStringList keptLines;
    for (const GridPointRecord &point : kept->points)
        keptLines << GridPoints::line(point);
    QCOMPARE(keptLines, expected);
}

void TestSearchRun::gridInTheWindow()
{
    makeForm(100, QString(), 20);
    // A run of the window: its place in the pack after the caption's words.
    run(QStringLiteral("idraulico milano"));
    waitForEnd();
    QCOMPARE(label1(), QStringLiteral("\"velmora\" trovato nella posizione n° 14, nel pacchetto locale 3"));
    m_service->clearRequests();
    m_form->findChild<QAction *>(QStringLiteral("GrigliaLocale"))->trigger();
    auto *window = m_form->findChild<GridWindow *>();
    QVERIFY(window);
    window->findChild<QLineEdit *>(QStringLiteral("Frase"))->setText(QStringLiteral("idraulico milano"));
    window->findChild<QLineEdit *>(QStringLiteral("Frammento"))->setText(QStringLiteral("velmora"));
    window->findChild<QSpinBox *>(QStringLiteral("Lato"))->setValue(3);
    auto *centre = window->findChild<QLineEdit *>(QStringLiteral("Centro"));
    auto *start = window->findChild<QPushButton *>(QStringLiteral("AvviaGriglia"));
    auto *said = window->findChild<QLabel *>(QStringLiteral("StatoGriglia"));
    // Coordinates off the earth: one sentence, no search.
    centre->setText(QStringLiteral("95,9.19"));
    start->click();
    QVERIFY2(said->text().contains(QStringLiteral("fuori dalla Terra")), qPrintable(said->text()));
    QVERIFY(received().isEmpty());
    centre->setText(QStringLiteral("45.4642,9.1900"));
    start->click();
    QTRY_VERIFY_WITH_TIMEOUT(said->text().startsWith(QStringLiteral("griglia 3x3")), 180000);
    QCOMPARE(window->findChild<QPlainTextEdit *>(QStringLiteral("PuntiGriglia"))->toPlainText().split(QLatin1Char('\n')), gridLines());
    QVERIFY(!window->findChild<QLabel *>(QStringLiteral("ImmagineGriglia"))->pixmap().isNull());
    const QString file = m_dir->filePath(QStringLiteral("griglia.png"));
    QVERIFY(window->savePicture(file));
    QCOMPARE(QImage(file).width(), 800);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    Watchdog watchdog;
    TestSearchRun test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_searchrun.moc"

