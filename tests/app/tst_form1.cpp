#include "app/form1.h"
#include "app/controls.h"
#include "app/horizontalextent.h"
#include "app/listbox.h"
#include "app/listwindow.h"
#include "search/listrun.h"
#include "store/archive.h"
#include "store/runarchive.h"
#include "store/sharedphrases.h"
#include "store/listprogress.h"
#include "store/outcomes.h"
#include "store/searchoptionsfile.h"
#include "store/textfile.h"
#include "badbytes.h"
#include "fakes.h"
#include "pgserver.h"
#include "watchdog.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QChartView>
#include <QDialog>
#include <QImage>
#include <QListWidget>
#include <QProgressBar>
#include <QScatterSeries>
#include <QTableView>
#include <QTableWidget>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QFileInfo>
#include <QScrollArea>
#include <QPainter>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QString page(const QStringList &addresses)
{
    QString text = QStringLiteral("<head><title>risultati</title><style>a{color:blue}</style></head><body><div id=res>");
    for (const QString &a : addresses)
        text += QStringLiteral("<li class=g><h3 class=r><a href=\"%1\">titolo</a></h3></li>").arg(a);
    return text + QStringLiteral("</div></body>");
}

QStringList sites(int first, int count)
{
    QStringList list;
    for (int i = first; i < first + count; ++i)
        list.append(QStringLiteral("http://www.sito%1.it/").arg(i));
    return list;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Child widgets from front to back.
QStringList stackOf(const QWidget *parent)
{
    QStringList stack;
    for (QObject *child : parent->children()) {
        if (child->isWidgetType())
            stack.prepend(child->objectName());
    }
    return stack;
}

// The layout requests and resizes that reach a list and its viewport in
// 200 ms of idle event loop, once what was pending has run: none, for a list
// whose scroll bars have settled.
int layoutEventsWhenIdle(QAbstractScrollArea *area)
{
    struct Counter : QObject {
        int count = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            count += event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize;
            return false;
        }
    } counter;
    QTest::qWait(50);
    area->installEventFilter(&counter);
    area->viewport()->installEventFilter(&counter);
    QTest::qWait(200);
    area->removeEventFilter(&counter);
    area->viewport()->removeEventFilter(&counter);
    return counter.count;
}

QColor textColour(const QWidget *widget)
{
    return widget->palette().color(QPalette::WindowText);
}

// What the page script reports of a consent page and of the engine's page
// without results.
PageLinks consentShape()
{
    PageLinks links;
    links.address = QStringLiteral("http://consent.h/ml");
    links.shape.otherForms = {QStringLiteral("http://consent.h/save")};
    return links;
}

PageLinks noResultsShape()
{
    PageLinks links;
    links.address = QStringLiteral("http://h/search?q=bimby&start=10");
    links.shape.searchForm = true;
    links.shape.resultsColumn = true;
    links.shape.links = {QStringLiteral("https://support.google.com/websearch/?p=ws_results_help")};
    return links;
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void windowAndMenus();
    void stackingAndTabOrder();
    void layoutFollowsTheWindow();
    void settingsAreRestoredAtStart_data();
    void settingsAreRestoredAtStart();

    void millionPhrasesLoadAndSaveInTime();
    void startSavesANewPhraseOnce();
    void emptyPhraseStartsNothing();
    void unwritableSettingsStillStartTheRun();
    void runPagesUntilTheLimit();
    void hitEndsTheRun();
    void shortAndIgnoredDocuments();
    void stopWhileLoadingScansThePendingPage();
    void stopWhileTimerPendingRequestsOneMorePage();
    void restartBeforeThePendingPageArrives();
    void inputsAreTakenOnceAtTheStart();
    void continueModeAndSaveButton();
    void pageThatAsksTheUserBringsTheBrowserToTheFront_data();
    void pageThatAsksTheUserBringsTheBrowserToTheFront();
    void indicatorFlashes();
    void listExtentFollowsTheWidestEntry_data();
    void listExtentFollowsTheWidestEntry();
    void entryWidthsMatchTheFont_data();
    void entryWidthsMatchTheFont();

    void saveResultAppendsOneLine();
    void saveResultWithEmptyReportWritesNothing();
    void unwritableLogIsReported();
    void logViewerShowsTheLogSorted();
    void editorCommandsOpenTheDataFiles();

    void popupRules();
    void openAddressCommands();
    void clearListEmptiesThePhrases();
    void homePageAndMainView();

    void historyShowsEverySearchOfTheLog();
    void historyOfAnEmptyLogSaysSo();
    void pageOfARunOpensFromTheHistory();
    void listRunsEveryPhraseInOrderAndSavesIt();
    void listStopsAfterTheCurrentRun();
    void listPageThatNeedsTheUser();
    void listWindowShowsWhereItIs();
    void listWindowSharesAListThroughTheArchive();
    void searchOptionsAreSetKeptAndShown();
    void listPhrasesOfAText();
    void everyRunIsArchived();
    void noResultsPageEndsTheResults_data();
    void noResultsPageEndsTheResults();
    void listPausesVaryWithinTheirBounds();
    void listPageThatNeverCompletesEndsItsPhrase();
    void listResumesWhereItStopped();
    void pagesWithNothingToRead_data();
    void pagesWithNothingToRead();
    void archiveFaultsNoteOnceAndRunsGoOn_data();
    void archiveFaultsNoteOnceAndRunsGoOn();

private:
    void makeForm(bool show = true);
    template <typename T = QWidget>
    T *control(const char *name) const
    {
        T *widget = m_form->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    void start(const QString &phrase = QStringLiteral("bimby"));
    void waitForNavigations(int count);
    void makeListForm();
    void answer(int hit);
    QStringList logLines() const;
    QDialog *openHistoryOn(const QByteArray &log);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeBrowser> m_browser;
    std::unique_ptr<RecordingDesktop> m_desktop;
    std::unique_ptr<SearchRun> m_run;
    std::unique_ptr<Form1> m_form;
    Form1Options m_options;
    SearchRunOptions m_runOptions;
    RunOutcome m_lastOutcome;

    // A list run as the list window makes one, with the window's inputs.
    std::unique_ptr<ListRun> listOf(const QStringList &phrases, int mean = 5, int minimum = 5)
    {
        auto list = std::make_unique<ListRun>(m_run.get(), phrases, m_form->runInputs(), mean, minimum);
        list->setResultLog(m_options.dataFolder.resultLog(), m_options.dateSeparator);
        return list;
    }
};

void TestForm1::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_browser = std::make_unique<FakeBrowser>();
    m_desktop = std::make_unique<RecordingDesktop>();
    m_options = Form1Options();
    m_options.dataFolder = DataFolder(m_dir->path());
    m_runOptions = SearchRunOptions();
    m_runOptions.host = QStringLiteral("h");
    m_runOptions.pageInterval = 40;
    m_options.timer2Interval = 20;
    m_options.clock = [] { return QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9)); };
    m_runOptions.clock = m_options.clock;
    m_options.dateSeparator = QStringLiteral("/");
}

void TestForm1::cleanup()
{
    m_form.reset();
    m_run.reset();
    m_browser.reset();
}

void TestForm1::makeForm(bool show)
{
    m_runOptions.archive = m_options.dataFolder.archiveInUse();
    m_runOptions.archiveSpool = m_options.dataFolder.sharedArchiveSpool();
    m_runOptions.unreadPages = m_options.dataFolder.unreadPages();
    m_run = std::make_unique<SearchRun>(m_browser.get(), m_runOptions);
    connect(m_run.get(), &SearchRun::ended, this, [this](const RunOutcome &outcome) { m_lastOutcome = outcome; });
    m_form = std::make_unique<Form1>(m_run.get(), m_desktop.get(), m_options);
    if (show) {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
}

void TestForm1::start(const QString &phrase)
{
    control<QComboBox>("Combo1")->setEditText(phrase);
    control<QPushButton>("Command1")->click();
}

void TestForm1::waitForNavigations(int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->navigations.size(), count, 3000);
}

void TestForm1::windowAndMenus()
{
    makeForm();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Cerca Posizione - ver. 1.0.4"));
    QCOMPARE(m_form->centralWidget()->size(), QSize(748, 459));
    QCOMPARE(m_form->font().pointSizeF(), 8.25);
    for (const char *name : {"Label1", "Label2"}) {
        QCOMPARE(control(name)->font().pointSizeF(), 9.75);
        QVERIFY(control(name)->font().bold());
    }
    QCOMPARE(textColour(control("Label1")), QColor(0, 64, 0));
    QCOMPARE(control("Label1")->palette().color(QPalette::Window), QColor(255, 255, 192));
    QCOMPARE(textColour(control("Label2")), QColor(192, 0, 0));
    QCOMPARE(control("Label2")->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(control<QLineEdit>("Text1(2)")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    QCOMPARE(control<QFrame>("Frame4")->frameShape(), QFrame::NoFrame);
    QCOMPARE(control<Shape>("Shape1")->backColor(), QColor(0, 64, 0));
    QCOMPARE(control<Shape>("Shape1")->borderWidth(), 3);
    QVERIFY(!control<QCheckBox>("Check1")->isChecked());
    QVERIFY(!control<QCheckBox>("Check2")->isChecked());
    QCOMPARE(control<QComboBox>("Combo1")->count(), 0);
    QVERIFY(control<QComboBox>("Combo1")->isEditable());
    QCOMPARE(control<ListBox>("List1")->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!m_run->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    QCOMPARE(m_run->findChild<QTimer *>(QStringLiteral("Timer1"))->interval(), 40);

    QStringList seen;
    QStringList all;
    for (QAction *action : m_form->menuBar()->actions()) {
        all.append(action->text());
        if (action->isVisible())
            seen.append(action->text());
    }
    QCOMPARE(all, (QStringList{"Google", "Dati storici salvati", "File di configurazione", "HomePage", "Menu", "Strumenti"}));
    QCOMPARE(seen, (QStringList{"Dati storici salvati", "File di configurazione", "HomePage", "Strumenti"}));
    QStringList items;
    for (QAction *action : m_form->findChild<QMenu *>(QStringLiteral("DatiSalvati"))->actions())
        items.append(action->objectName() + QLatin1Char('=') + action->text());
    QCOMPARE(items, (QStringList{"ApriProg=Apri nel programma", "ApriNote=Apri in notepad", "FinePrinc=Finestra Principale",
                                 "AndamentoPos=Andamento delle posizioni"}));
    items.clear();
    for (QAction *action : m_form->findChild<QMenu *>(QStringLiteral("Menu"))->actions())
        items.append(action->objectName() + QLatin1Char('=') + action->text());
    QCOMPARE(items, (QStringList{"ApriInd=Apri l'indirizzo su browser", "ApriGoo=Apri la pagina Google"}));
    QCOMPARE(m_form->findChild<QMenu *>(QStringLiteral("Strumenti"))->actions().constFirst()->text(),
             QStringLiteral("Cerca un elenco di frasi..."));
    QCOMPARE(m_form->findChild<QMenu *>(QStringLiteral("Motore"))->title(), QStringLiteral("Google"));
}

void TestForm1::stackingAndTabOrder()
{
    makeForm();
    QCOMPARE(stackOf(m_form->centralWidget()), (QStringList{"List1", "WebBrowser1", "List2", "Frame4", "List3"}));
    QVERIFY(control("List2")->isVisible());
    QCOMPARE(stackOf(control("Frame4")), (QStringList{"Shape1", "Label1", "Frame3", "Frame2", "Frame1", "Command1", "Command2", "Check2"}));

    QStringList order;
    QWidget *widget = control("List1");
    for (int i = 0; i < 11; ++i) {
        order.append(widget->objectName());
        widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus) || widget->objectName().isEmpty()
               || widget->objectName().startsWith(QLatin1String("qt_")))
            widget = widget->nextInFocusChain();
    }
    QCOMPARE(order.mid(0, 3), (QStringList{"List1", "List2", "Text1(2)"}));
    QCOMPARE(order.mid(3, 7), (QStringList{"Text1(1)", "Combo1", "Command1", "List3", "Check1", "Command2", "Check2"}));
}

void TestForm1::layoutFollowsTheWindow()
{
    makeForm();
    const auto list1 = control("List1");
    const auto list3 = control("List3");
    QCOMPARE(list1->size(), QSize(371, 365));
    QCOMPARE(list3->geometry(), QRect(376, 2, 371, 365));
    QCOMPARE(control("List2")->size(), QSize(741, 365));
    QCOMPARE(control("Frame4")->y(), 365);
    QCOMPARE(control("Frame4")->size(), QSize(729, 87));

    m_form->showMaximized();
    QTRY_VERIFY(m_form->centralWidget()->width() > 748);
    const QSize client = m_form->centralWidget()->size();
    QTRY_COMPARE(list1->width(), qRound((client.width() * 15 / 2.0 - 50) / 15));
    QCOMPARE(control("Frame4")->y(), qRound((client.height() * 15 - 1305 - 100) / 15.0));

    m_form->showNormal();
    QTRY_COMPARE(m_form->centralWidget()->size(), QSize(748, 459));
    QTRY_COMPARE(list1->size(), QSize(371, 365));

    m_form->showMinimized();
    QTest::qWait(50);
    m_form->showNormal();
    QTRY_COMPARE(list1->size(), QSize(371, 365));

    // A size dragged by the user goes back to the normal one.
    m_form->resize(900, 700);
    QTRY_COMPARE(m_form->centralWidget()->size(), QSize(748, 459));
}

void TestForm1::settingsAreRestoredAtStart_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("phrase");
    QTest::newRow("no file: design values") << QByteArray() << "velmora" << "10" << QStringList{} << "bimby";
    QTest::newRow("hand-edited order") << QByteArray("vel\r\n5\r\nzeta\r\nalfa\r\n") << "vel" << "5"
                                       << QStringList{"alfa", "zeta"} << "alfa";
    QTest::newRow("empty line loaded as entry") << QByteArray("v\r\n3\r\nb\r\n\r\na\r\n") << "v" << "3"
                                                << QStringList{"", "a", "b"} << "a";
    QTest::newRow("two lines") << QByteArray("v\r\n3\r\n") << "v" << "3" << QStringList{} << "";
    QTest::newRow("one line changes nothing") << QByteArray("v\r\n") << "velmora" << "10" << QStringList{} << "bimby";
}

void TestForm1::settingsAreRestoredAtStart()
{
    QFETCH(QByteArray, file);
    if (!file.isEmpty())
        writeBytes(m_options.dataFolder.settingsFile(), file);
    makeForm(false);
    QTEST(control<QLineEdit>("Text1(1)")->text(), "fragment");
    QTEST(control<QLineEdit>("Text1(2)")->text(), "limit");
    auto *combo = control<QComboBox>("Combo1");
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list.append(combo->itemText(i));
    QTEST(list, "list");
    // The last line of the file, not the first of the sorted list.
    QFETCH(QString, phrase);
    if (file.contains("zeta"))
        phrase = QStringLiteral("alfa");
    QCOMPARE(combo->currentText(), file.contains("zeta") ? QStringLiteral("alfa") : phrase);
}

void TestForm1::millionPhrasesLoadAndSaveInTime()
{
    // A 50 MB settings file: the window comes up with the whole history, and a
    // new phrase is added and written back with all of it.
    const int count = 1000000;
    const QByteArray file = "velmora\r\n10\r\n" + BadBytes::manyLines(count, "ricette della nonna per il bimby tm31 numero ");
    QVERIFY(file.size() > 50 * count);
    writeBytes(m_options.dataFolder.settingsFile(), file);

    QElapsedTimer clock;
    clock.start();
    makeForm();
    const qint64 loaded = clock.restart();
    auto *combo = control<QComboBox>("Combo1");
    QCOMPARE(combo->count(), count);
    QCOMPARE(combo->itemText(0), QStringLiteral("ricette della nonna per il bimby tm31 numero 0000001"));
    QCOMPARE(combo->currentText(), QStringLiteral("ricette della nonna per il bimby tm31 numero 0000001"));

    start(QStringLiteral("zuppa"));
    const qint64 saved = clock.restart();
    QCOMPARE(combo->count(), count + 1);
    QCOMPARE(combo->itemText(count), QStringLiteral("zuppa"));
    const QByteArray written = readBytes(m_options.dataFolder.settingsFile());
    QCOMPARE(written.count('\n'), count + 3);
    QVERIFY(written.endsWith("numero 1000000\r\nzuppa\r\n"));

    // The same million lines as a result log, in the saved-data list.
    writeBytes(m_options.dataFolder.resultLog(), file);
    clock.restart();
    m_form->findChild<QAction *>(QStringLiteral("ApriProg"))->trigger();
    const qint64 shown = clock.elapsed();
    QCOMPARE(control<ListBox>("List2")->count(), count + 2);
    qInfo("a million phrases: window made in %lld ms, new phrase saved in %lld ms, log shown in %lld ms",
          loaded, saved, shown);
}

void TestForm1::startSavesANewPhraseOnce()
{
    makeForm();
    const QString path = m_options.dataFolder.settingsFile();
    start(QStringLiteral("bimby"));
    QCOMPARE(readBytes(path), QByteArray("velmora\r\n10\r\nbimby\r\n"));
    QCOMPARE(m_browser->navigations, QStringList{QStringLiteral("http://h/search?q=bimby")});
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Arresta"));

    control<QPushButton>("Command1")->click(); // stop
    control<QLineEdit>("Text1(2)")->setText(QStringLiteral("5"));
    start(QStringLiteral("bimby"));
    QCOMPARE(readBytes(path), QByteArray("velmora\r\n10\r\nbimby\r\n"));

    control<QPushButton>("Command1")->click();
    start(QStringLiteral("Bimby"));
    control<QPushButton>("Command1")->click();
    start(QStringLiteral("ricette bimby"));
    QCOMPARE(readBytes(path), QByteArray("velmora\r\n5\r\nbimby\r\nBimby\r\nricette bimby\r\n"));
    QCOMPARE(control<QComboBox>("Combo1")->currentText(), QStringLiteral("ricette bimby"));

    // Pressing Enter in the field adds nothing to the list.
    auto *combo = control<QComboBox>("Combo1");
    combo->setEditText(QStringLiteral("nuova"));
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(combo->count(), 3);
}

void TestForm1::emptyPhraseStartsNothing()
{
    makeForm();
    start(QStringLiteral("bimby"));
    m_browser->complete(page(sites(1, 3)));
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("'velmora' non trovato!"));
    control("List2")->show();
    start(QString());
    QVERIFY(!control("List2")->isVisible());
    QCOMPARE(m_browser->navigations.size(), 1);
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(control<ListBox>("List1")->count(), 3);
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Avvia"));
}

void TestForm1::unwritableSettingsStillStartTheRun()
{
    QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_options.dataFolder = DataFolder(blocker.fileName());
    makeForm();
    start(QStringLiteral("bimby"));
    QCOMPARE(m_desktop->warnings.size(), 1);
    QVERIFY(m_desktop->warnings.constFirst().startsWith(QStringLiteral("Impostazioni non salvate")));
    QCOMPARE(m_browser->navigations.size(), 1);
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Arresta"));
}

void TestForm1::runPagesUntilTheLimit()
{
    makeForm();
    control<QLineEdit>("Text1(2)")->setText(QStringLiteral("3"));
    start();
    for (int pageIndex = 0; pageIndex < 3; ++pageIndex) {
        waitForNavigations(pageIndex + 1);
        if (pageIndex > 0) {
            QCOMPARE(m_browser->navigations.constLast(),
                     QStringLiteral("http://h/search?q=bimby&hl=it&lr=&newwindow=1&start=%1&sa=N").arg(pageIndex * 10));
            QCOMPARE(control<QLabel>("Label4")->text(), QString::number(pageIndex * 10));
        }
        m_browser->complete(page(sites(pageIndex * 10 + 1, 10)));
    }
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Avvia"));
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(textColour(control("Label1")), QColor(255, 0, 0));
    QCOMPARE(m_desktop->beeps, 1);
    auto *list1 = control<ListBox>("List1");
    QCOMPARE(list1->count(), 30);
    QCOMPARE(list1->item(10)->text(), QStringLiteral("11 - http://www.sito11.it/"));
    QCOMPARE(m_form->runValues().contaPosizione, qint64(30));
    QCOMPARE(m_form->runValues().inizioPagina, qint64(30));
    QTest::qWait(100);
    QCOMPARE(m_browser->navigations.size(), 3);
}

void TestForm1::hitEndsTheRun()
{
    makeForm();
    start();
    QStringList links = sites(1, 10);
    links[6] = QStringLiteral("https://www.velmora.it/bimby");
    m_browser->complete(page(links));
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("\"velmora\" trovato nella posizione n° 7"));
    QCOMPARE(textColour(control("Label1")), QColor(0, 64, 0));
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Avvia"));
    QCOMPARE(m_desktop->beeps, 1);
    QCOMPARE(control<ListBox>("List1")->item(6)->text(), QStringLiteral("7 - https://www.velmora.it/bimby"));
    QCOMPARE(m_form->runValues().indirizzoCorrente, QStringLiteral("https://www.velmora.it/bimby"));
    QTest::qWait(100);
    QCOMPARE(m_browser->navigations.size(), 1);
}

void TestForm1::shortAndIgnoredDocuments()
{
    makeForm();
    start();
    const QString hundred = QStringLiteral("<h3 class=r><a href=\"http://a.it/\">") + QString(65, QLatin1Char('x'));
    QCOMPARE(hundred.size(), 100);
    m_browser->complete(hundred);
    m_browser->complete(std::nullopt);
    QCOMPARE(control<ListBox>("List1")->count(), 0);
    m_browser->complete(hundred + QLatin1Char('x'));
    QCOMPARE(control<ListBox>("List1")->count(), 1);
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Avvia")); // end of the results

    // A page without results leaves the run waiting.
    start(QStringLiteral("bimby"));
    m_browser->complete(QStringLiteral("<body>") + QString(200, QLatin1Char('x')));
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Arresta"));
    QCOMPARE(control<QLabel>("Label1")->text(), QString());
    QCOMPARE(m_desktop->beeps, 1);
}

void TestForm1::stopWhileLoadingScansThePendingPage()
{
    makeForm();
    start();
    control<QPushButton>("Command1")->click();
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Avvia"));
    m_browser->complete(page(sites(1, 10)));
    QCOMPARE(control<ListBox>("List1")->count(), 10);
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(textColour(control("Label1")), QColor(255, 0, 0));
    QCOMPARE(m_desktop->beeps, 1);
    QTest::qWait(100);
    QCOMPARE(m_browser->navigations.size(), 1);
}

void TestForm1::stopWhileTimerPendingRequestsOneMorePage()
{
    makeForm();
    start();
    m_browser->complete(page(sites(1, 10)));
    auto *timer1 = m_run->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer1->isActive());
    control<QPushButton>("Command1")->click();
    waitForNavigations(2);
    QCOMPARE(control<QLabel>("Label4")->text(), QStringLiteral("10"));
    m_browser->complete(page(sites(11, 10)));
    QCOMPARE(control<ListBox>("List1")->count(), 20);
    QCOMPARE(textColour(control("Label1")), QColor(255, 0, 0));
    QTest::qWait(100);
    QCOMPARE(m_browser->navigations.size(), 2);
}

void TestForm1::restartBeforeThePendingPageArrives()
{
    makeForm();
    start();
    m_browser->complete(page(sites(1, 10)));
    waitForNavigations(2);
    m_browser->complete(page(sites(11, 10)));
    control<QPushButton>("Command1")->click(); // stop, Timer1 pending for offset 20
    start(QStringLiteral("altra"));
    QCOMPARE(m_browser->navigations.at(2), QStringLiteral("http://h/search?q=altra"));
    QCOMPARE(control<ListBox>("List1")->count(), 0);
    QCOMPARE(control<QLabel>("Label1")->text(), QString());
    QCOMPARE(m_form->runValues().contaPosizione, qint64(0));
    QCOMPARE(m_form->runValues().indirizzoCorrente, QStringLiteral("http://www.sito20.it/"));
    // The previous run's pending request still fires, at the new run's offset.
    waitForNavigations(4);
    QCOMPARE(m_browser->navigations.at(3), QStringLiteral("http://h/search?q=altra&hl=it&lr=&newwindow=1&start=0&sa=N"));
    QCOMPARE(control<QLabel>("Label4")->text(), QStringLiteral("0"));
}

void TestForm1::inputsAreTakenOnceAtTheStart()
{
    // What the controls hold when "Avvia" is pressed is the run's, to its
    // end: a phrase or an option changed meanwhile is the next run's.
    makeForm();
    control<QCheckBox>("Check2")->setChecked(true);
    start();
    QCOMPARE(m_browser->navigations.constLast(), QStringLiteral("http://h/search?q=bimby"));
    m_browser->complete(page(sites(1, 10)));
    waitForNavigations(2);
    QCOMPARE(m_browser->navigations.constLast(),
             QStringLiteral("http://h/search?q=bimby&hl=it&lr=&newwindow=1&start=10&sa=N&lr=lang_it"));
    control<QCheckBox>("Check2")->setChecked(false);
    control<QComboBox>("Combo1")->setEditText(QStringLiteral("altro"));
    control<QLineEdit>("Text1(1)")->setText(QStringLiteral("sito15"));
    m_browser->complete(page(sites(11, 10)));
    waitForNavigations(3);
    QCOMPARE(m_browser->navigations.constLast(),
             QStringLiteral("http://h/search?q=bimby&hl=it&lr=&newwindow=1&start=20&sa=N&lr=lang_it"));
    QCOMPARE(m_run->inputs().fragment, QStringLiteral("velmora"));
}

void TestForm1::continueModeAndSaveButton()
{
    makeForm();
    auto *check1 = control<QCheckBox>("Check1");
    auto *command2 = control<QPushButton>("Command2");
    control<QLineEdit>("Text1(2)")->setText(QStringLiteral("1"));
    check1->click();
    QVERIFY(check1->isChecked());
    QVERIFY(!command2->isEnabled());
    start();
    QStringList links = sites(1, 10);
    links[1] = QStringLiteral("http://www.velmora.it/a");
    links[8] = QStringLiteral("http://velmora.com/b");
    m_browser->complete(page(links));
    auto *list3 = control<ListBox>("List3");
    QCOMPARE(list3->entries(), (QStringList{"2 - http://www.velmora.it/a", "9 - http://velmora.com/b"}));
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(m_desktop->beeps, 1);
    QVERIFY(list3->horizontalExtent() > 0);
    check1->click();
    QVERIFY(command2->isEnabled());

    // The keyboard and an assistive technology's action change it too.
    check1->setFocus();
    QTest::keyClick(check1, Qt::Key_Space);
    QVERIFY(check1->isChecked());
    QVERIFY(!command2->isEnabled());
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(check1);
    QVERIFY(accessible && accessible->actionInterface());
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!check1->isChecked());
    QVERIFY(command2->isEnabled());
}

void TestForm1::pageThatAsksTheUserBringsTheBrowserToTheFront_data()
{
    QTest::addColumn<QString>("leave");
    QTest::addColumn<bool>("maximized");
    QTest::newRow("a page with results") << "results" << false;
    QTest::newRow("a page with results, maximized") << "results" << true;
    QTest::newRow("Arresta") << "Arresta" << false;
    QTest::newRow("Finestra Principale") << "FinePrinc" << false;
}

void TestForm1::pageThatAsksTheUserBringsTheBrowserToTheFront()
{
    QFETCH(QString, leave);
    QFETCH(bool, maximized);
    makeForm();
    if (maximized) {
        m_form->showMaximized();
        QTRY_VERIFY(m_form->centralWidget()->width() > 748);
    }
    QWidget *client = m_form->centralWidget();
    auto *browser = control("WebBrowser1");
    const QRect designed = browser->geometry();
    const QStringList stack = stackOf(client);
    control<QLineEdit>("Text1(2)")->setText(QStringLiteral("2"));
    start();
    // A consent page, or a results page in markup that cannot be read.
    const QString asks = QStringLiteral("<body><h1>Prima di continuare su Google</h1><div class=rIxsve>%1</div>"
                                        "<button>Accetta tutto</button></body>").arg(QString(200, QLatin1Char('x')));
    m_browser->complete(asks, consentShape());
    auto *note = control<QLabel>("BrowserNote");
    QVERIFY(note->isVisible());
    QCOMPARE(note->text(), QStringLiteral("Google chiede una risposta prima di mostrare i risultati: rispondi nella "
                                          "pagina qui sotto, la ricerca riprende da sola."));
    QCOMPARE(stackOf(client).mid(0, 2), (QStringList{"BrowserNote", "WebBrowser1"}));
    QCOMPARE(note->geometry().top(), 0);
    QCOMPARE(browser->geometry().top(), note->geometry().bottom() + 1);
    QCOMPARE(browser->width(), client->width());
    QCOMPARE(browser->geometry().bottom() + 1, control("Frame4")->y());
    QVERIFY(browser->height() >= 250);
    QCOMPARE(control<QLabel>("Label1")->text(), QString());
    QCOMPARE(control<ListBox>("List1")->count(), 0);
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Arresta"));

    const PageLinks links{QStringLiteral("http://h/search?q=bimby"), sites(1, 8),
                          {QStringLiteral("http://h/search?q=bimby&start=10")}, {}, {}, {}};
    if (leave == QLatin1String("results")) {
        m_browser->complete(asks, links);
        waitForNavigations(2);
        QCOMPARE(control<ListBox>("List1")->count(), 8);
    } else if (leave == QLatin1String("Arresta")) {
        control<QPushButton>("Command1")->click();
        QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Avvia"));
        m_browser->complete(asks, consentShape());   // a stopped run shows nothing more
    } else {
        m_form->findChild<QAction *>(leave)->trigger();
    }
    QVERIFY(!note->isVisible());
    QCOMPARE(browser->geometry(), designed);
    QStringList after = stackOf(client);
    after.removeAll(QStringLiteral("BrowserNote"));
    QCOMPARE(after, stack);
}

void TestForm1::indicatorFlashes()
{
    makeForm();
    auto *shape = control<Shape>("Shape1");
    start();
    QCOMPARE(shape->backColor(), QColor(0, 192, 0));
    QTRY_COMPARE(shape->backColor(), QColor(0, 64, 0));
    m_browser->complete(page(sites(1, 3)));
    QCOMPARE(shape->backColor(), QColor(0, 192, 0));
    QTRY_COMPARE(shape->backColor(), QColor(0, 64, 0));
}

void TestForm1::listExtentFollowsTheWidestEntry_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("length");      // of the wide address; 0: its entry just wider than the list
    QTest::addColumn<bool>("wideFirst");  // the first result, whose size the view takes for every row
    QTest::addColumn<bool>("maximized");
    QTest::newRow("List1, after short ones") << "List1" << 170 << false << false;
    QTest::newRow("List1, first, just wider") << "List1" << 0 << true << false;
    QTest::newRow("List1, after short ones, just wider") << "List1" << 0 << false << false;
    QTest::newRow("List1 maximized, first, just wider") << "List1" << 0 << true << true;
    QTest::newRow("List3, first, just wider") << "List3" << 0 << true << false;
    QTest::newRow("List2, lines of 400") << "List2" << 400 << true << false;
    QTest::newRow("List2, first, just wider") << "List2" << 0 << true << false;
}

void TestForm1::listExtentFollowsTheWidestEntry()
{
    QFETCH(QString, list);
    QFETCH(int, length);
    QFETCH(bool, wideFirst);
    QFETCH(bool, maximized);
    makeForm();
    if (maximized) {
        m_form->showMaximized();
        QTRY_VERIFY(m_form->centralWidget()->width() > 748);
    }
    auto *target = control<ListBox>(qPrintable(list));
    const int position = wideFirst ? 1 : 10;
    QString wide = QStringLiteral("http://www.velmora.it/");
    const auto entryOf = [&](const QString &address) {
        return list == QLatin1String("List2") ? address : QStringLiteral("%1 - %2").arg(position).arg(address);
    };
    if (length > 0) {
        wide += QString(length - wide.size(), QLatin1Char('p'));
    } else {
        // Within a few pixels of the viewport: the first row's own width fits, the extent does not.
        const int viewport = target->viewport()->width();
        while (HorizontalExtent::ofEntry(target->entryWidth(entryOf(wide + QStringLiteral("pp")))) <= viewport)
            wide += QLatin1Char('p');
        while (HorizontalExtent::ofEntry(target->entryWidth(entryOf(wide))) <= viewport)
            wide += QLatin1Char('i');
    }

    if (list == QLatin1String("List2")) {
        // The wide line sorts first: "http" before "zeta".
        writeBytes(m_options.dataFolder.resultLog(), wide.toLatin1() + "\r\nzeta < 2024/05/17 - 14:03:09 > corta\r\n");
        m_form->findChild<QAction *>(QStringLiteral("ApriProg"))->trigger();
    } else {
        if (list == QLatin1String("List3"))
            control<QCheckBox>("Check1")->click();
        control<QLineEdit>("Text1(2)")->setText(QStringLiteral("1"));
        start();
        QStringList links = sites(1, 9);
        links.insert(wideFirst ? 0 : 9, wide);
        m_browser->complete(page(links));
    }
    QTRY_VERIFY(target->entries().contains(entryOf(wide)));

    // Settled: no layout keeps asking for another, the bar shows exactly
    // when the widest entry does not fit, and scrolls to its end.
    QCOMPARE(layoutEventsWhenIdle(target), 0);
    const int full = target->horizontalExtent();
    target->updateHorizontalExtent();
    QCOMPARE(target->horizontalExtent(), full);
    const QScrollBar *bar = target->horizontalScrollBar();
    QVERIFY(full > target->viewport()->width());
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->maximum(), full - target->viewport()->width());
    QCOMPARE(bar->pageStep(), target->viewport()->width());
    if (list == QLatin1String("List2"))
        return;

    start(); // stop
    start();
    QCOMPARE(target->horizontalExtent(), 0);
    QTRY_VERIFY(!bar->isVisible());
    QCOMPARE(bar->maximum(), 0);
    m_browser->complete(page(sites(1, 2)));
    QVERIFY(target->horizontalExtent() < full);
}

void TestForm1::entryWidthsMatchTheFont_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("address") << QStringLiteral("12 - http://www.velmora.it/ricette-bimby?q=1&x=WW");
    QTest::newRow("log line") << QStringLiteral("bimby < 2024/05/17 - 14:03:09 > 'velmora' non trovato, n° 100 (con Google )");
    QTest::newRow("greek") << QStringLiteral("συνταγές bimby");
    QTest::newRow("combining mark") << QStringLiteral("cafe\u0301 bimby");
    QTest::newRow("chinese") << QStringLiteral("食谱 bimby");
}

void TestForm1::entryWidthsMatchTheFont()
{
    QFETCH(QString, text);
    makeForm(false);
    auto *list = control<ListBox>("List2");
    const double exact = QFontMetricsF(list->font()).horizontalAdvance(text);
    // Letter by letter the width differs from the laid-out line by kerning only.
    QVERIFY2(qAbs(list->entryWidth(text) - exact) <= 3, qPrintable(QStringLiteral("%1 vs %2").arg(list->entryWidth(text)).arg(exact)));
}

void TestForm1::saveResultAppendsOneLine()
{
    writeBytes(m_options.dataFolder.resultLog(), "scritta a mano\r\n");
    makeForm();
    start();
    QStringList links = sites(1, 10);
    links[6] = QStringLiteral("http://www.velmora.it/");
    m_browser->complete(page(links));
    control<QCheckBox>("Check2")->setChecked(true);
    control<QPushButton>("Command2")->click();
    QCOMPARE(readBytes(m_options.dataFolder.resultLog()),
             QByteArray("scritta a mano\r\nbimby - (http://www.velmora.it/) < 2024/05/17 - 14:03:09 > "
                        "\"velmora\" pos. n\xB0 7 (con Google solo ita.)\r\n"));
}

void TestForm1::saveResultWithEmptyReportWritesNothing()
{
    makeForm();
    control<QPushButton>("Command2")->click();
    start();
    control<QPushButton>("Command2")->click();
    QVERIFY(!QFile::exists(m_options.dataFolder.resultLog()));
    QVERIFY(m_desktop->warnings.isEmpty());
}

void TestForm1::unwritableLogIsReported()
{
    makeForm();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Risultato.txt"))); // a folder in the log's place
    start();
    m_browser->complete(page(sites(1, 3)));
    control<QPushButton>("Command2")->click();
    QCOMPARE(m_desktop->warnings.size(), 1);
    QVERIFY(m_desktop->warnings.constFirst().startsWith(QStringLiteral("Risultato non salvato")));
}

void TestForm1::logViewerShowsTheLogSorted()
{
    makeForm();
    auto *list2 = control<ListBox>("List2");
    auto *apriProg = m_form->findChild<QAction *>(QStringLiteral("ApriProg"));
    apriProg->trigger();
    QVERIFY(list2->isVisible());
    QCOMPARE(list2->count(), 0);
    QCOMPARE(stackOf(m_form->centralWidget()).constFirst(), QStringLiteral("List2"));

    writeBytes(m_options.dataFolder.resultLog(), "zeta < a\r\nalfa < b " + QByteArray(300, 'w') + "\r\n\r\n");
    apriProg->trigger();
    QCOMPARE(list2->count(), 2);
    QVERIFY(list2->item(0)->text().startsWith(QStringLiteral("alfa")));
    QCOMPARE(list2->horizontalExtent(), qRound(list2->entryWidth(list2->item(0)->text()) + 10));

    m_form->findChild<QAction *>(QStringLiteral("FinePrinc"))->trigger();
    QVERIFY(!list2->isVisible());
    QCOMPARE(list2->count(), 2);
    start();
    m_browser->complete(page(sites(1, 3)));
    control<QPushButton>("Command2")->click();
    apriProg->trigger();
    QCOMPARE(list2->count(), 3);
    QVERIFY(list2->item(0)->text().startsWith(QStringLiteral("alfa")));
    QVERIFY(list2->item(1)->text().startsWith(QStringLiteral("bimby < ")));
}

void TestForm1::editorCommandsOpenTheDataFiles()
{
    makeForm();
    m_form->findChild<QAction *>(QStringLiteral("ApriNote"))->trigger();
    m_form->findChild<QAction *>(QStringLiteral("Fpc"))->trigger();
    QCOMPARE(m_desktop->edited, (QStringList{m_options.dataFolder.resultLog(), m_options.dataFolder.settingsFile()}));
}

void TestForm1::popupRules()
{
    makeForm();
    start();
    m_browser->complete(page(sites(1, 5)));
    auto *list1 = control<ListBox>("List1");
    auto *menu = m_form->findChild<QMenu *>(QStringLiteral("Menu"));
    auto *apriGoo = m_form->findChild<QAction *>(QStringLiteral("ApriGoo"));
    apriGoo->setText(QStringLiteral("altro"));

    const QPoint row3 = list1->visualItemRect(list1->item(3)).center();
    QTest::mouseClick(list1->viewport(), Qt::RightButton, {}, row3);
    QVERIFY(!menu->isVisible());
    QCOMPARE(apriGoo->text(), QStringLiteral("altro"));

    QTest::mouseClick(list1->viewport(), Qt::LeftButton, {}, list1->visualItemRect(list1->item(1)).center());
    QCOMPARE(list1->currentRow(), 1);
    QTest::mouseClick(list1->viewport(), Qt::MiddleButton, {}, row3);
    QVERIFY(!menu->isVisible());
    QTest::mouseClick(list1->viewport(), Qt::RightButton, {}, row3);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(apriGoo->text(), QStringLiteral("Apri la pagina Google"));
    QCOMPARE(list1->selectedItems().constFirst()->text(), QStringLiteral("2 - http://www.sito2.it/"));
    m_form->findChild<QAction *>(QStringLiteral("ApriInd"))->trigger();
    menu->hide();
    QCOMPARE(m_desktop->opened, QList<QUrl>{QUrl(QStringLiteral("http://www.sito2.it/"))});

    // The keyboard's menu key opens the popup over the selected entry.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0), list1->viewport()->mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(list1->viewport(), &key);
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
}

void TestForm1::openAddressCommands()
{
    makeForm();
    auto *list1 = control<ListBox>("List1");
    // A double click on an empty list opens nothing.
    QTest::mouseDClick(list1->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(m_desktop->opened.isEmpty());

    start(QStringLiteral("ricette \"bimby\""));
    QStringList links = sites(1, 10);
    links[2] = QStringLiteral("http://pagina-uno.it/");
    m_browser->complete(page(links));
    waitForNavigations(2);
    m_browser->complete(page(sites(11, 10)));
    list1->item(2)->setSelected(true);
    QTest::mouseDClick(list1->viewport(), Qt::LeftButton, {}, list1->visualItemRect(list1->item(2)).center());
    QCOMPARE(m_desktop->opened.constLast(), QUrl(QStringLiteral("http://pagina-uno.it/")));

    auto *apriGoo = m_form->findChild<QAction *>(QStringLiteral("ApriGoo"));
    for (int row : {6, 9, 12}) {
        list1->setCurrentRow(row);
        apriGoo->trigger();
    }
    const QList<QUrl> pages = m_desktop->opened.mid(1);
    QCOMPARE(pages.size(), 3);
    QCOMPARE(pages.at(0).toString(), QStringLiteral("http://h/search?q=ricette %22bimby%22&hl=it&lr=&newwindow=1&start=0&sa=N"));
    QVERIFY(pages.at(1).toString().contains(QStringLiteral("&start=10&")));
    QVERIFY(pages.at(2).toString().contains(QStringLiteral("&start=10&")));

    // Only web addresses reach the desktop.
    list1->addEntry(QStringLiteral("21 - file:///etc/passwd"));
    list1->setCurrentRow(list1->count() - 1);
    m_form->findChild<QAction *>(QStringLiteral("ApriInd"))->trigger();
    QCOMPARE(m_desktop->opened.size(), 4);
}

void TestForm1::clearListEmptiesThePhrases()
{
    writeBytes(m_options.dataFolder.settingsFile(), "velmora\r\n10\r\nalfa\r\nbimby\r\n");
    makeForm();
    auto *combo = control<QComboBox>("Combo1");
    QCOMPARE(combo->count(), 2);
    QTest::mouseClick(control("Label2"), Qt::LeftButton);
    QCOMPARE(combo->count(), 0);
    QCOMPARE(combo->currentText(), QString());
    QCOMPARE(readBytes(m_options.dataFolder.settingsFile()), QByteArray("velmora\r\n10\r\nalfa\r\nbimby\r\n"));
    control<QPushButton>("Command1")->click();
    QVERIFY(m_browser->navigations.isEmpty());
    start(QStringLiteral("nuova"));
    QCOMPARE(readBytes(m_options.dataFolder.settingsFile()), QByteArray("velmora\r\n10\r\nnuova\r\n"));
}

void TestForm1::homePageAndMainView()
{
    makeForm();
    m_form->findChild<QAction *>(QStringLiteral("HomePage"))->trigger();
    QCOMPARE(m_desktop->opened, QList<QUrl>{QUrl(QStringLiteral("http://www.velmora.it/?Quoranta"))});
    m_form->findChild<QAction *>(QStringLiteral("ApriProg"))->trigger();
    m_form->findChild<QAction *>(QStringLiteral("FinePrinc"))->trigger();
    QVERIFY(!control("List2")->isVisible());
    QCOMPARE(stackOf(m_form->centralWidget()).constFirst(), QStringLiteral("List1"));
}


void TestForm1::makeListForm()
{
    m_options.listMillisecondsPerSecond = 1;
    makeForm();
    m_form->setRunInputs(QStringLiteral("velmora"), QStringLiteral("1"), false);
}

// Completes the pending page with ten results; `hit` puts velmora at that position.
void TestForm1::answer(int hit)
{
    QStringList links = sites(1, 10);
    if (hit > 0)
        links[hit - 1] = QStringLiteral("http://www.velmora.it/%1").arg(hit);
    m_browser->complete(page(links));
}

QStringList TestForm1::logLines() const
{
    return TextFile::readLines(m_options.dataFolder.resultLog()).value_or(QStringList());
}

QDialog *TestForm1::openHistoryOn(const QByteArray &log)
{
    if (!log.isNull())
        writeBytes(m_options.dataFolder.resultLog(), log);
    m_form->findChild<QAction *>(QStringLiteral("AndamentoPos"))->trigger();
    auto *window = m_form->findChild<QDialog *>(QStringLiteral("Andamento"));
    return window && QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

// --- Position history and lists of phrases ----------------------------------

void TestForm1::historyShowsEverySearchOfTheLog()
{
    makeForm();
    const QByteArray log =
        "bimby - (http://www.velmora.it/a) < 2024/05/03 - 10:00:00 > \"velmora\" pos. n\xb0 9 (con Google )\r\n"
        "bimby < 2024/05/10 - 10:00:00 > 'velmora' non trovato, ultima posizione controllata 100 (con Google )\r\n"
        "ricette - (http://www.velmora.it/r) < 2024/05/11 - 10:00:00 > \"velmora\" pos. n\xb0 30 (con Google solo ita.)\r\n"
        "scritta a mano\r\n"
        "bimby - (http://www.velmora.it/b) < 2024/05/17 - 10:00:00 > \"velmora\" pos. n\xb0 4 (con Google )\r\n";
    QDialog *window = openHistoryOn(log);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Andamento delle posizioni"));
    QVERIFY(!window->isModal());
    QVERIFY(m_form->isEnabled());

    auto *searches = window->findChild<QListWidget *>(QStringLiteral("Ricerche"));
    QCOMPARE(searches->count(), 2);
    QCOMPARE(searches->item(0)->text(), QStringLiteral("bimby \u2014 velmora \u2014 3 esiti, ultima: 4"));
    QCOMPARE(searches->item(1)->text(), QStringLiteral("ricette \u2014 velmora (solo ita.) \u2014 1 esito, ultima: 30"));
    QCOMPARE(searches->currentRow(), 0);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("Stato"))->text(),
             QStringLiteral("1 riga del registro non è stata letta."));

    auto *table = window->findChild<QTableView *>(QStringLiteral("Tabella"));
    QCOMPARE(table->model()->rowCount(), 3);
    QCOMPARE(table->model()->index(1, 1).data().toString(), QStringLiteral("non trovato entro 100"));
    table->sortByColumn(1, Qt::AscendingOrder);   // by position: not found after 100 comes last
    QCOMPARE(table->model()->index(0, 1).data().toString(), QStringLiteral("4"));
    QCOMPARE(table->model()->index(2, 1).data().toString(), QStringLiteral("non trovato entro 100"));

    auto *chart = window->findChild<QChartView *>(QStringLiteral("Grafico"))->chart();
    QList<QScatterSeries *> points;
    for (QAbstractSeries *series : chart->series()) {
        if (auto *scatter = qobject_cast<QScatterSeries *>(series))
            points.append(scatter);
    }
    QCOMPARE(points.size(), 2);
    QCOMPARE(points[0]->count(), 2);                   // found
    QCOMPARE(points[1]->count(), 1);                   // not found, at "oltre 100"
    QCOMPARE(points[1]->at(0).y(), 101.0);

    searches->setCurrentRow(1);
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(points[0]->count(), 1);

    // What the export buttons write once the file is chosen.
    const QString csv = m_dir->filePath(QStringLiteral("andamento.csv"));
    const QString png = m_dir->filePath(QStringLiteral("andamento.png"));
    bool written = false;
    QVERIFY(QMetaObject::invokeMethod(window, "exportTable", Q_RETURN_ARG(bool, written), Q_ARG(QString, csv)));
    QVERIFY(written);
    QFile exported(csv);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(exported.readAll(), Outcomes::csv(Outcomes::group(TextFile::decodeLines(log)).searches[1]));
    QVERIFY(QMetaObject::invokeMethod(window, "exportChart", Q_RETURN_ARG(bool, written), Q_ARG(QString, png)));
    QVERIFY(written);
    const QImage image(png);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size() / image.devicePixelRatio(), window->findChild<QChartView *>(QStringLiteral("Grafico"))->size());
}

void TestForm1::historyOfAnEmptyLogSaysSo()
{
    makeForm();
    QDialog *window = openHistoryOn(QByteArray());
    QVERIFY(window);
    QCOMPARE(window->findChild<QListWidget *>(QStringLiteral("Ricerche"))->count(), 0);
    QVERIFY(window->findChild<QLabel *>(QStringLiteral("Stato"))->text().startsWith(QStringLiteral("Nessun risultato salvato")));
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("EsportaCsv"))->isEnabled());
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("EsportaPng"))->isEnabled());
}

void TestForm1::pageOfARunOpensFromTheHistory()
{
    makeForm();
    // A run with its picture: a tall page, the hit far down, in red.
    QImage page(900, 3000, QImage::Format_RGB32);
    page.fill(Qt::white);
    const QRect hit(0, 2400, 900, 60);
    QPainter(&page).fillRect(hit, QColor(232, 0, 28));
    const QString file = m_dir->filePath(QStringLiteral("pagina.jpg"));
    QVERIFY(page.save(file));
    const QDateTime saved(QDate(2024, 5, 17), QTime(10, 0));
    {
        Archive archive(m_options.dataFolder.archive());
        QVERIFY(archive.open());
        ArchivedRun run;
        run.phrase = QStringLiteral("bimby");
        run.fragment = QStringLiteral("velmora");
        run.started = saved.addSecs(-20);
        const qint64 id = *RunArchive(archive).beginRun(run);
        QVERIFY(RunArchive(archive).endRun(id, RunEnd::Found, 30, saved.addSecs(-1)));
        QVERIFY(RunArchive(archive).addPicture(id, ArchivedPicture{file, QFileInfo(file).size(), hit, page.size(), QByteArray()}));
    }
    QDialog *window = openHistoryOn("bimby - (http://www.velmora.it/a) < 2024/05/17 - 10:00:00 > \"velmora\" pos. n\xb0 30 (con Google )\r\n");
    QVERIFY(window);
    auto *table = window->findChild<QTableView *>(QStringLiteral("Tabella"));
    table->setCurrentIndex(table->model()->index(0, 0));
    QAction *showPage = table->findChild<QAction *>(QStringLiteral("MostraPagina"));
    QCOMPARE(showPage->text(), QStringLiteral("Mostra la pagina"));
    showPage->trigger();
    // The history module holds a viewer of its own: it is reached by name.
    QDialog *viewer = nullptr;
    QTRY_VERIFY((viewer = window->findChild<QDialog *>(QStringLiteral("MostraPagina"))));
    auto scrolledTo = [viewer] {
        int value = -1;
        QMetaObject::invokeMethod(viewer, "scrolledTo", Q_RETURN_ARG(int, value));
        return value;
    };
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("Descrizione"))->text(),
             QStringLiteral("bimby \u2014 17/05/2024 09:59:40 \u2014 computer \u2014 paese it, lingua it \u2014 posizione 30"));
    // At the window's width, scrolled so that the hit stands in the view.
    auto *area = viewer->findChild<QScrollArea *>(QStringLiteral("Pagina"));
    QTRY_VERIFY(scrolledTo() > 0);
    const QPixmap shown = viewer->findChild<QLabel *>(QStringLiteral("Immagine"))->pixmap();
    QCOMPARE(shown.width(), std::min(area->viewport()->width(), page.width()));
    const double scale = double(shown.width()) / page.width();
    const int hitTop = qRound(hit.top() * scale) - scrolledTo();
    QVERIFY2(hitTop >= 0 && hitTop + qRound(hit.height() * scale) <= area->viewport()->height(),
             qPrintable(QStringLiteral("hit at %1 in a view of %2").arg(hitTop).arg(area->viewport()->height())));
    const QString copy = m_dir->filePath(QStringLiteral("copia.png"));
    bool written = false;
    QVERIFY(QMetaObject::invokeMethod(viewer, "saveCopy", Q_RETURN_ARG(bool, written), Q_ARG(QString, copy)));
    QVERIFY(written);
    QCOMPARE(QImage(copy).size(), page.size());
    viewer->close();
}

void TestForm1::listRunsEveryPhraseInOrderAndSavesIt()
{
    makeListForm();
    auto listRun = listOf({"uno", "due", "tre"}, 5, 5);
    ListRun &list = *listRun;
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
    QCOMPARE(list.outcomes()[2].position(), qint64(10));
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(QStringLiteral("uno - (http://www.velmora.it/4) < ")));
    QVERIFY(lines[1].startsWith(QStringLiteral("due < ")));
    // Each phrase went into the history as a typed one would.
    QVERIFY(m_form->phraseHistory().contains(QStringLiteral("tre")));
}

void TestForm1::listStopsAfterTheCurrentRun()
{
    makeListForm();
    auto listRun = listOf({"uno", "due", "tre"}, 5, 5);
    ListRun &list = *listRun;
    QSignalSpy finished(&list, &ListRun::finished);
    list.start();
    list.stop();
    QCOMPARE(finished.size(), 0);   // the current run goes on
    answer(2);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(m_browser->navigations.size(), 1);
    QCOMPARE(logLines().size(), 1);   // its outcome saved
}

void TestForm1::listPageThatNeedsTheUser()
{
    makeListForm();
    auto listRun = listOf({"uno", "due"}, 5, 5);
    ListRun &list = *listRun;
    QSignalSpy needs(&list, &ListRun::needsUser);
    list.start();
    m_browser->complete(QStringLiteral("<body><h1>Prima di continuare su Google</h1>%1</body>").arg(QString(200, QLatin1Char('x'))),
                        consentShape());
    QCOMPARE(needs.size(), 1);
    QCOMPARE(needs[0][1].toString(), QStringLiteral("uno"));
    // Answered in the page: the results follow and the list goes on.
    answer(3);
    QTRY_COMPARE(m_browser->navigations.size(), 2);
    QCOMPARE(list.outcomes()[0].position(), qint64(3));
    // The main window's "Arresta" while the page waits ends that run, unsaved.
    m_browser->complete(QStringLiteral("<body><h1>traffico insolito</h1>%1</body>").arg(QString(200, QLatin1Char('x'))),
                        consentShape());
    m_form->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QTRY_VERIFY(!list.running());
    QCOMPARE(list.outcomes().size(), 2);
    QCOMPARE(logLines().size(), 1);   // an empty report is not saved
}

void TestForm1::listWindowShowsWhereItIs()
{
    makeListForm();
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
    auto *outcomes = window->findChild<QTableView *>(QStringLiteral("Esiti"));
    QTRY_VERIFY(outcomes->isVisible());
    QCOMPARE(outcomes->model()->rowCount(), 2);
    QCOMPARE(outcomes->model()->index(1, 1).data().toString(), QStringLiteral("non trovato entro 10"));
    QVERIFY(window->findChild<QPushButton *>(QStringLiteral("VaiAndamento"))->isVisible());
    QCOMPARE(where->text(), QStringLiteral("Elenco finito: 2 di 2 frasi cercate."));
    // What moved, the first time: the phrases have no run before.
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("Movimenti"))->text(),
             QStringLiteral("Elenco: 2 frasi, 0 salite, 0 scese, 0 uguali, 1 entrate nei primi 10, 0 uscite, 1 nuove, "
                            "0 non controllate"));
    // A list of this computer alone: there is no shared archive to share it through.
    QVERIFY(!window->findChild<QLineEdit *>(QStringLiteral("ElencoCondiviso"))->isEnabled());
}

void TestForm1::listWindowSharesAListThroughTheArchive()
{
    PgServer server;
    QVERIFY2(server.start(), qPrintable(server.problem()));
    qputenv("PGPASSFILE", server.passFile().toLocal8Bit());
    QVERIFY(SearchOptionsFile::save(m_options.dataFolder.searchOptions(), SearchOptions{{}, 10, server.address()}));
    // Another computer came first, and holds the list's first phrase.
    Archive other(server.address());
    QCOMPARE(other.open().error(), QString());
    QVERIFY(SharedPhrases(other).share(QStringLiteral("settimana"), {"uno", "due", "tre"}, true));
    QVERIFY(SharedPhrases(other).take(QStringLiteral("settimana"), QStringLiteral("altro:7"), 120)->has_value());

    makeListForm();
    m_form->findChild<QAction *>(QStringLiteral("ElencoFrasi"))->trigger();
    auto *window = m_form->findChild<ListWindow *>(QStringLiteral("ElencoFrasi"));
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto *name = window->findChild<QLineEdit *>(QStringLiteral("ElencoCondiviso"));
    QVERIFY(name->isEnabled());
    name->setText(QStringLiteral("settimana"));
    window->setPhrases({"uno", "due", "tre"});
    window->findChild<QPushButton *>(QStringLiteral("AvviaElenco"))->click();
    auto *where = window->findChild<QLabel *>(QStringLiteral("Dove"));
    QCOMPARE(where->text(), QStringLiteral("Frase 1 presa dall'elenco condiviso: due"));

    // Who holds which phrase, as the archive says.
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("Condiviso"));
    QVERIFY(table && table->isVisible());
    const QString self = QStringLiteral(":%1").arg(QCoreApplication::applicationPid());
    QTRY_VERIFY(table->rowCount() == 3 && table->item(1, 1)->text().endsWith(self));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("altro:7"));
    QCOMPARE(table->item(2, 1)->text(), QString());
    answer(2);
    QTRY_COMPARE(where->text(), QStringLiteral("Frase 2 presa dall'elenco condiviso: tre"));
    answer(0);
    // The list waits for the phrase the other computer holds.
    auto *summary = window->findChild<QLabel *>(QStringLiteral("CondivisoStato"));
    QTRY_COMPARE(summary->text(), QStringLiteral("Elenco condiviso \"settimana\": 2 di 3 frasi fatte; in corso su altro:7."));
    QCOMPARE(table->item(1, 2)->text(), QStringLiteral("posizione 2"));
    QCOMPARE(table->item(2, 2)->text(), QStringLiteral("non trovato entro 10"));
    QCOMPARE(table->item(1, 1)->text(), QString());
    QCOMPARE(window->findChild<QProgressBar *>(QStringLiteral("Avanzamento"))->value(), 2);
    QTRY_COMPARE(where->text(), QStringLiteral("Le frasi rimaste sono in corso su altri computer: l'elenco attende che finiscano."));
    // The other computer ends its phrase; the list ends, and the window follows.
    QVERIFY(SharedPhrases(other).end(QStringLiteral("settimana"), 0, QStringLiteral("altro:7"), QStringLiteral("non trovato entro 10"), true));
    QTRY_COMPARE_WITH_TIMEOUT(where->text(), QStringLiteral("Elenco condiviso finito: 2 frasi cercate da questo computer."),
                              ListRun::kSharedWaitMilliseconds * 3);
    QTRY_COMPARE(summary->text(), QStringLiteral("Elenco condiviso \"settimana\": 3 di 3 frasi fatte."));
    // A machine that met a check page cools down; the window says until when.
    QVERIFY(SharedPhrases(other).pause(QStringLiteral("settimana"), QStringLiteral("altro:9"), 600000));
    const QString until = QTime::currentTime().addSecs(600).toString(QStringLiteral("HH:mm"));
    QTRY_VERIFY2(summary->text().contains(QStringLiteral("altro:9 in pausa fino alle ")), qPrintable(summary->text()));
    QVERIFY2(summary->text().contains(until) || summary->text().contains(QTime::currentTime().addSecs(600).toString(QStringLiteral("HH:mm"))),
             qPrintable(summary->text()));
    QCOMPARE(window->findChild<QProgressBar *>(QStringLiteral("Avanzamento"))->value(), 3);

    // The list's options show the program's archive, and leave it as it is.
    window->findChild<QPushButton *>(QStringLiteral("OpzioniElenco"))->click();
    QDialog *dialog = nullptr;
    QVERIFY(QTest::qWaitFor([&] { return (dialog = window->findChild<QDialog *>(QStringLiteral("OpzioniRicerca"))) && dialog->isVisible(); }));
    auto *archive = dialog->findChild<QLineEdit *>(QStringLiteral("ArchivioCondiviso"));
    QCOMPARE(archive->text(), server.address());
    QVERIFY(archive->isReadOnly());
    dialog->accept();
    QCOMPARE(SearchOptionsFile::load(m_options.dataFolder.searchOptions()).archive, server.address());
    window->close();
    m_form.reset();
    qunsetenv("PGPASSFILE");
}

void TestForm1::searchOptionsAreSetKeptAndShown()
{
    const QByteArray settings("velmora\r\n10\r\nbimby\r\n");
    writeBytes(m_options.dataFolder.settingsFile(), settings);
    makeListForm();
    const QSize normal = m_form->size();
    QVERIFY(!m_form->findChild<QLabel *>(QStringLiteral("Opzioni")));
    auto openOptions = [](QWidget *from, const std::function<void()> &open) {
        open();
        QDialog *dialog = nullptr;
        (void)QTest::qWaitFor([&] { return (dialog = from->findChild<QDialog *>(QStringLiteral("OpzioniRicerca"))) && dialog->isVisible(); });
        return dialog;
    };
    QDialog *dialog = openOptions(m_form.get(), [this] { m_form->findChild<QAction *>(QStringLiteral("ApriOpzioni"))->trigger(); });
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Opzioni di ricerca"));
    auto *device = dialog->findChild<QComboBox *>(QStringLiteral("Dispositivo"));
    device->setCurrentIndex(device->findText(QStringLiteral("smartphone")));
    dialog->findChild<QLineEdit *>(QStringLiteral("Luogo"))->setText(QStringLiteral("Milano"));
    dialog->accept();
    // A name that is no canonical one: said, and the dialog stays.
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("Problema"))->text().contains(QStringLiteral("Milan,Lombardy,Italy")));
    QVERIFY(SearchOptionsFile::load(m_options.dataFolder.searchOptions()) == SearchOptions());
    dialog->findChild<QLineEdit *>(QStringLiteral("Luogo"))->setText(QStringLiteral("Milan,Lombardy,Italy"));
    QCOMPARE(m_browser->settleSeconds, Settling::kDefaultSeconds);
    dialog->findChild<QSpinBox *>(QStringLiteral("AttesaLettura"))->setValue(4);
    dialog->accept();
    QTRY_VERIFY(!m_form->findChild<QDialog *>(QStringLiteral("OpzioniRicerca")));
    const SearchPlace milan{Device::Smartphone, "it", "it", "Milan,Lombardy,Italy"};
    QCOMPARE(SearchOptionsFile::load(m_options.dataFolder.searchOptions()).place, milan);
    // The reading's wait holds from the next page on, and is kept.
    QCOMPARE(m_browser->settleSeconds, 4);
    QCOMPARE(SearchOptionsFile::load(m_options.dataFolder.searchOptions()).settleSeconds, 4);
    QCOMPARE(readBytes(m_options.dataFolder.settingsFile()), settings);
    QVERIFY(control("Opzioni")->isVisible());
    QCOMPARE(control<QLabel>("Opzioni")->text(), QStringLiteral("Ricerche da: smartphone, Milan,Lombardy,Italy"));
    // The line stands under the inputs; the window grows by it and keeps the controls' places.
    QTRY_COMPARE(m_form->centralWidget()->size(), QSize(748, 459));
    QVERIFY(m_form->size().height() > normal.height());

    start(QStringLiteral("bimby"));
    QCOMPARE(m_browser->devices.constLast(), Device::Smartphone);
    QVERIFY(m_browser->navigations.constLast().endsWith(QStringLiteral("&uule=w%2BCAIQICIUTWlsYW4sTG9tYmFyZHksSXRhbHk%3D")));
    answer(3);
    QTRY_COMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Avvia"));
    control<QPushButton>("Command2")->click();
    QVERIFY2(logLines().constLast().contains(QStringLiteral("bimby [smartphone, Milan]")), qPrintable(logLines().constLast()));

    // A list takes its own options; the window's stay.
    m_form->findChild<QAction *>(QStringLiteral("ElencoFrasi"))->trigger();
    auto *window = m_form->findChild<ListWindow *>(QStringLiteral("ElencoFrasi"));
    QCOMPARE(window->findChild<QLineEdit *>(QStringLiteral("DispositivoLuogo"))->text(),
             QStringLiteral("smartphone, Milan,Lombardy,Italy"));
    dialog = openOptions(window, [window] { window->findChild<QPushButton *>(QStringLiteral("OpzioniElenco"))->click(); });
    QVERIFY(dialog);
    // The program's wait, shown and not changed there.
    QVERIFY(!dialog->findChild<QSpinBox *>(QStringLiteral("AttesaLettura"))->isEnabled());
    for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
        if (button->text() == QLatin1String("Predefinite"))
            button->click();
    }
    dialog->accept();
    QCOMPARE(window->findChild<QLineEdit *>(QStringLiteral("DispositivoLuogo"))->text(),
             QStringLiteral("computer, Italia (predefinite)"));
    window->setPhrases({"uno"});
    window->findChild<QPushButton *>(QStringLiteral("AvviaElenco"))->click();
    QCOMPARE(m_browser->devices.constLast(), Device::Computer);
    QCOMPARE(m_browser->navigations.constLast(), QStringLiteral("http://h/search?q=uno"));
    answer(0);
    QTRY_VERIFY(window->findChild<QTableView *>(QStringLiteral("Esiti"))->isVisible());
    QCOMPARE(m_form->searchPlace(), milan);

    // A new window finds the options kept.
    window->close();
    m_form.reset();
    makeForm();
    QCOMPARE(m_form->searchPlace(), milan);
    QVERIFY(control("Opzioni")->isVisible());
    QCOMPARE(SearchOptionsFile::load(m_options.dataFolder.searchOptions()).settleSeconds, 4);
}

void TestForm1::listPhrasesOfAText()
{
    QCOMPARE(ListRun::phrasesOf({"  bimby ", "", "ricette", "bimby", "\t"}), (QStringList{"bimby", "ricette"}));
}

void TestForm1::everyRunIsArchived()
{
    makeForm();
    control<QLineEdit>("Text1(2)")->setText(QStringLiteral("3"));
    // A classic page, then today's with the hit, an AI overview citing it and
    // a featured answer.
    start();
    m_browser->complete(page(sites(1, 10)));
    waitForNavigations(2);
    const PageLinks today{QStringLiteral("http://h/search?q=bimby&start=10"),
                          {"http://www.sito11.it/", "http://h/url?q=http://www.velmora.it/x", "https://support.google.com/a",
                           "http://h/search?q=bimby+ricette"},
                          {},
                          {"Undici", "Velmora", "Aiuto", "Ricette"},
                          PageFeatures{2, 1, "http://h/url?q=http://www.sito11.it/", true,
                                       {"http://h/url?q=http%3A%2F%2Fwww.velmora.it%2F", "https://w.it/"}, true, false, {}},
                          {}};
    m_browser->complete(QString(), today);
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("\"velmora\" trovato nella posizione n° 12"));
    QCOMPARE(m_lastOutcome.aiCitation, (AiCitation{1, 2}));
    // A page that asks the user, then "Arresta".
    start(QStringLiteral("ricette"));
    m_browser->complete(QStringLiteral("<body><h1>Prima di continuare</h1>%1</body>").arg(QString(200, QLatin1Char('x'))));
    control<QPushButton>("Command1")->click();
    QVERIFY(!m_lastOutcome.aiCitation);
    // "Arresta" while the first page loads: the page still counts.
    start(QStringLiteral("torte"));
    control<QPushButton>("Command1")->click();
    m_browser->complete(page(sites(1, 10)));
    m_form.reset();
    m_run.reset();   // what is queued gets written

    Archive archive(m_options.dataFolder.archive());
    QVERIFY(archive.open());
    QCOMPARE(RunArchive(archive).series()->size(), 3);
    const ArchivedRun found = RunArchive(archive).runsOf(QStringLiteral("bimby"))->constFirst();
    QCOMPARE(found.host, QStringLiteral("h"));
    QCOMPARE(found.fragment, QStringLiteral("velmora"));
    QCOMPARE(found.started, m_options.clock());
    QCOMPARE(found.end, RunEnd::Found);
    QCOMPARE(found.position, 12);
    QCOMPARE(found.pages.size(), 2);
    QCOMPARE(found.pages[0].reading, PageReading::Classic);
    QCOMPARE(found.pages[0].results.size(), 10);
    QCOMPARE(found.pages[0].results[9], (ArchivedResult{10, "http://www.sito10.it/", ""}));
    QCOMPARE(found.pages[1].reading, PageReading::Today);
    QCOMPARE(found.pages[1].offset, 10);
    // The whole page, past the hit; Google's help is a result like any other.
    QCOMPARE(found.pages[1].results, (QList<ArchivedResult>{{11, "http://www.sito11.it/", "Undici"},
                                                            {12, "http://www.velmora.it/x", "Velmora"},
                                                            {13, "https://support.google.com/a", "Aiuto"}}));
    QCOMPARE(found.pages[1].features,
             std::optional<PageFeatures>(PageFeatures{2, 1, "http://www.sito11.it/", true,
                                                      {"http://www.velmora.it/", "https://w.it/"}, true, false, {}}));
    const ArchivedRun waiting = RunArchive(archive).runsOf(QStringLiteral("ricette"))->constFirst();
    QCOMPARE(waiting.end, RunEnd::WaitingForUser);
    QVERIFY(waiting.pages.isEmpty());
    const ArchivedRun stopped = RunArchive(archive).runsOf(QStringLiteral("torte"))->constFirst();
    QCOMPARE(stopped.end, RunEnd::Stopped);
    QCOMPARE(stopped.position, 10);
    // The result log is written only by "Salva risultato".
    QVERIFY(!QFile::exists(m_options.dataFolder.resultLog()));
}

void TestForm1::archiveFaultsNoteOnceAndRunsGoOn_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("note");
    QTest::newRow("a folder in the archive's place") << "folder" << "Impossibile scrivere l'archivio";
    QTest::newRow("a shared archive that does not answer")
        << "server" << "L'archivio condiviso postgresql://cerca@127.0.0.1:1/nessuno non risponde";
    QTest::newRow("a damaged archive")
        << "damaged" << QStringLiteral("Archivio-danneggiato-%1.sqlite").arg(QDate::currentDate().toString(Qt::ISODate));
}

void TestForm1::archiveFaultsNoteOnceAndRunsGoOn()
{
    QFETCH(QString, fault);
    QFETCH(QString, note);
    if (fault == QLatin1String("folder"))
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Archivio.sqlite")));
    else if (fault == QLatin1String("server"))
        QVERIFY(SearchOptionsFile::save(m_options.dataFolder.searchOptions(),
                                        SearchOptions{{}, 10, QStringLiteral("postgresql://cerca@127.0.0.1:1/nessuno")}));
    else
        writeBytes(m_options.dataFolder.archive(), QByteArray(5000, '\x01'));
    makeForm();
    for (int run = 1; run <= 3; ++run) {
        start();
        answer(run);
        QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("\"velmora\" trovato nella posizione n° %1").arg(run));
        control<QPushButton>("Command2")->click();
    }
    QTRY_COMPARE(m_desktop->warnings.size(), 1);
    QVERIFY2(m_desktop->warnings.constFirst().contains(note), qPrintable(m_desktop->warnings.constFirst()));
    QTest::qWait(200);
    QCOMPARE(m_desktop->warnings.size(), 1);
    QCOMPARE(logLines().size(), 3);
    m_form.reset();
    if (fault == QLatin1String("damaged")) {
        Archive archive(m_options.dataFolder.archive());
        QVERIFY(archive.open());
        QCOMPARE(RunArchive(archive).runsOf(QStringLiteral("bimby"))->size(), 3);
        QCOMPARE(QFileInfo(m_dir->filePath(note)).size(), 5000);
    }
    if (fault == QLatin1String("server")) {
        // The three runs wait beside the data for the server to answer.
        QFile waiting(QDir(m_dir->path()).filePath(QStringLiteral("Archivio condiviso-in-attesa-%1.jsonl")
                                                       .arg(QCoreApplication::applicationPid())));
        QVERIFY(waiting.open(QIODevice::ReadOnly));
        QCOMPARE(waiting.readAll().count("\"tipo\":\"fine\""), 3);
    }
}

void TestForm1::noResultsPageEndsTheResults_data()
{
    QTest::addColumn<bool>("today");
    QTest::newRow("classic reading") << false;
    QTest::newRow("today's reading") << true;
}

void TestForm1::noResultsPageEndsTheResults()
{
    QFETCH(bool, today);
    makeForm();
    control<QLineEdit>("Text1(2)")->setText(QStringLiteral("5"));
    start();
    if (today)
        m_browser->complete(QString(), PageLinks{"http://h/search?q=bimby", sites(1, 9), {"http://h/search?q=bimby&start=10"}, {}, {}, {}});
    else
        m_browser->complete(page(sites(1, 10)));
    waitForNavigations(2);
    m_browser->complete(QStringLiteral("<head><title>bimby</title></head><body><form action=\"/search\"></form><div id=res>"
                                       "<p>La ricerca di - <b>bimby</b> - non ha prodotto risultati in nessun documento."
                                       "</p></div></body>"),
                        noResultsShape());
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("'velmora' non trovato!"));
    QCOMPARE(textColour(control("Label1")), QColor(0, 64, 0));
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Avvia"));
    QVERIFY(!m_form->findChild<QLabel *>(QStringLiteral("BrowserNote")));   // never shown as a question
    QCOMPARE(control<ListBox>("List1")->count(), today ? 9 : 10);
    QTest::qWait(100);
    QCOMPARE(m_browser->navigations.size(), 2);
}

void TestForm1::listPausesVaryWithinTheirBounds()
{
    makeListForm();
    // A mean of 10 s: between 5 and 15 s. A mean of 6 s: never under 5 s.
    for (const auto &[mean, low, high] : {std::tuple{10000, 5000, 15000}, std::tuple{6000, 5000, 9000}}) {
        auto listRun = listOf({"uno"}, mean, ListRun::kMinimumPauseSeconds * 1000);
        ListRun &list = *listRun;
        list.seed(2026);
        int lowest = high;
        int highest = low;
        QSet<int> seen;
        for (int i = 0; i < 2000; ++i) {
            const int pause = list.drawPause();
            QVERIFY2(pause >= low && pause <= high, qPrintable(QString::number(pause)));
            lowest = std::min(lowest, pause);
            highest = std::max(highest, pause);
            seen.insert(pause);
        }
        QVERIFY(highest > high - 100);
        QVERIFY(lowest < (mean == 10000 ? 5100 : 5001));
        QVERIFY(seen.size() > 1000);   // no fixed interval
    }
    QCOMPARE(PauseSchedule().next(0, 10000, 5000, 0.0), 5000);
    QCOMPARE(PauseSchedule().next(0, 10000, 5000, 0.999999), 15000);
    QCOMPARE(PauseSchedule().next(0, 5000, 5000, 0.25), 5000);
}

void TestForm1::pagesWithNothingToRead_data()
{
    QTest::addColumn<bool>("inList");
    QTest::addColumn<QStringList>("pages");   // what the first phrase's page gives each time it is asked
    QTest::addColumn<QString>("said");        // the list's line, or the window's note, begins so
    QTest::addColumn<bool>("waits");          // a single run waits for the user
    const QString unread = QStringLiteral("Pagina non letta: il programma non ne riconosce il contenuto. È salvata in ");
    QTest::newRow("list: fails once, then is read") << true << QStringList{"fail", "hit"}
                                                   << "uno: posizione 3 (http://www.velmora.it/3)" << false;
    QTest::newRow("list: fails twice") << true << QStringList{"fail", "fail"} << "uno: pagina non caricata" << false;
    QTest::newRow("list: a page nobody can place") << true << QStringList{"unknown"} << "uno: pagina non letta (salvata in "
                                                  << false;
    QTest::newRow("window: fails") << false << QStringList{"fail"}
                                   << "La pagina dei risultati non si è caricata. Premi \"Avvia\" per riprovare." << false;
    QTest::newRow("window: a page nobody can place") << false << QStringList{"unknown"} << unread << true;
}

void TestForm1::pagesWithNothingToRead()
{
    QFETCH(bool, inList);
    QFETCH(QStringList, pages);
    QFETCH(QString, said);
    QFETCH(bool, waits);
    makeListForm();
    auto listRun = listOf({"uno", "due"}, 5, 5);
    ListRun &list = *listRun;
    QSignalSpy finished(&list, &ListRun::finished);
    if (inList)
        list.start();
    else
        start(QStringLiteral("uno"));
    for (qsizetype i = 0; i < pages.size(); ++i) {
        QTRY_COMPARE(m_browser->navigations.size(), i + 1);
        if (pages[i] == QLatin1String("fail"))
            m_browser->complete(std::nullopt);
        else if (pages[i] == QLatin1String("unknown"))
            m_browser->complete(QStringLiteral("<body><div id=altro>%1</div></body>").arg(QString(200, QLatin1Char('x'))));
        else
            answer(3);
    }
    // The same page asked again, never another.
    QCOMPARE(m_browser->navigations.count(QStringLiteral("http://h/search?q=uno")), pages.size());
    const QDir kept(m_dir->filePath(QStringLiteral("Pagine non lette")));
    QCOMPARE(kept.entryList({QStringLiteral("*.html")}, QDir::Files).size(), pages.contains(QStringLiteral("unknown")) ? 1 : 0);
    if (!inList) {
        auto *note = control<QLabel>("BrowserNote");
        QVERIFY(note->isVisible());
        QVERIFY2(note->text().startsWith(said), qPrintable(note->text()));
        QCOMPARE(control<QPushButton>("Command1")->text(), waits ? QStringLiteral("Arresta") : QStringLiteral("Avvia"));
        QCOMPARE(control<QLabel>("Label1")->text(), QString());
        QTest::qWait(50);
        QCOMPARE(m_browser->navigations.size(), 1);
        return;
    }
    QTRY_COMPARE(m_browser->navigations.constLast(), QStringLiteral("http://h/search?q=due"));
    answer(0);
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY2(list.outcomes()[0].line().startsWith(said), qPrintable(list.outcomes()[0].line()));
    // Only what was measured goes into the log.
    QCOMPARE(logLines().size(), list.outcomes()[0].unchecked() ? 1 : 2);
    QVERIFY(!m_form->findChild<QLabel *>(QStringLiteral("BrowserNote")));
}

void TestForm1::listPageThatNeverCompletesEndsItsPhrase()
{
    makeListForm();
    auto listRun = listOf({"uno", "due", "tre"}, 5, 5);
    ListRun &list = *listRun;
    list.setPageTimeout(300);
    QSignalSpy finished(&list, &ListRun::finished);
    list.start();
    answer(4);
    QTRY_COMPARE(m_browser->navigations.size(), 2);   // "due" never completes
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->navigations.size(), 4, 3000);
    QCOMPARE(m_browser->navigations[2], QStringLiteral("about:blank"));   // the page let go
    QCOMPARE(m_browser->navigations[3], QStringLiteral("http://h/search?q=tre"));
    answer(0);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(list.outcomes()[1].line(), QStringLiteral("due: pagina non caricata"));
    QCOMPARE(list.outcomes()[1].end, RunEnd::PageNotLoaded);
    // No log line for what was not measured.
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[1].startsWith(QStringLiteral("tre < ")));
    // The single run of "Avvia" waits as ever.
    start(QStringLiteral("quattro"));
    QTest::qWait(600);
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Arresta"));
}

void TestForm1::listResumesWhereItStopped()
{
    makeListForm();
    auto *progress = new ListProgress(m_options.dataFolder.listProgress(), {"uno", "due", "tre"}, "velmora", "1", false);
    {
        auto listRun = listOf({"uno", "due", "tre"}, 5, 5);
    ListRun &list = *listRun;
        list.setProgress(progress);
        QSignalSpy finished(&list, &ListRun::finished);
        list.start();
        answer(2);
        QTRY_COMPARE(m_browser->navigations.size(), 2);
        list.stop();   // after "due"
        answer(0);
        QTRY_COMPARE(finished.size(), 1);
    }
    delete progress;
    // The list window offers to go on; "Riprendi" asks only "tre".
    m_form->findChild<QAction *>(QStringLiteral("ElencoFrasi"))->trigger();
    auto *window = m_form->findChild<ListWindow *>(QStringLiteral("ElencoFrasi"));
    window->setPhrases({"uno", "due", "tre"});
    auto *resume = window->findChild<QPushButton *>(QStringLiteral("Riprendi"));
    QVERIFY(!resume->isHidden());
    QCOMPARE(resume->text(), QStringLiteral("Riprendi (2 già cercate)"));
    window->setPhrases({"uno", "due", "altra"});
    QVERIFY(resume->isHidden());   // another list
    window->setPhrases({"uno", "due", "tre"});
    resume->click();
    QTRY_COMPARE(m_browser->navigations.size(), 3);
    QCOMPARE(m_browser->navigations[2], QStringLiteral("http://h/search?q=tre"));
    answer(1);
    QTRY_VERIFY(!window->run()->running());
    QCOMPARE(window->run()->outcomes().size(), 1);
    // Ended normally: nothing left to resume.
    QVERIFY(resume->isHidden());
    QVERIFY(!ListProgress(m_options.dataFolder.listProgress(), {"uno", "due", "tre"}, "velmora", "1", false).hasUnfinished());
}

CERCA_WATCHED_TEST_MAIN(TestForm1)
#include "tst_form1.moc"
