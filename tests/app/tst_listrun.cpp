#include "app/form1.h"
#include "app/listrun.h"
#include "app/listwindow.h"
#include "fakes.h"
#include "store/textfile.h"
#include "watchdog.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

// A list of phrases run by the sequencer in the main window, against a
// browser that answers as the test says.
class TestListRun : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyPhraseRunsInOrderAndIsSaved();
    void stopEndsTheListAfterTheCurrentRun();
    void aPageThatNeedsTheUser();
    void theListWindowShowsWhereItIs();
    void phrasesOfAText();

private:
    // Answers the pending navigation with a results page; `hit` puts velmora at that position.
    void answer(int hit = 0, int results = 10);
    QStringList logLines() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeBrowser> m_browser;
    RecordingDesktop m_desktop;
    std::unique_ptr<Form1> m_form;
};

void TestListRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_browser = std::make_unique<FakeBrowser>();
    Form1Options options;
    options.dataFolder = DataFolder(m_dir->path());
    options.host = QStringLiteral("h");
    options.timer1Interval = 10;
    options.listMillisecondsPerSecond = 1;
    options.dateSeparator = QStringLiteral("/");
    m_form = std::make_unique<Form1>(m_browser.get(), &m_desktop, options);
    m_form->setRunInputs(QStringLiteral("velmora"), QStringLiteral("1"), false);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestListRun::cleanup()
{
    m_form.reset();
    m_browser.reset();
}

void TestListRun::answer(int hit, int results)
{
    QString text = QStringLiteral("<head><title>r</title></head><body><div id=res>");
    for (int i = 1; i <= results; ++i) {
        const QString address = i == hit ? QStringLiteral("http://www.velmora.it/%1").arg(i)
                                         : QStringLiteral("http://www.sito%1.it/").arg(i);
        text += QStringLiteral("<li class=g><h3 class=r><a href=\"%1\">t</a></h3></li>").arg(address);
    }
    m_browser->complete(text + QStringLiteral("</div></body>"));
}

QStringList TestListRun::logLines() const
{
    return TextFile::readLines(m_dir->filePath(QStringLiteral("Risultato.txt"))).value_or(QStringList());
}

void TestListRun::everyPhraseRunsInOrderAndIsSaved()
{
    ListRun list(m_form.get(), {"uno", "due", "tre"}, 5);
    QSignalSpy ended(&list, &ListRun::phraseEnded);
    QSignalSpy finished(&list, &ListRun::finished);
    list.start();
    QCOMPARE(m_browser->navigations, QStringList{"http://h/search?q=uno"});
    answer(4);
    QTRY_COMPARE(m_browser->navigations.size(), 2);
    QCOMPARE(m_browser->navigations[1], QStringLiteral("http://h/search?q=due"));
    answer(0);   // not found within the one page
    QTRY_COMPARE(m_browser->navigations.size(), 3);
    answer(10);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(ended.size(), 3);
    QCOMPARE(list.outcomes()[0].line(), QStringLiteral("uno: posizione 4 (http://www.velmora.it/4)"));
    QCOMPARE(list.outcomes()[1].line(), QStringLiteral("due: non trovato entro 10"));
    QCOMPARE(list.outcomes()[2].position, qint64(10));
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(QStringLiteral("uno - (http://www.velmora.it/4) < ")));
    QVERIFY(lines[1].startsWith(QStringLiteral("due < ")));
    // Each phrase went into the history as a typed one would.
    QVERIFY(m_form->phraseHistory().contains(QStringLiteral("tre")));
}

void TestListRun::stopEndsTheListAfterTheCurrentRun()
{
    ListRun list(m_form.get(), {"uno", "due", "tre"}, 5);
    QSignalSpy finished(&list, &ListRun::finished);
    list.start();
    list.stop();
    QCOMPARE(finished.size(), 0);   // the current run goes on
    answer(2);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(m_browser->navigations.size(), 1);
    QCOMPARE(logLines().size(), 1);   // its outcome saved
}

void TestListRun::aPageThatNeedsTheUser()
{
    ListRun list(m_form.get(), {"uno", "due"}, 5);
    QSignalSpy needs(&list, &ListRun::needsUser);
    list.start();
    m_browser->complete(QStringLiteral("<body><h1>Prima di continuare su Google</h1>%1</body>").arg(QString(200, QLatin1Char('x'))));
    QCOMPARE(needs.size(), 1);
    QCOMPARE(needs[0][1].toString(), QStringLiteral("uno"));
    // Answered in the page: the results follow and the list goes on.
    answer(3);
    QTRY_COMPARE(m_browser->navigations.size(), 2);
    QCOMPARE(list.outcomes()[0].position, qint64(3));
    // The main window's "Arresta" while the page waits ends that run, unsaved.
    m_browser->complete(QStringLiteral("<body><h1>traffico insolito</h1>%1</body>").arg(QString(200, QLatin1Char('x'))));
    m_form->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QTRY_VERIFY(!list.running());
    QCOMPARE(list.outcomes().size(), 2);
    QVERIFY(!list.outcomes()[1].answered);
    QCOMPARE(logLines().size(), 1);
}

void TestListRun::theListWindowShowsWhereItIs()
{
    m_form->findChild<QAction *>(QStringLiteral("ElencoFrasi"))->trigger();
    auto *window = m_form->findChild<ListWindow *>(QStringLiteral("ElencoFrasi"));
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("Cerca un elenco di frasi"));
    window->setPhrases({"uno", "", "due", "uno"});
    window->findChild<QPushButton *>(QStringLiteral("AvviaElenco"))->click();
    auto *where = window->findChild<QLabel *>(QStringLiteral("Dove"));
    QCOMPARE(where->text(), QStringLiteral("Frase 1 di 2: uno"));
    QCOMPARE(window->findChild<QPushButton *>(QStringLiteral("AvviaElenco"))->text(), QStringLiteral("Arresta"));
    answer(1);
    QTRY_COMPARE(where->text(), QStringLiteral("Frase 2 di 2: due"));
    QCOMPARE(window->findChild<QProgressBar *>(QStringLiteral("Avanzamento"))->value(), 1);
    answer(0);
    auto *outcomes = window->findChild<QTableWidget *>(QStringLiteral("Esiti"));
    QTRY_VERIFY(outcomes->isVisible());
    QCOMPARE(outcomes->rowCount(), 2);
    QCOMPARE(outcomes->item(1, 1)->text(), QStringLiteral("non trovato entro 10"));
    QVERIFY(window->findChild<QPushButton *>(QStringLiteral("VaiAndamento"))->isVisible());
    QCOMPARE(where->text(), QStringLiteral("Elenco finito: 2 di 2 frasi cercate."));
}

void TestListRun::phrasesOfAText()
{
    QCOMPARE(ListRun::phrasesOf({"  bimby ", "", "ricette", "bimby", "\t"}), (QStringList{"bimby", "ricette"}));
}

CERCA_WATCHED_TEST_MAIN(TestListRun)
#include "tst_listrun.moc"
