#include "platform/chromium/chromiumlocator.h"
#include "platform/chromium/devtoolsconnection.h"
#include "platform/chromium/inputevents.h"
#include "platform/chromium/loadtracker.h"
#include "platform/chromium/readingdecoder.h"
#include "platform/chromium/profilefolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <thread>

#include <unistd.h>

// The browser's layer without a browser: the pipe's messages, the loads
// they report, what the page script's reading says, the view's input, where
// the browser is found, its profile.
class TestDevTools : public QObject
{
    Q_OBJECT
private slots:
    void framesSplitAtNul_data();
    void framesSplitAtNul();
    void answersMatchTheirCommands();
    void everyCommandIsAnswered_data();
    void everyCommandIsAnswered();
    void unreadableMessagesAreDropped();
    void loadsAreReported_data();
    void loadsAreReported();
    void readingsBecomeTheModelsValues_data();
    void readingsBecomeTheModelsValues();
    void inputBecomesProtocolEvents_data();
    void inputBecomesProtocolEvents();
    void browserIsFound_data();
    void browserIsFound();
    void profileInUse_data();
    void profileInUse();
    void profileCopyLeavesLocksAndCaches();
    void profileIsTakenByOneProgramAtATime();
};

namespace {

// Messages as the pipe carries them, each ended by a NUL byte.
QByteArray framed(const QByteArrayList &messages)
{
    QByteArray bytes;
    for (const QByteArray &message : messages)
        bytes += message + '\0';
    return bytes;
}

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

} // namespace

void TestDevTools::framesSplitAtNul_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArrayList>("messages");
    QTest::newRow("two in one chunk") << QByteArrayList{QByteArray("{\"a\":1}\0{\"b\":2}\0", 16)}
                                      << QByteArrayList{"{\"a\":1}", "{\"b\":2}"};
    QTest::newRow("one across chunks") << QByteArrayList{"{\"a\"", ":1", QByteArray("}\0{", 3)}
                                       << QByteArrayList{"{\"a\":1}"};
    QTest::newRow("an empty message") << QByteArrayList{QByteArray("\0", 1)} << QByteArrayList{""};
    QTest::newRow("no end yet") << QByteArrayList{"{\"a\":1}"} << QByteArrayList{};
}

void TestDevTools::framesSplitAtNul()
{
    QFETCH(QByteArrayList, chunks);
    DevToolsFrames frames;
    QByteArrayList got;
    for (const QByteArray &chunk : chunks)
        got += frames.append(chunk);
    QTEST(got, "messages");
}

void TestDevTools::answersMatchTheirCommands()
{
    int toUs[2];
    int fromUs[2];
    QVERIFY(::pipe(toUs) == 0 && ::pipe(fromUs) == 0);
    DevToolsConnection connection(toUs[0], fromUs[1]);
    QString first;
    QString second;
    QString failed;
    connection.send(QStringLiteral("Browser.getVersion"), {}, {}, [&](const QJsonObject &result, const DevToolsError &) {
        first = result.value(QStringLiteral("product")).toString();
    });
    connection.send(QStringLiteral("Page.navigate"), json("{\"url\":\"x\"}"), QStringLiteral("S1"),
                    [&](const QJsonObject &result, const DevToolsError &error) {
                        second = result.value(QStringLiteral("frameId")).toString();
                        failed = error.message;
                    });
    char sent[512] = {};
    const ssize_t length = ::read(fromUs[0], sent, sizeof sent - 1);
    QCOMPARE(QByteArray(sent, int(length)),
             framed({"{\"id\":1,\"method\":\"Browser.getVersion\",\"params\":{}}",
                     "{\"id\":2,\"method\":\"Page.navigate\",\"params\":{\"url\":\"x\"},\"sessionId\":\"S1\"}"}));
    QSignalSpy events(&connection, &DevToolsConnection::event);
    QSignalSpy closed(&connection, &DevToolsConnection::closed);
    // Answered out of order, with an event between them.
    const QByteArray answers = framed({"{\"id\":2,\"result\":{\"frameId\":\"F\"},\"error\":{\"message\":\"no\"}}",
                                       "{\"method\":\"Page.lifecycleEvent\",\"params\":{\"name\":\"load\"},\"sessionId\":\"S1\"}",
                                       "{\"id\":1,\"result\":{\"product\":\"Chrome/156\"}}"});
    QCOMPARE(::write(toUs[1], answers.constData(), size_t(answers.size())), ssize_t(answers.size()));
    QTRY_COMPARE(first, QStringLiteral("Chrome/156"));
    QCOMPARE(second, QStringLiteral("F"));
    QCOMPARE(failed, QStringLiteral("no"));
    QCOMPARE(events.size(), 1);
    QCOMPARE(events.at(0).at(0).toString(), QStringLiteral("S1"));
    QCOMPARE(events.at(0).at(1).toString(), QStringLiteral("Page.lifecycleEvent"));
    // The browser going away closes the connection.
    ::close(toUs[1]);
    QVERIFY(closed.wait(2000));
    QVERIFY(!connection.isOpen());
    ::close(fromUs[0]);
}

void TestDevTools::everyCommandIsAnswered_data()
{
    QTest::addColumn<QString>("end");       // what becomes of the two commands sent
    QTest::addColumn<QStringList>("answers");   // each command's: R its result, C closed, T timed out
    QTest::newRow("the browser closes its end") << "gone" << QStringList{"C", "C"};
    QTest::newRow("the program closes the connection") << "close" << QStringList{"C", "C"};
    QTest::newRow("sent on a closed connection") << "closed before" << QStringList{"C", "C"};
    QTest::newRow("never answered: timed out, and a late answer dropped") << "silent" << QStringList{"T", "T"};
    QTest::newRow("one answered, the other never") << "one" << QStringList{"R", "T"};
}

void TestDevTools::everyCommandIsAnswered()
{
    QFETCH(QString, end);
    int toUs[2];
    int fromUs[2];
    QVERIFY(::pipe(toUs) == 0 && ::pipe(fromUs) == 0);
    DevToolsConnection connection(toUs[0], fromUs[1]);
    if (end == QLatin1String("closed before"))
        connection.close();
    QStringList answers{QString(), QString()};
    QStringList messages{QString(), QString()};
    for (int i = 0; i < 2; ++i) {
        connection.send(QStringLiteral("Page.navigate"), {}, QStringLiteral("S1"),
                        [&answers, &messages, i](const QJsonObject &, const DevToolsError &error) {
            answers[i] += error.kind == DevToolsError::Kind::Closed ? QLatin1Char('C')
                : error.kind == DevToolsError::Kind::TimedOut       ? QLatin1Char('T')
                : error.kind == DevToolsError::Kind::Browser        ? QLatin1Char('B')
                                                                    : QLatin1Char('R');
            messages[i] = error.message;
        }, 200);
    }
    const auto answer = [&](const char *text) {
        const QByteArray bytes = framed({text});
        QCOMPARE(::write(toUs[1], bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    };
    if (end == QLatin1String("gone"))
        ::close(toUs[1]);
    else if (end == QLatin1String("close"))
        connection.close();
    else if (end == QLatin1String("one"))
        answer("{\"id\":1,\"result\":{}}");
    QTRY_VERIFY(!answers[0].isEmpty() && !answers[1].isEmpty());
    if (end == QLatin1String("silent")) {
        answer("{\"id\":1,\"result\":{}}");
        answer("{\"id\":2,\"result\":{}}");
    }
    QTest::qWait(300);   // past the bound: nothing answers twice
    QTEST(answers, "answers");
    for (int i = 0; i < 2; ++i) {
        if (answers[i] != QLatin1String("R"))
            QVERIFY2(messages[i].startsWith(QStringLiteral("Page.navigate: ")), qPrintable(messages[i]));
    }
    if (end != QLatin1String("gone"))
        ::close(toUs[1]);
    ::close(fromUs[0]);
}

void TestDevTools::unreadableMessagesAreDropped()
{
    DevToolsConnection connection(-1, -1);
    QSignalSpy events(&connection, &DevToolsConnection::event);
    // One warning for all of them.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^DevTools: an unreadable message")));
    connection.receive(framed({"{not json}", "[1,2]", "{\"method\":3}", "\xff\xfe"}));
    connection.receive(framed({"{\"method\":\"Target.targetCreated\",\"params\":{}}"}));
    QCOMPARE(connection.unreadable(), 4);
    QCOMPARE(events.size(), 1);
}

void TestDevTools::loadsAreReported_data()
{
    QTest::addColumn<QString>("events");   // a navigation we ask for first, then these
    QTest::addColumn<QString>("steps");    // what each event gives: . none, R read, F failed
    const QString request = QStringLiteral(
        "[\"Network.requestWillBeSent\",{\"type\":\"Document\",\"frameId\":\"M\",\"requestId\":\"%1\"}]");
    const QString navigated = QStringLiteral("[\"Page.frameNavigated\",{\"frame\":{\"id\":\"M\",\"loaderId\":\"%1\",\"url\":\"%2\"}}]");
    const QString lifecycle = QStringLiteral("[\"Page.lifecycleEvent\",{\"frameId\":\"%1\",\"loaderId\":\"%2\",\"name\":\"%3\"}]");
    const QString failed = QStringLiteral("[\"Network.loadingFailed\",{\"requestId\":\"%1\",\"canceled\":%2}]");
    QTest::newRow("a page") << QStringList{request.arg("A"), navigated.arg("A", "http://x/"), lifecycle.arg("M", "A", "load")}.join(',')
                            << "..R";
    QTest::newRow("known by its lifecycle alone")
        << QStringList{request.arg("A"), lifecycle.arg("M", "A", "commit"), lifecycle.arg("M", "A", "load")}.join(',') << "..R";
    QTest::newRow("nobody listens: the error page completes once")
        << QStringList{request.arg("A"), failed.arg("A", "false"), navigated.arg("A", "chrome-error://chromewebdata/"),
                       lifecycle.arg("M", "A", "load")}.join(',')
        << ".F..";
    QTest::newRow("an error page alone fails")
        << QStringList{navigated.arg("A", "chrome-error://chromewebdata/"), lifecycle.arg("M", "A", "load")}.join(',') << ".F";
    QTest::newRow("cut short after it committed")
        << QStringList{request.arg("A"), navigated.arg("A", "http://x/"), failed.arg("A", "false")}.join(',') << "..F";
    QTest::newRow("replaced: the first is given up, the second read")
        << QStringList{request.arg("A"), request.arg("B"), failed.arg("A", "true"), navigated.arg("B", "http://y/"),
                       lifecycle.arg("M", "B", "load")}.join(',')
        << "....R";
    QTest::newRow("the old document's late load") << lifecycle.arg("M", "OLD", "load") << ".";
    QTest::newRow("a frame inside the page")
        << QStringList{"[\"Page.frameNavigated\",{\"frame\":{\"id\":\"I\",\"parentId\":\"M\",\"loaderId\":\"C\",\"url\":\"http://ad/\"}}]",
                       lifecycle.arg("I", "C", "load"),
                       "[\"Network.requestWillBeSent\",{\"type\":\"Document\",\"frameId\":\"I\",\"requestId\":\"C\"}]",
                       failed.arg("C", "false")}.join(',')
        << "....";
    QTest::newRow("the user's own navigation (a consent answered)")
        << QStringList{navigated.arg("A", "http://x/"), lifecycle.arg("M", "A", "load"), request.arg("B"),
                       navigated.arg("B", "http://x/search"), lifecycle.arg("M", "B", "load"), lifecycle.arg("M", "B", "load")}.join(',')
        << ".R..R.";
}

void TestDevTools::loadsAreReported()
{
    QFETCH(QString, events);
    LoadTracker tracker;
    tracker.setMainFrame(QStringLiteral("M"));
    tracker.navigationRequested();
    QString steps;
    for (const QJsonValue &event : QJsonDocument::fromJson("[" + events.toUtf8() + "]").array()) {
        const LoadTracker::Step step = tracker.onEvent(event[0].toString(), event[1].toObject());
        steps += step == LoadTracker::Step::Read ? QLatin1Char('R') : step == LoadTracker::Step::Failed ? QLatin1Char('F') : QLatin1Char('.');
    }
    QTEST(steps, "steps");
}

void TestDevTools::readingsBecomeTheModelsValues_data()
{
    QTest::addColumn<QString>("reading");     // as the page script returns it
    QTest::addColumn<bool>("read");           // a document with text
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<std::optional<PageFeatures>>("features");
    QTest::addColumn<PageShape>("shape");
    PageFeatures features;
    features.adsTop = 3;
    features.adsBottom = 2;
    features.featured = QStringLiteral("http://www.fonte.it/");
    features.aiOverview = true;
    features.aiCited = QStringList{"http://www.citata.it/a", "http://www.velmora.it/"};
    QTest::newRow("today's results, with what else the page shows")
        << "{\"text\":\"\",\"address\":\"http://g/search?q=x\",\"results\":[\"http://a/\",\"http://b/\"],"
           "\"titles\":[\"A\",\"B\"],\"pages\":[],\"features\":{\"adsTop\":3,\"adsBottom\":2,"
           "\"featured\":\"http://www.fonte.it/\",\"aiOverview\":true,"
           "\"aiCited\":[\"http://www.citata.it/a\",\"http://www.velmora.it/\"],\"questions\":false},\"shape\":null}"
        << true << QStringList{"http://a/", "http://b/"} << std::optional<PageFeatures>(features) << PageShape();
    PageShape consent;
    consent.dialog = true;
    consent.otherForms = QStringList{"http://g/save"};
    consent.links = QStringList{"http://g/privacy"};
    QTest::newRow("a page without results: its shape, no features")
        << "{\"text\":\"<body></body>\",\"address\":\"http://g/\",\"results\":[],\"titles\":[],\"pages\":[],"
           "\"features\":null,\"shape\":{\"searchForm\":false,\"resultsColumn\":false,\"otherForms\":[\"http://g/save\"],"
           "\"captcha\":false,\"dialog\":true,\"noResultsMessage\":false,\"links\":[\"http://g/privacy\"]}}"
        << true << QStringList{} << std::optional<PageFeatures>() << consent;
    QTest::newRow("members of the wrong type read as empty")
        << "{\"text\":\"t\",\"results\":\"http://a/\",\"features\":[1],\"shape\":{\"dialog\":\"yes\",\"links\":[3]}}"
        << true << QStringList{} << std::optional<PageFeatures>() << PageShape{false, false, {}, false, false, false, {""}};
    QTest::newRow("the script threw") << "null" << false << QStringList{} << std::optional<PageFeatures>() << PageShape();
    QTest::newRow("no text") << "{\"address\":\"http://g/\",\"results\":[\"http://a/\"]}" << false << QStringList{}
                             << std::optional<PageFeatures>() << PageShape();
}

void TestDevTools::readingsBecomeTheModelsValues()
{
    QFETCH(QString, reading);
    QFETCH(bool, read);
    const QJsonValue value = QJsonDocument::fromJson("[" + reading.toUtf8() + "]").array().at(0);
    const std::optional<ReadingDecoder::ReadPage> decoded = ReadingDecoder::decode(value);
    QCOMPARE(decoded.has_value(), read);
    if (!decoded)
        return;
    QTEST(decoded->links.results, "results");
    QCOMPARE(decoded->links.titles.size(), decoded->links.results.size());
    QTEST(decoded->links.features, "features");
    QTEST(decoded->links.shape, "shape");
}

void TestDevTools::inputBecomesProtocolEvents_data()
{
    QTest::addColumn<QJsonObject>("event");
    QTest::addColumn<QJsonObject>("expected");
    using InputEvents::MouseAction;
    QTest::newRow("left press") << InputEvents::mouse(MouseAction::Press, {300, 150.5}, Qt::LeftButton, Qt::LeftButton, {}, 1)
                                << json("{\"type\":\"mousePressed\",\"x\":300,\"y\":150.5,\"button\":\"left\",\"buttons\":1,"
                                        "\"clickCount\":1,\"modifiers\":0}");
    QTest::newRow("right release with Shift")
        << InputEvents::mouse(MouseAction::Release, {1, 2}, Qt::RightButton, {}, Qt::ShiftModifier, 1)
        << json("{\"type\":\"mouseReleased\",\"x\":1,\"y\":2,\"button\":\"right\",\"buttons\":0,\"clickCount\":1,\"modifiers\":8}");
    QTest::newRow("drag") << InputEvents::mouse(MouseAction::Move, {5, 6}, Qt::NoButton, Qt::LeftButton, {}, 0)
                          << json("{\"type\":\"mouseMoved\",\"x\":5,\"y\":6,\"button\":\"none\",\"buttons\":1,\"modifiers\":0}");
    QTest::newRow("double click") << InputEvents::mouse(MouseAction::Press, {5, 6}, Qt::LeftButton, Qt::LeftButton, {}, 2)
                                  << json("{\"type\":\"mousePressed\",\"x\":5,\"y\":6,\"button\":\"left\",\"buttons\":1,"
                                          "\"clickCount\":2,\"modifiers\":0}");
    QTest::newRow("a finger put down") << InputEvents::touch(MouseAction::Press, {300, 150.5}, {})
                                       << json("{\"type\":\"touchStart\",\"touchPoints\":[{\"x\":300,\"y\":150.5}],\"modifiers\":0}");
    QTest::newRow("a finger lifted is no point") << InputEvents::touch(MouseAction::Release, {300, 150}, {})
                                                 << json("{\"type\":\"touchEnd\",\"touchPoints\":[],\"modifiers\":0}");
    QTest::newRow("wheel towards the user") << InputEvents::wheel({10, 20}, {0, -120}, Qt::ControlModifier)
                                            << json("{\"type\":\"mouseWheel\",\"x\":10,\"y\":20,\"button\":\"none\",\"deltaX\":0,"
                                                    "\"deltaY\":100,\"modifiers\":2}");
    QTest::newRow("a letter") << InputEvents::key(true, Qt::Key_A, "a", {}, false)
                              << json("{\"type\":\"keyDown\",\"key\":\"a\",\"code\":\"KeyA\",\"windowsVirtualKeyCode\":65,"
                                      "\"text\":\"a\",\"modifiers\":0}");
    QTest::newRow("a capital, let go") << InputEvents::key(false, Qt::Key_A, "A", Qt::ShiftModifier, false)
                                       << json("{\"type\":\"keyUp\",\"key\":\"A\",\"code\":\"KeyA\",\"windowsVirtualKeyCode\":65,"
                                               "\"modifiers\":8}");
    QTest::newRow("an accented letter") << InputEvents::key(true, Qt::Key_Egrave, QStringLiteral("è"), {}, false)
                                        << json("{\"type\":\"keyDown\",\"key\":\"è\",\"text\":\"è\",\"modifiers\":0}");
    QTest::newRow("a digit held down") << InputEvents::key(true, Qt::Key_7, "7", {}, true)
                                       << json("{\"type\":\"keyDown\",\"key\":\"7\",\"code\":\"Digit7\","
                                               "\"windowsVirtualKeyCode\":55,\"text\":\"7\",\"autoRepeat\":true,\"modifiers\":0}");
    QTest::newRow("Enter types a return") << InputEvents::key(true, Qt::Key_Return, "\r", {}, false)
                                          << json("{\"type\":\"keyDown\",\"key\":\"Enter\",\"code\":\"Enter\","
                                                  "\"windowsVirtualKeyCode\":13,\"text\":\"\\r\",\"modifiers\":0}");
    QTest::newRow("Backspace types nothing") << InputEvents::key(true, Qt::Key_Backspace, "\b", {}, false)
                                             << json("{\"type\":\"rawKeyDown\",\"key\":\"Backspace\",\"code\":\"Backspace\","
                                                     "\"windowsVirtualKeyCode\":8,\"modifiers\":0}");
    QTest::newRow("Ctrl+A is a shortcut") << InputEvents::key(true, Qt::Key_A, "\x01", Qt::ControlModifier, false)
                                          << json("{\"type\":\"rawKeyDown\",\"key\":\"\\u0001\",\"code\":\"KeyA\","
                                                  "\"windowsVirtualKeyCode\":65,\"modifiers\":2}");
    QTest::newRow("space") << InputEvents::key(true, Qt::Key_Space, " ", {}, false)
                           << json("{\"type\":\"keyDown\",\"key\":\" \",\"code\":\"Space\",\"windowsVirtualKeyCode\":32,"
                                   "\"text\":\" \",\"modifiers\":0}");
}

void TestDevTools::inputBecomesProtocolEvents()
{
    QFETCH(QJsonObject, event);
    QFETCH(QJsonObject, expected);
    QCOMPARE(QJsonDocument(event).toJson(QJsonDocument::Compact), QJsonDocument(expected).toJson(QJsonDocument::Compact));
}

void TestDevTools::browserIsFound_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("onPath");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("found");
    QTest::newRow("the one chosen") << "/opt/x/chrome" << QStringList{"chromium"} << QStringList{"/opt/x/chrome"} << "/opt/x/chrome";
    QTest::newRow("the one chosen is missing: no other") << "/opt/x/chrome" << QStringList{"chromium"} << QStringList{} << "";
    QTest::newRow("chromium before chrome") << "" << QStringList{"google-chrome", "chromium"} << QStringList{} << "/bin/chromium";
    QTest::newRow("chrome alone") << "" << QStringList{"google-chrome-stable"} << QStringList{} << "/bin/google-chrome-stable";
    QTest::newRow("a fixed place") << "" << QStringList{} << QStringList{ChromiumLocator::fixedPlaces().constLast()}
                                   << ChromiumLocator::fixedPlaces().constLast();
    QTest::newRow("none") << "" << QStringList{} << QStringList{} << "";
}

void TestDevTools::browserIsFound()
{
    QFETCH(QString, chosen);
    QFETCH(QStringList, onPath);
    QFETCH(QStringList, existing);
    const QString found = ChromiumLocator::find(
        chosen, [&](const QString &name) { return onPath.contains(name) ? QStringLiteral("/bin/") + name : QString(); },
        [&](const QString &path) { return existing.contains(path); });
    QTEST(found, "found");
}

void TestDevTools::profileInUse_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<bool>("inUse");
    const QString host = QSysInfo::machineHostName();
    QTest::newRow("a live browser here") << host + QStringLiteral("-%1").arg(QCoreApplication::applicationPid()) << true;
    QTest::newRow("a browser that died") << host + QStringLiteral("-999999999") << false;
    QTest::newRow("another machine's") << QStringLiteral("altro-%1").arg(QCoreApplication::applicationPid()) << false;
    QTest::newRow("no lock") << QString() << false;
}

void TestDevTools::profileInUse()
{
    QFETCH(QString, lock);
    QTemporaryDir folder;
    if (!lock.isEmpty())
        QVERIFY(QFile::link(lock, folder.filePath(QStringLiteral("SingletonLock"))));
    QTEST(ProfileFolder::inUse(folder.path()), "inUse");
}

void TestDevTools::profileCopyLeavesLocksAndCaches()
{
    QTemporaryDir from;
    QTemporaryDir to;
    const QStringList files{"Local State", "Default/Cookies", "Default/Preferences", "Default/Cache/Cache_Data/data_0",
                            "Default/Code Cache/js/index", "SingletonSocket"};
    for (const QString &name : files) {
        QDir().mkpath(QFileInfo(from.filePath(name)).path());
        QFile file(from.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name.toUtf8());
    }
    QVERIFY(QFile::link(QStringLiteral("host-1"), from.filePath(QStringLiteral("SingletonLock"))));
    QVERIFY(ProfileFolder::copyProfile(from.path(), to.path()));
    QStringList copied;
    for (const QString &name : files + QStringList{"SingletonLock"}) {
        if (QFileInfo::exists(to.filePath(name)))
            copied << name;
    }
    QCOMPARE(copied, (QStringList{"Local State", "Default/Cookies", "Default/Preferences"}));
}

void TestDevTools::profileIsTakenByOneProgramAtATime()
{
    // Two programs choosing before either browser has locked the profile:
    // the second takes a copy, and the profile is free again once the first
    // has gone.
    QTemporaryDir data;
    const QString profile = data.filePath(QStringLiteral("Chromium"));
    auto first = std::make_unique<ProfileFolder>(profile);
    QCOMPARE(first->acquire(), profile);
    QCOMPARE(first->acquire(), profile);   // its browser started again
    {
        ProfileFolder second(profile);
        const QString copy = second.acquire();
        QVERIFY(copy != profile && QFileInfo(copy).isDir());
        QCOMPARE(second.acquire(), copy);
    }
    first.reset();
    QCOMPARE(ProfileFolder(profile).acquire(), profile);
    // A program that lets its browser go lets the profile go a moment after:
    // one starting in between waits for it, rather than take a copy.
    auto leaving = std::make_unique<ProfileFolder>(profile);
    QCOMPARE(leaving->acquire(), profile);
    std::thread letGo([&leaving] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ProfileFolder::kMomentBetweenBrowsersMilliseconds / 5));
        leaving->release();
    });
    const QString taken = ProfileFolder(profile).acquire();
    letGo.join();
    QCOMPARE(taken, profile);
    leaving.reset();
    // A lock left by a program that died is taken over.
    QFile stale(profile + QStringLiteral(".lock"));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("999999999\ncerca-posizione\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();
    QCOMPARE(ProfileFolder(profile).acquire(), profile);
}

QTEST_GUILESS_MAIN(TestDevTools)
#include "tst_devtools.moc"
