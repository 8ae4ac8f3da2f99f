#include "search/faultnotes.h"
#include "search/listsession.h"
#include "search/notes.h"
#include "store/archive.h"
#include "store/sharedphrases.h"
#include "store/archivewriter.h"
#include "store/datafolder.h"
#include "store/textfile.h"
#include "fakerun.h"
#include "pgserver.h"
#include "watchdog.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

// A list as the window and the command line run it: over a search run on a
// browser that completes its pages on demand, with the files of a data folder
// of its own.
class TestListSession : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void resumeAsksOnlyWhatIsLeft_data();
    void resumeAsksOnlyWhatIsLeft();
    void outcomesGoToTheLogAndSayWhatIsUnchecked_data();
    void outcomesGoToTheLogAndSayWhatIsUnchecked();
    void refusedBeforeAnyPage_data();
    void refusedBeforeAnyPage();
    void faultsAreSaidOnce_data();
    void faultsAreSaidOnce();
    void aWindowSaysTheRunsFaultsItself_data();
    void aWindowSaysTheRunsFaultsItself();
    void settledOnceTheLastPictureIsKept();
    void withoutAWindowAPageThatAsksIsWaitedOut_data();
    void withoutAWindowAPageThatAsksIsWaitedOut();
    void cookiesWrittenMeanwhileEndTheWait();
    void sharedPhraseGoesBackWhenNobodyCanAnswer_data();
    void sharedPhraseGoesBackWhenNobodyCanAnswer();

private:
    ListPlan planOf(const QStringList &phrases) const;
    // Answers each page the list asks with `page` ("hit": velmora third,
    // "fail": no page; the first ones with `first`, where "ask" is a consent
    // page) until the list finishes; the phrases asked, in order.
    QStringList answerAll(ListSession &list, const QString &page, QStringList first = {});
    // The page of `phrase` asks: a consent page.
    void ask(const QString &phrase)
    {
        m_page->complete(QStringLiteral("<body>%1</body>").arg(QString(200, QLatin1Char('x'))), shaped(true, phrase));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PgServer> m_server;   // started for the first test that needs it
    std::unique_ptr<FakeBrowser> m_page;
    std::unique_ptr<SearchRun> m_run;
};

namespace {

QString phraseAsked(const QString &address)
{
    return QUrlQuery(QUrl(address).query()).queryItemValue(QStringLiteral("q"));
}

ArchiveFault faultOf(const QString &kind)
{
    ArchiveFault fault;
    fault.archive = QStringLiteral("/dati/Archivio.sqlite");
    fault.reason = QStringLiteral("disk I/O error");
    if (kind == QLatin1String("set aside")) {
        fault.kind = ArchiveFault::Kind::SetAside;
        fault.setAsideAs = QStringLiteral("/dati/Archivio-danneggiato.sqlite");
    } else if (kind == QLatin1String("server")) {
        fault.archive = QStringLiteral("postgresql://cerca@server/archivio");
        fault.server = true;
    }
    return fault;
}

} // namespace

void TestListSession::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_page = std::make_unique<FakeBrowser>();
    m_run = std::make_unique<SearchRun>(m_page.get(), fakeRunOptions(m_dir->path()));
}

void TestListSession::cleanup()
{
    m_run.reset();
    m_page.reset();
}

ListPlan TestListSession::planOf(const QStringList &phrases) const
{
    ListPlan plan = ListPlan::inFolder(DataFolder(m_dir->path()), m_dir->filePath(QStringLiteral("Archivio.sqlite")),
                                       QStringLiteral("/"));
    plan.phrases = phrases;
    plan.inputs.fragment = QStringLiteral("velmora");
    plan.inputs.pageLimit = QStringLiteral("1");
    plan.pauseMilliseconds = 1;
    plan.minimumPauseMilliseconds = 1;
    return plan;
}

QStringList TestListSession::answerAll(ListSession &list, const QString &page, QStringList first)
{
    QSignalSpy finished(&list, &ListSession::finished);
    QStringList asked;
    qsizetype answered = 0;
    while (finished.isEmpty()) {
        if (!QTest::qWaitFor([&] { return !finished.isEmpty() || m_page->navigations.size() > answered; }))
            break;
        if (m_page->navigations.size() == answered)
            continue;
        const QString address = m_page->navigations.at(answered++);
        if (address == QLatin1String("about:blank"))
            continue;
        asked.append(phraseAsked(address));
        const QString answer = first.isEmpty() ? page : first.takeFirst();
        if (answer == QLatin1String("ask"))
            ask(asked.constLast());
        else
            m_page->complete(answer == QLatin1String("fail") ? std::nullopt : std::optional<QString>(classicPage(1, 3)));
    }
    return asked;
}

void TestListSession::resumeAsksOnlyWhatIsLeft_data()
{
    // An earlier round of the list {uno, due, tre}, from a computer in Italy,
    // checked "uno" and stopped.
    QTest::addColumn<QStringList>("phrases");
    QTest::addColumn<bool>("phone");
    QTest::addColumn<bool>("resume");
    QTest::addColumn<int>("checkedBefore");
    QTest::addColumn<QStringList>("asked");
    const QStringList list{"uno", "due", "tre"};
    QTest::newRow("a resume asks only what is left") << list << false << true << 1 << QStringList{"due", "tre"};
    QTest::newRow("a new round asks every phrase") << list << false << false << 1 << list;
    QTest::newRow("other phrases are another list") << QStringList{"uno", "due"} << false << true << 0
                                                    << QStringList{"uno", "due"};
    QTest::newRow("a phone is another list") << list << true << true << 0 << list;
}

void TestListSession::resumeAsksOnlyWhatIsLeft()
{
    QFETCH(QStringList, phrases);
    QFETCH(bool, phone);
    QFETCH(bool, resume);
    QFETCH(QStringList, asked);
    ListPlan earlier = planOf({"uno", "due", "tre"});
    ListProgress(earlier.progressFile, earlier.phrases, earlier.inputs.fragment, earlier.inputs.pageLimit, false)
        .markChecked(QStringLiteral("uno"));
    ListPlan plan = planOf(phrases);
    if (phone)
        plan.inputs.place.device = Device::Smartphone;
    plan.resume = resume;
    QTEST(ListSession::checkedBefore(plan), "checkedBefore");
    ListSession list(plan);
    QVERIFY(!list.open());
    list.start(m_run.get());
    QCOMPARE(answerAll(list, QStringLiteral("hit")), asked);
    QCOMPARE(list.outcomes().size(), asked.size());
    // Every phrase checked: nothing is left to resume, of this list or of the earlier one.
    QCOMPARE(ListSession::checkedBefore(plan), 0);
    QCOMPARE(ListSession::checkedBefore(earlier), phone || phrases != earlier.phrases ? 1 : 0);
}

void TestListSession::outcomesGoToTheLogAndSayWhatIsUnchecked_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("logWritable");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("notes");
    QTest::addColumn<bool>("unchecked");
    QTest::newRow("measured: a line each") << "hit" << true << 2 << 0 << false;
    QTest::newRow("pages not loaded: no line, unchecked") << "fail" << true << 0 << 0 << true;
    QTest::newRow("a log that cannot be written: said each time") << "hit" << false << 0 << 2 << false;
}

void TestListSession::outcomesGoToTheLogAndSayWhatIsUnchecked()
{
    QFETCH(QString, page);
    QFETCH(bool, logWritable);
    QFETCH(int, lines);
    QFETCH(int, notes);
    const ListPlan plan = planOf({"uno", "due"});
    if (!logWritable)
        QVERIFY(QDir().mkpath(plan.resultLog));
    ListSession list(plan);
    QSignalSpy said(&list, &ListSession::note);
    QVERIFY(!list.open());
    list.start(m_run.get());
    // A page that fails in a list is asked once more: each phrase asks twice.
    QCOMPARE(answerAll(list, page).size(), page == QLatin1String("fail") ? 4 : 2);
    QCOMPARE(TextFile::readLines(plan.resultLog).value_or(QStringList()).size(), lines);
    QCOMPARE(said.size(), notes);
    if (notes > 0)
        QCOMPARE(said.constFirst().constFirst().toString(), Notes::resultNotSaved(plan.resultLog));
    QTEST(list.anyUnchecked(), "unchecked");
    QCOMPARE(list.outcomes().constLast().phrase, QStringLiteral("due"));
}

void TestListSession::refusedBeforeAnyPage_data()
{
    QTest::addColumn<QString>("archive");   // empty: the data folder's file
    QTest::addColumn<QString>("shared");
    QTest::addColumn<int>("refusal");       // -1: none
    QTest::newRow("a list of this computer alone") << "" << "" << -1;
    QTest::newRow("a shared list on this computer's archive") << "" << "settimana"
                                                              << int(ListSession::Refusal::Kind::NotShared);
    QTest::newRow("a shared archive that does not answer") << "postgresql://cerca@127.0.0.1:1/nessuno" << "settimana"
                                                           << int(ListSession::Refusal::Kind::Unreachable);
}

void TestListSession::refusedBeforeAnyPage()
{
    QFETCH(QString, archive);
    QFETCH(QString, shared);
    QFETCH(int, refusal);
    ListPlan plan = planOf({"uno"});
    if (!archive.isEmpty())
        plan.archive = archive;
    plan.sharedName = shared;
    ListSession list(plan);
    const std::optional<ListSession::Refusal> refused = list.open();
    QCOMPARE(refused ? int(refused->kind) : -1, refusal);
    if (refused) {
        QCOMPARE(refused->archive, Archive::displayName(plan.archive));
        QCOMPARE(refused->problem.isEmpty(), refused->kind == ListSession::Refusal::Kind::NotShared);
    }
    QVERIFY(m_page->navigations.isEmpty());
    QVERIFY(!list.running());
}

void TestListSession::faultsAreSaidOnce_data()
{
    QTest::addColumn<QStringList>("faults");   // "write", "server", "set aside" or "picture"
    QTest::addColumn<QStringList>("said");
    QTest::newRow("writing, once for good") << QStringList{"write", "write", "server"} << QStringList{"write"};
    QTest::newRow("a set-aside archive, each time") << QStringList{"set aside", "write", "set aside", "write"}
                                                    << QStringList{"set aside", "write", "set aside"};
    QTest::newRow("a picture, once") << QStringList{"picture", "write", "picture"} << QStringList{"picture", "write"};
    QTest::newRow("a shared archive away") << QStringList{"server", "write"} << QStringList{"server"};
}

void TestListSession::faultsAreSaidOnce()
{
    QFETCH(QStringList, faults);
    QFETCH(QStringList, said);
    FaultNotes notes;
    QStringList expected;
    for (const QString &kind : said)
        expected.append(kind == QLatin1String("picture") ? Notes::pictureNotKept(QStringLiteral("disco pieno"))
                                                         : Notes::archiveFault(faultOf(kind)));
    QStringList spoken;
    for (const QString &kind : faults) {
        const std::optional<QString> text = kind == QLatin1String("picture") ? notes.ofPicture(QStringLiteral("disco pieno"))
                                                                             : notes.ofArchive(faultOf(kind));
        if (text)
            spoken.append(*text);
    }
    QCOMPARE(spoken, expected);
}

void TestListSession::aWindowSaysTheRunsFaultsItself_data()
{
    QTest::addColumn<bool>("inWindow");
    QTest::addColumn<int>("notes");
    QTest::newRow("without a window the list says them") << false << 2;
    QTest::newRow("in the window, the window does") << true << 0;
}

void TestListSession::aWindowSaysTheRunsFaultsItself()
{
    QFETCH(bool, inWindow);
    ListPlan plan = planOf({"uno"});
    plan.inWindow = inWindow;
    ListSession list(plan);
    QSignalSpy said(&list, &ListSession::note);
    QVERIFY(!list.open());
    list.start(m_run.get());
    for (int i = 0; i < 2; ++i) {
        emit m_run->archiveFault(faultOf(QStringLiteral("write")));
        emit m_run->pictureNotKept(QStringLiteral("disco pieno"));
    }
    QTEST(int(said.size()), "notes");
    list.stop();
}

void TestListSession::settledOnceTheLastPictureIsKept()
{
    // A browser whose picture comes when the test says.
    class SlowPictures : public FakeBrowser
    {
    public:
        std::function<void(const PagePicture &)> pending;
        void capturePicture(const QStringList &, std::function<void(const PagePicture &)> done) override { pending = done; }
    } page;
    SearchRunOptions options = fakeRunOptions(m_dir->path());
    options.pictures = m_dir->filePath(QStringLiteral("Pagine viste"));
    SearchRun run(&page, options);
    ListSession list(planOf({"uno"}));
    QSignalSpy finished(&list, &ListSession::finished);
    QSignalSpy settled(&list, &ListSession::settled);
    QVERIFY(!list.open());
    list.start(&run);
    page.complete(classicPage(1, 3));
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(page.pending);
    QTest::qWait(20);
    QCOMPARE(settled.size(), 0);
    page.pending(PagePicture{QByteArray("jpeg"), QRect(0, 100, 600, 60), QSize(1366, 920)});
    QCOMPARE(settled.size(), 1);
    QCOMPARE(QDir(options.pictures).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"uno"});
}

void TestListSession::withoutAWindowAPageThatAsksIsWaitedOut_data()
{
    QTest::addColumn<bool>("inWindow");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QStringList>("first");      // the first pages' answers
    QTest::addColumn<QStringList>("asked");      // the phrases asked
    QTest::addColumn<int>("coolDowns");
    QTest::addColumn<bool>("ended");             // the list ends on a page that asks
    QTest::newRow("asked again after the wait, the list goes on")
        << false << qint64(1000) << QStringList{"ask", "ask"} << QStringList{"uno", "uno", "uno", "due"} << 2 << false;
    QTest::newRow("the waits spent: the list ends")
        << false << qint64(30) << QStringList{"ask", "ask", "ask"} << QStringList{"uno", "uno", "uno"} << 2 << true;
    QTest::newRow("no waits allowed: the list ends at once")
        << false << qint64(0) << QStringList{"ask"} << QStringList{"uno"} << 0 << true;
    QTest::newRow("a window: the user answers there") << true << qint64(1000) << QStringList{"ask"} << QStringList{"uno"} << 0 << false;
}

void TestListSession::withoutAWindowAPageThatAsksIsWaitedOut()
{
    QFETCH(bool, inWindow);
    QFETCH(qint64, total);
    QFETCH(QStringList, first);
    QFETCH(int, coolDowns);
    QFETCH(bool, ended);
    ListPlan plan = planOf({"uno", "due"});
    plan.inWindow = inWindow;
    plan.coolDownMilliseconds = 20;
    plan.coolDownTotalMilliseconds = total;
    ListSession list(plan);
    QSignalSpy coolingDown(&list, &ListSession::coolingDown);
    QSignalSpy askingAgain(&list, &ListSession::askingAgain);
    QSignalSpy needsUser(&list, &ListSession::needsUser);
    // The program ends a list whose page asks, without a window.
    connect(&list, &ListSession::needsUser, &list, [&] {
        if (!inWindow) {
            list.stop();
            m_run->stop();
        }
    });
    QVERIFY(!list.open());
    list.start(m_run.get());
    if (inWindow) {
        ask(QStringLiteral("uno"));
        QTest::qWait(50);
        QCOMPARE(m_run->state(), SearchRun::State::WaitingForUser);
        QCOMPARE(m_page->navigations.size(), 1);
        m_run->abandon();
    } else {
        QTEST(answerAll(list, QStringLiteral("hit"), first), "asked");
    }
    QCOMPARE(coolingDown.size(), coolDowns);
    QCOMPARE(askingAgain.size(), coolDowns);
    // The browser is let go at each wait, so that another program can take its profile.
    QCOMPARE(m_page->letGoes, coolDowns);
    QCOMPARE(needsUser.size(), ended || inWindow ? 1 : 0);
    // A phrase waited out has one outcome.
    if (!ended && !inWindow)
        QCOMPARE(list.outcomes().size(), 2);
}

// A window that answers the check page while the list waits writes the
// profile's cookies: the list asks again then, not at its time.
void TestListSession::cookiesWrittenMeanwhileEndTheWait()
{
    ListPlan plan = planOf({"uno"});
    plan.coolDownMilliseconds = 600000;
    plan.cookieFile = m_dir->filePath(QStringLiteral("Cookies"));
    QFile cookies(plan.cookieFile);
    QVERIFY(cookies.open(QIODevice::WriteOnly) && cookies.write("prima") == 5);
    cookies.close();
    ListSession list(plan);
    QSignalSpy coolingDown(&list, &ListSession::coolingDown);
    QSignalSpy askingAgain(&list, &ListSession::askingAgain);
    QVERIFY(!list.open());
    list.start(m_run.get());
    ask(QStringLiteral("uno"));
    QCOMPARE(coolingDown.size(), 1);
    QTest::qWait(100);
    QCOMPARE(askingAgain.size(), 0);
    QVERIFY(cookies.open(QIODevice::Append) && cookies.write(" e dopo") == 7);
    cookies.close();
    QTRY_COMPARE_WITH_TIMEOUT(askingAgain.size(), 1, 5000);
    // The same phrase asked again, and measured.
    QSignalSpy finished(&list, &ListSession::finished);
    QCOMPARE(m_page->navigations.size(), 2);
    QCOMPARE(phraseAsked(m_page->navigations.constLast()), QStringLiteral("uno"));
    m_page->complete(classicPage(1, 3));
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(list.outcomes().size(), 1);
}

void TestListSession::sharedPhraseGoesBackWhenNobodyCanAnswer_data()
{
    QTest::addColumn<bool>("inWindow");
    QTest::addColumn<bool>("held");
    QTest::newRow("without a window it goes back") << false << false;
    QTest::newRow("in the window a person answers it") << true << true;
}

void TestListSession::sharedPhraseGoesBackWhenNobodyCanAnswer()
{
    QFETCH(bool, inWindow);
    QFETCH(bool, held);
    if (!m_server) {
        m_server = std::make_unique<PgServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->problem()));
    }
    qputenv("PGPASSFILE", m_server->passFile().toLocal8Bit());
    ListPlan plan = planOf({"uno", "due"});
    plan.archive = m_server->address();
    plan.sharedName = QString::fromUtf8(QTest::currentDataTag());
    plan.inWindow = inWindow;
    {
        ListSession list(plan);
        QSignalSpy needsUser(&list, &ListSession::needsUser);
        // Without a window the machine cools down, the phrase given back at once.
        QSignalSpy coolingDown(&list, &ListSession::coolingDown);
        QVERIFY(!list.open());
        list.start(m_run.get());
        QCOMPARE(m_page->navigations.size(), 1);
        ask(QStringLiteral("uno"));
        QSignalSpy &said = inWindow ? needsUser : coolingDown;
        QCOMPARE(needsUser.size() + coolingDown.size(), 1);
        QCOMPARE(said.size(), 1);
        QCOMPARE(said.constFirst().at(1).toString(), QStringLiteral("uno"));
        Archive archive(m_server->address());
        const Result<void> opened = archive.open();
        QVERIFY2(opened, qPrintable(opened.error()));
        const Result<QList<SharedPhrases::State>> states = SharedPhrases(archive).states(plan.sharedName);
        QVERIFY(states && states->size() == 2);
        QCOMPARE(!states->constFirst().holder.isEmpty(), held);
        QCOMPARE(states->constFirst().outcome, held ? QString() : QStringLiteral("in attesa di una risposta"));
        QVERIFY(!states->constFirst().done);
        m_run->abandon();
    }
    qunsetenv("PGPASSFILE");
}

CERCA_WATCHED_GUILESS_TEST_MAIN(TestListSession)

#include "tst_listsession.moc"
