#include "app/form1.h"

#include "app/controls.h"
#include "app/foundsites.h"
#include "app/historymodule.h"
#include "app/listbox.h"
#include "app/listwindow.h"
#include "platform/addressrule.h"
#include "platform/browser.h"
#include "platform/desktop.h"
#include "platform/modules.h"
#include "search/pagekind.h"
#include "search/resultlinks.h"
#include "search/scanner.h"
#include "store/archivewriter.h"
#include "store/listorder.h"
#include "store/logviewer.h"
#include "store/resultlog.h"
#include "store/settingsfile.h"
#include "store/unreadpages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGroupBox>
#include <QLibrary>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStringListModel>
#include <QTimer>

namespace {

const QString kStart = QStringLiteral("Avvia");
const QString kStop = QStringLiteral("Arresta");
const QString kHomePage = QStringLiteral("http://www.velmora.it/?Quoranta");

constexpr quint32 kDarkGreen = 0x4000;
constexpr quint32 kBrightGreen = 0xC000;
constexpr quint32 kRed = 255;
constexpr quint32 kLightYellow = 0xC0FFFF;
constexpr quint32 kDarkRed = 0xC0;

constexpr int kClientWidthTwips = 11220;
constexpr int kClientHeightTwips = 6885;

int pixels(double twips)
{
    return qRound(twips / LayoutRule::kTwipsPerPixel);
}

template <typename W>
W *place(W *widget, const char *name, double left, double top, double width, double height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
    return widget;
}

void setTextColour(QWidget *widget, quint32 bgr)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colourFromBgr(bgr));
    widget->setPalette(palette);
}

QFont boldFont(const QFont &base)
{
    QFont font = base;
    font.setPointSizeF(9.75);
    font.setBold(true);
    return font;
}

// Centred bold text on light yellow, as the report line shows it.
void makeReportPanel(QLabel *label, quint32 textBgr)
{
    label->setAlignment(Qt::AlignCenter);
    label->setFont(boldFont(label->font()));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colourFromBgr(kLightYellow));
    palette.setColor(QPalette::WindowText, colourFromBgr(textBgr));
    label->setPalette(palette);
}

// Enabling a timer that runs already neither adds a second event nor
// restarts its countdown.
void enable(QTimer *timer)
{
    if (!timer->isActive())
        timer->start();
}

} // namespace

Form1::Form1(Browser *browser, Desktop *desktop, Form1Options options, QWidget *parent)
    : QMainWindow(parent)
    , m_browser(browser)
    , m_desktop(desktop)
    , m_options(std::move(options))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Cerca Posizione - ver. 1.0.4"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(dialogFont(QApplication::font(), 8.25));
    if (m_options.dateSeparator.isEmpty())
        m_options.dateSeparator = ResultLog::systemDateSeparator();

    createControls();
    createMenus();
    setTabOrderOfControls();

    m_browser->attach(WebBrowser1);
    connect(m_browser, &Browser::documentComplete, this, &Form1::documentComplete);
    connect(m_browser, &Browser::unavailable, this, &Form1::browserUnavailable);
    if (m_options.archive) {
        auto *writer = new ArchiveWriter(m_options.dataFolder.archive(), this);
        connect(writer, &ArchiveWriter::problem, this, &Form1::archiveProblem);
        m_recorder = std::make_unique<RunRecorder>(writer);
    } else {
        m_recorder = std::make_unique<RunRecorder>(nullptr);
    }

    resize(normalClientSize() + QSize(0, menuBar()->sizeHint().height()));
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    load();
}

Form1::~Form1()
{
    // The windows' code lives in the module, which stays loaded.
    delete m_historyWindow;
    delete m_competitorsWindow;
    // A page that completes while the window goes away is not read.
    disconnect(m_browser, nullptr, this, nullptr);
    abandonRun();
}

QSize Form1::normalClientSize() const
{
    return QSize(pixels(kClientWidthTwips), pixels(kClientHeightTwips));
}

void Form1::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    // Created back to front, as they stack.
    List3 = place(new ListBox(false, m_client), "List3", 8940, 30, 2085, 5325);
    List3->setToolTip(QStringLiteral("Occorrenze totali trovate."));

    Frame4 = place(new QFrame(m_client), "Frame4", 120, 5430, 10935, 1305);
    Frame4->setFrameShape(QFrame::NoFrame);
    Frame4->setWindowTitle(QStringLiteral("Frame4"));

    Check2 = place(new QCheckBox(QStringLiteral("Cerca solo pagine in italiano"), Frame4), "Check2", 210, 120, 2475, 435);
    Command2 = place(new CommandButton(QStringLiteral("Salva risultato"), Frame4), "Command2", 9960, 30, 825, 585);
    Command2->setToolTip(QStringLiteral("Premere per salvare nel Log"));
    Command1 = place(new CommandButton(kStart, Frame4), "Command1", 9960, 660, 855, 585);

    Frame1 = place(new QGroupBox(QStringLiteral("Stringa di ricerca"), Frame4), "Frame1", 120, 570, 2715, 705);
    Combo1 = place(new QComboBox(Frame1), "Combo1", 150, 300, 2205, 315);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);
    // The history can hold a million phrases: a plain list of strings, rows
    // of one height, and no pass over every phrase to size the box.
    m_phrases = new QStringListModel(Combo1);
    Combo1->setModel(m_phrases);
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (auto *view = qobject_cast<QListView *>(Combo1->view()))
        view->setUniformItemSizes(true);
    Combo1->setEditText(QStringLiteral("bimby"));
    Label2 = place(new ClickLabel(QStringLiteral("C"), Frame1), "Label2", 2430, 330, 195, 225);
    Label2->setFont(boldFont(font()));
    setTextColour(Label2, kDarkRed);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setToolTip(QStringLiteral("Cancella la lista"));

    Frame2 = place(new QGroupBox(QStringLiteral("Indirizzo da cercare"), Frame4), "Frame2", 3030, 570, 2475, 705);
    Text1[1] = place(new QLineEdit(QStringLiteral("velmora"), Frame2), "Text1(1)", 120, 300, 2205, 315);

    Frame3 = place(new QGroupBox(QStringLiteral("Posizione"), Frame4), "Frame3", 5640, 570, 3705, 705);
    Check1 = place(new QCheckBox(QStringLiteral("Arriva alla fine"), Frame3), "Check1", 2100, 270, 1425, 375);
    Check1->setToolTip(QStringLiteral("Controlla tutte le pagine richieste."));
    Text1[2] = place(new QLineEdit(QStringLiteral("10"), Frame3), "Text1(2)", 540, 300, 555, 315);
    Text1[2]->setAlignment(Qt::AlignCenter);
    Label4 = place(new QLabel(QStringLiteral("0"), Frame3), "Label4", 120, 340, 315, 255);
    Label4->setAlignment(Qt::AlignCenter);
    Label3 = place(new QLabel(QStringLiteral("x 10 linee"), Frame3), "Label3", 1110, 350, 795, 285);

    Label1 = place(new QLabel(Frame4), "Label1", 2790, 150, 7095, 345);
    Label1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label1->setLineWidth(1);
    makeReportPanel(Label1, kDarkGreen);
    Shape1 = place(new Shape(Frame4), "Shape1", 9510, 840, 255, 255);
    Shape1->setBackColor(colourFromBgr(kDarkGreen));

    List2 = place(new ListBox(true, m_client), "List2", 60, 30, 1275, 450);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(m_options.timer2Interval);
    Timer2->setSingleShot(true);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(m_options.timer1Interval);
    Timer1->setSingleShot(true);
    // A coarse timer may fire up to 5% early; the pause between pages is a minimum.
    Timer1->setTimerType(Qt::PreciseTimer);

    List1 = place(new ListBox(false, m_client), "List1", 60, 30, 8835, 5325);
    List1->setToolTip(QStringLiteral("Lista dei siti trovati."));
    List1->viewport()->installEventFilter(this);

    WebBrowser1 = place(new QWidget(m_client), "WebBrowser1", 1170, 1380, 1155, 2805);

    m_layout.list1Width = 8835;
    m_layout.list1Height = 5325;
    m_layout.list2Width = 1275;
    m_layout.list2Height = 450;
    m_layout.list3Left = 8940;
    m_layout.list3Width = 2085;
    m_layout.list3Height = 5325;
    m_layout.frame4Left = 120;
    m_layout.frame4Top = 5430;
    m_layout.frame4Width = 10935;
    m_layout.frame4Height = 1305;

    connect(Command1, &QPushButton::clicked, this, &Form1::startCommand);
    connect(Command2, &QPushButton::clicked, this, &Form1::saveResult);
    // The rule follows the box's value however it changes: mouse, keyboard,
    // an assistive technology's action.
    connect(Check1, &QCheckBox::stateChanged, this, &Form1::continueModeClicked);
    connect(Timer1, &QTimer::timeout, this, &Form1::nextPageTimer);
    m_retryTimer = new QTimer(this);
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, [this] { askForPage(m_pageAddress); });
    connect(Timer2, &QTimer::timeout, this, &Form1::indicatorTick);
    connect(Label2, &ClickLabel::clicked, this, &Form1::clearPhraseList);
}

void Form1::createMenus()
{
    auto action = [this](QMenu *menu, const char *name, const QString &caption, void (Form1::*slot)()) {
        QAction *item = menu->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, slot);
        return item;
    };
    QMenuBar *bar = menuBar();

    Motore = bar->addMenu(QStringLiteral("Google"));
    Motore->setObjectName(QStringLiteral("Motore"));
    Motore->menuAction()->setVisible(false);

    QMenu *datiSalvati = bar->addMenu(QStringLiteral("Dati storici salvati"));
    datiSalvati->setObjectName(QStringLiteral("DatiSalvati"));
    action(datiSalvati, "ApriProg", QStringLiteral("Apri nel programma"), &Form1::showLogInList);
    QAction *apriNote = datiSalvati->addAction(QStringLiteral("Apri in notepad"));
    apriNote->setObjectName(QStringLiteral("ApriNote"));
    connect(apriNote, &QAction::triggered, this, [this] { m_desktop->startEditor(m_options.dataFolder.resultLog()); });
    action(datiSalvati, "FinePrinc", QStringLiteral("Finestra Principale"), &Form1::mainView);
    action(datiSalvati, "AndamentoPos", QStringLiteral("Andamento delle posizioni"), &Form1::openHistory);

    QAction *fpc = bar->addAction(QStringLiteral("File di configurazione"));
    fpc->setObjectName(QStringLiteral("Fpc"));
    connect(fpc, &QAction::triggered, this, [this] { m_desktop->startEditor(m_options.dataFolder.settingsFile()); });
    QAction *homePage = bar->addAction(QStringLiteral("HomePage"));
    homePage->setObjectName(QStringLiteral("HomePage"));
    connect(homePage, &QAction::triggered, this, &Form1::openHomePage);

    Menu = bar->addMenu(QStringLiteral("Menu"));
    Menu->setObjectName(QStringLiteral("Menu"));
    action(Menu, "ApriInd", QStringLiteral("Apri l'indirizzo su browser"), &Form1::openSelectedAddress);
    ApriGoo = action(Menu, "ApriGoo", FoundSites::resultsPageCaption(engineName()), &Form1::openSelectedResultsPage);

    QMenu *strumenti = bar->addMenu(QStringLiteral("Strumenti"));
    strumenti->setObjectName(QStringLiteral("Strumenti"));
    action(strumenti, "ElencoFrasi", QStringLiteral("Cerca un elenco di frasi..."), &Form1::openPhraseList);
}

void Form1::setTabOrderOfControls()
{
    const QList<QWidget *> order{List1, WebBrowser1, List2, Text1[2], Text1[1], Combo1,
                                 Command1, List3, Check1, Command2, Check2};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    WebBrowser1->setFocusPolicy(Qt::NoFocus);
    List1->setFocus();
}

// Start-up: the popup menu out of the bar, the found-sites list in front, then
// the saved settings.
void Form1::load()
{
    Menu->menuAction()->setVisible(false);
    List1->raise();
    loadSettings();
}

void Form1::loadSettings()
{
    const std::optional<Settings> settings = SettingsFile::load(m_options.dataFolder.settingsFile());
    if (!settings)
        return;
    QStringList phrases = m_phrases->stringList() + settings->history;
    ListOrder::sort(phrases);
    m_phrases->setStringList(phrases);
    Combo1->setEditText(settings->history.isEmpty() ? QString() : settings->history.constLast());
    Text1[1]->setText(settings->fragment);
    Text1[2]->setText(settings->pageLimit);
}

void Form1::addPhrase(const QString &phrase)
{
    const QString text = Combo1->currentText();
    const int row = int(ListOrder::insertPosition(m_phrases->stringList(), phrase));
    m_phrases->insertRows(row, 1);
    m_phrases->setData(m_phrases->index(row), phrase);
    // Adding to the list never changes what the field shows.
    Combo1->setEditText(text);
}

void Form1::Salvataggio()
{
    const QString phrase = Combo1->currentText();
    if (phrase.isEmpty())
        return;
    if (m_phrases->stringList().contains(phrase))
        return;
    addPhrase(phrase);

    const Settings settings{Text1[1]->text(), Text1[2]->text(), m_phrases->stringList()};
    if (!SettingsFile::save(m_options.dataFolder.settingsFile(), settings))
        m_desktop->warn(this, QStringLiteral("Impostazioni non salvate: impossibile scrivere %1.")
                                  .arg(m_options.dataFolder.settingsFile()));
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        applyLayoutRule();
    } else if (List1 && watched == List1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton) {
                // Only the left button selects.
                showPopup(mouse->button(), mouse->globalPosition().toPoint());
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu
                   && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
            // The keyboard's menu key acts as the right button, over the selected entry.
            const int index = selectedIndexOfList1();
            const QRect row = index < 0 ? QRect() : List1->visualItemRect(List1->item(index));
            showPopup(Qt::RightButton, List1->viewport()->mapToGlobal(row.center()));
            return true;
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                openSelectedAddress();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The window's size follows only maximize, minimize and restore; a size
    // dragged by the user goes back to the normal one.
    const QSize normal = normalClientSize() + QSize(0, menuBar()->height());
    if (windowState() == Qt::WindowNoState && isVisible() && event->size() != normal) {
        QTimer::singleShot(0, this, [this] {
            if (windowState() == Qt::WindowNoState)
                resize(normalClientSize() + QSize(0, menuBar()->height()));
        });
    }
}

void Form1::applyLayoutRule()
{
    const double twips = LayoutRule::kTwipsPerPixel;
    m_layout = LayoutRule::apply(m_layout, m_client->width() * twips, m_client->height() * twips,
                                 frameGeometry().width() * twips);
    applyGeometry(m_layout);
}

void Form1::applyGeometry(const LayoutGeometry &g)
{
    List1->setGeometry(List1->x(), List1->y(), pixels(g.list1Width), pixels(g.list1Height));
    List2->setGeometry(List2->x(), List2->y(), pixels(g.list2Width), pixels(g.list2Height));
    List3->setGeometry(pixels(g.list3Left), List3->y(), pixels(g.list3Width), pixels(g.list3Height));
    Frame4->move(pixels(g.frame4Left), pixels(g.frame4Top));
    if (browserInFront())
        placeBrowserInFront();
}

QString Form1::engineName() const
{
    return Motore->title();
}

// --- A run -----------------------------------------------------------------

void Form1::flashIndicator()
{
    enable(Timer2);
    Shape1->setBackColor(colourFromBgr(kBrightGreen));
}

void Form1::startCommand()
{
    // A stop only turns the caption back: what is pending still arrives,
    // except while the run waits for the user in the browser.
    const bool waiting = browserInFront();
    mainView();
    if (Command1->text() == kStop) {
        Command1->setText(kStart);
        if (waiting) {
            m_recorder->runAbandoned(RunEnd::WaitingForUser, m_run, m_options.clock());
            emit runEnded();
        }
        return;
    }
    const QString phrase = Combo1->currentText();
    if (phrase.isEmpty())
        return;
    // A stopped run whose last page never came.
    if (m_recorder->running())
        m_recorder->runAbandoned(RunEnd::Stopped, m_run, m_options.clock());
    Command1->setText(kStop);
    flashIndicator();
    Salvataggio();
    Label1->setText(QString());
    m_run.contaPosizione = 0;
    m_run.inizioPagina = 0;
    List1->clearEntries();
    List3->clearEntries();
    m_retryTimer->stop();
    m_pageRetried = false;
    askForPage(QueryAddress::firstPage(m_options.host, Combo1->currentText()));
    ArchivedRun run;
    run.phrase = phrase;
    run.host = m_options.host;
    run.italianOnly = Check2->isChecked();
    run.fragment = Text1[1]->text();
    run.started = m_options.clock();
    m_recorder->runStarted(run);
}

void Form1::abandonRun()
{
    if (m_recorder && m_recorder->running())
        m_recorder->runAbandoned(browserInFront() ? RunEnd::WaitingForUser : RunEnd::Unfinished, m_run, m_options.clock());
}

void Form1::archiveProblem(const QString &note, bool setAside)
{
    // One note about writing for the program's whole life: the runs go on.
    if (!setAside && std::exchange(m_archiveProblemShown, true))
        return;
    m_desktop->warn(this, note);
}

void Form1::abandonUnloadedPage()
{
    if (!m_recorder->running())
        return;
    // A blank page takes the place of the one in flight, which never reports.
    m_browser->navigate2(QStringLiteral("about:blank"));
    endRunOnPage(RunEnd::PageNotLoaded, QStringLiteral("tempo scaduto"));
}

void Form1::setListMode(std::function<int()> pause)
{
    m_listPause = std::move(pause);
}

void Form1::askForPage(const QString &address)
{
    m_pageAddress = address;
    m_pageKept = false;
    m_browser->navigate2(address);
    emit pageLoading();
}

void Form1::pageNotLoaded(const QString &why)
{
    if (!m_recorder->running())
        return;
    // Servers fail now and then: in a list the page is asked again once.
    if (m_listPause && Command1->text() == kStop && !std::exchange(m_pageRetried, true)) {
        m_retryTimer->start(m_listPause());
        return;
    }
    endRunOnPage(RunEnd::PageNotLoaded, why);
}

void Form1::keepUnreadPage()
{
    const QString path = UnreadPages::pathFor(m_options.dataFolder.unreadPages(), m_options.clock(), Combo1->currentText());
    if (!std::exchange(m_pageKept, true)) {
        m_browser->capturePage([path](const QByteArray &markup, const QByteArray &picture) {
            const QString problem = UnreadPages::keep(path, markup, picture);
            if (!problem.isEmpty())
                qWarning("The page that could not be read was not kept: %s", qPrintable(problem));
        });
    }
    if (m_listPause)
        endRunOnPage(RunEnd::PageUnreadable, QDir::toNativeSeparators(path + QStringLiteral(".html")));
    else
        showPageWithNote(QStringLiteral("Pagina non letta: il programma non ne riconosce il contenuto. È salvata in %1.")
                             .arg(QDir::toNativeSeparators(path + QStringLiteral(".html"))));
}

void Form1::endRunOnPage(RunEnd end, const QString &detail)
{
    Timer1->stop();
    m_retryTimer->stop();
    Command1->setText(kStart);
    m_recorder->runAbandoned(end, m_run, m_options.clock());
    if (!m_listPause && end == RunEnd::PageNotLoaded)
        showPageWithNote(QStringLiteral("La pagina dei risultati non si è caricata%1. Premi \"%2\" per riprovare.")
                             .arg(detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail), kStart));
    emit runFailed(end, detail);
}

bool Form1::citedInAiOverview() const
{
    return m_recorder->citedInAiOverview();
}

void Form1::indicatorTick()
{
    Timer2->stop();
    Shape1->setBackColor(colourFromBgr(kDarkGreen));
}

void Form1::continueModeClicked()
{
    Command2->setEnabled(Check1->checkState() == Qt::Unchecked);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing asks nothing and saves nothing; a run in progress is abandoned,
    // so that neither a timer nor a late page acts on a closed window.
    Timer1->stop();
    Timer2->stop();
    m_retryTimer->stop();
    disconnect(m_browser, nullptr, this, nullptr);
    abandonRun();
    QWidget::closeEvent(event);
}

void Form1::documentComplete()
{
    emit pageCompleted();
    const std::optional<QString> text = m_browser->pageText();
    if (!text) {
        // An error answer, a cut connection, the browser's error page.
        pageNotLoaded(m_browser->loadError());
        return;
    }
    // A page of the classic markup is read as it always was.
    if (text->size() > 100 && Scanner::hasClassicHeading(*text)) {
        putBrowserBack();
        RecuperaDati(*text);
        return;
    }
    const PageLinks links = m_browser->pageLinks();
    // Today's results come from the live document, without the page text.
    const QList<ResultLinks::TitledLink> results = ResultLinks::resultsOf(links.results, links.titles, links.address);
    const PageKind kind = results.isEmpty() ? PageKinds::of(links.shape, links.address, links.pages) : PageKind::NoResults;
    if (!results.isEmpty() || kind == PageKind::NoResults) {
        putBrowserBack();
        std::optional<PageFeatures> features;
        if (links.features)
            features = ResultLinks::resolved(*links.features, links.address);
        readTodayResults(results, ResultLinks::hasNextPage(links.address, links.pages), features);
        return;
    }
    if (Command1->text() != kStop)
        return;
    // Consent or a check: the user answers in the page, and the page that
    // follows is read as usual. A page nobody can place is kept, and said.
    if (kind == PageKind::Question)
        showBrowserInFront();
    else
        keepUnreadPage();
}

void Form1::browserUnavailable(const QString &note)
{
    // Without a browser no page comes: the run ends at once, and says why.
    if (Command1->text() != kStop)
        return;
    Command1->setText(kStart);
    m_recorder->runAbandoned(RunEnd::Unfinished, m_run, m_options.clock());
    m_desktop->warn(this, note);
    emit runEnded();
}

void Form1::showBrowserInFront()
{
    const bool inFront = browserInFront();
    showPageWithNote(QStringLiteral("%1 chiede una risposta prima di mostrare i risultati: rispondi nella "
                                    "pagina qui sotto, la ricerca riprende da sola.")
                         .arg(engineName()));
    if (!inFront)
        emit pageNeedsUser();
}

void Form1::showPageWithNote(const QString &note)
{
    if (!m_browserNote) {
        m_browserNote = new QLabel(m_client);
        m_browserNote->setObjectName(QStringLiteral("BrowserNote"));
        m_browserNote->setWordWrap(true);
        makeReportPanel(m_browserNote, kDarkRed);
        m_browserNote->hide();
    }
    m_browserNote->setText(note);
    if (browserInFront()) {
        placeBrowserInFront();
        return;
    }
    m_browserGeometry = WebBrowser1->geometry();
    const QObjectList &siblings = m_client->children();
    const qsizetype index = siblings.indexOf(WebBrowser1);
    m_aboveBrowser = nullptr;
    for (qsizetype i = index + 1; i < siblings.size() && !m_aboveBrowser; ++i) {
        if (siblings[i]->isWidgetType() && siblings[i] != m_browserNote)
            m_aboveBrowser = static_cast<QWidget *>(siblings[i]);
    }
    m_browserNote->show();
    placeBrowserInFront();
    WebBrowser1->raise();
    m_browserNote->raise();
    m_browser->setInFront(true);
}

bool Form1::browserInFront() const
{
    return m_browserNote && !m_browserNote->isHidden();
}

void Form1::placeBrowserInFront()
{
    // Over the upper area, where the lists lie, down to the controls.
    const QRect upper(0, 0, m_client->width(), Frame4->y());
    const int noteHeight = m_browserNote->heightForWidth(upper.width()) + 8;
    m_browserNote->setGeometry(upper.left(), upper.top(), upper.width(), noteHeight);
    WebBrowser1->setGeometry(upper.adjusted(0, noteHeight, 0, 0));
}

void Form1::putBrowserBack()
{
    if (!browserInFront())
        return;
    m_browserNote->hide();
    WebBrowser1->setGeometry(m_browserGeometry);
    if (m_aboveBrowser)
        WebBrowser1->stackUnder(m_aboveBrowser);
    m_browser->setInFront(false);
}

void Form1::nextPageTimer()
{
    Timer1->stop();
    const bool italianOnly = Check2->isChecked();
    const qint64 offset = m_run.inizioPagina.value_or(0);
    m_pageRetried = false;
    askForPage(QueryAddress::nextPage(m_options.host, Combo1->currentText(), offset, italianOnly));
    Label4->setText(m_run.inizioPagina ? QString::number(*m_run.inizioPagina) : QString());
}

ScanInput Form1::scanInput() const
{
    return ScanInput{Text1[1]->text(), Text1[2]->text(), Check1->checkState() == Qt::Checked,
                     Command1->text() == kStart};
}

void Form1::RecuperaDati(const QString &pageText)
{
    flashIndicator();
    const RunValues before = m_run;
    const ScanResult result = Scanner::scanPage(pageText, scanInput(), m_run);
    if (result.outcome != ScanOutcome::PageIgnored) {
        QList<ResultLinks::TitledLink> results;
        for (const QString &address : Scanner::classicResults(pageText))
            results.append(ResultLinks::TitledLink{address, QString()});
        recordPage(PageReading::Classic, before, results, std::nullopt);
    }
    applyScan(result);
}

void Form1::readTodayResults(const QList<ResultLinks::TitledLink> &results, bool hasNextPage,
                             const std::optional<PageFeatures> &features)
{
    flashIndicator();
    QStringList addresses;
    for (const ResultLinks::TitledLink &result : results)
        addresses.append(result.address);
    const RunValues before = m_run;
    const ScanResult result = Scanner::scanResults(addresses, hasNextPage, scanInput(), m_run);
    recordPage(PageReading::Today, before, results, features);
    applyScan(result);
}

void Form1::recordPage(PageReading reading, const RunValues &before, const QList<ResultLinks::TitledLink> &results,
                       const std::optional<PageFeatures> &features)
{
    m_recorder->pageRead(reading, before.inizioPagina.value_or(0), before.contaPosizione.value_or(0), results, features,
                         m_options.clock());
}

void Form1::applyScan(const ScanResult &result)
{
    if (result.endsRun())
        m_recorder->runEnded(result, m_run, Command1->text() == kStart, m_options.clock());
    for (const QString &entry : result.entries)
        List1->addEntry(entry);
    for (const QString &hit : result.hits)
        List3->addEntry(hit);
    if (result.colour != ReportColour::Unchanged)
        setTextColour(Label1, result.colour == ReportColour::Red ? kRed : kDarkGreen);
    if (result.report)
        Label1->setText(*result.report);
    if (result.endsRun()) {
        Command1->setText(kStart);
        m_desktop->beep();
        emit runEnded();
    } else if (result.wantsNextPage()) {
        enable(Timer1);
    }
}

// --- Runs of many phrases --------------------------------------------------

void Form1::startRunFor(const QString &phrase)
{
    if (Command1->text() == kStop)
        return;
    Combo1->setEditText(phrase);
    startCommand();
}

QString Form1::report() const
{
    return Label1->text();
}

QString Form1::fragment() const
{
    return Text1[1]->text();
}

QString Form1::pageLimit() const
{
    return Text1[2]->text();
}

bool Form1::italianOnly() const
{
    return Check2->isChecked();
}

QStringList Form1::phraseHistory() const
{
    return m_phrases->stringList();
}

void Form1::setRunInputs(const QString &fragment, const QString &pageLimit, bool italianOnly)
{
    Text1[1]->setText(fragment);
    Text1[2]->setText(pageLimit);
    Check2->setChecked(italianOnly);
}

// --- Saved data ------------------------------------------------------------

void Form1::saveResult()
{
    ResultReport report;
    report.italianOnly = Check2->isChecked();
    report.report = Label1->text();
    report.phrase = Combo1->currentText();
    report.position = m_run.contaPosizione;
    report.lastAddress = m_run.indirizzoCorrente.value_or(QString());
    report.engine = engineName();
    const std::optional<QString> line = ResultLog::buildLine(report, m_options.clock(), m_options.dateSeparator);
    if (!line)
        return;
    if (!ResultLog::append(m_options.dataFolder.resultLog(), *line))
        m_desktop->warn(this, QStringLiteral("Risultato non salvato: impossibile scrivere %1.")
                                  .arg(m_options.dataFolder.resultLog()));
}

void Form1::showLogInList()
{
    List2->raise();
    List2->clearEntries();
    List2->show();
    List2->addSortedEntries(LogViewer::entries(m_options.dataFolder.resultLog()));
}

void Form1::mainView()
{
    putBrowserBack();
    List1->raise();
    List2->hide();
}

bool Form1::loadHistoryModule()
{
    if (m_historyModule)
        return true;
    Modules::Loaded module = Modules::load(QStringLiteral("cerca-history"), kCreateHistoryWindow);
    const QFunctionPointer competitors = module.library ? module.library->resolve(kCreateCompetitorsWindow) : nullptr;
    if (!module.library || !competitors) {
        qWarning("The position history could not be loaded: %s", qPrintable(module.error));
        m_desktop->warn(this, QStringLiteral("La finestra dell'andamento delle posizioni non è disponibile."));
        return false;
    }
    m_historyModule = std::move(module.library);
    m_createHistory = reinterpret_cast<CreateHistoryWindow>(module.entry);
    m_createCompetitors = reinterpret_cast<CreateCompetitorsWindow>(competitors);
    return true;
}

void Form1::openHistory()
{
    if (!loadHistoryModule())
        return;
    // A new window each time, so that it shows the log as it is now.
    delete m_historyWindow;
    m_historyWindow = m_createHistory(m_options.dataFolder.resultLog(), this);
    showWindow(m_historyWindow);
}

void Form1::openCompetitors(const QString &phrase)
{
    if (!loadHistoryModule())
        return;
    delete m_competitorsWindow;
    m_competitorsWindow = m_createCompetitors(m_options.dataFolder.archive(), phrase, this);
    showWindow(m_competitorsWindow);
}

void Form1::showWindow(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void Form1::openPhraseList()
{
    if (!m_listWindow) {
        auto *window = new ListWindow(this, m_options.listMillisecondsPerSecond);
        connect(window, &ListWindow::historyRequested, this, &Form1::openHistory);
        connect(window, &ListWindow::competitorsRequested, this, &Form1::openCompetitors);
        m_listWindow = window;
    }
    m_listWindow->show();
    m_listWindow->raise();
    m_listWindow->activateWindow();
}

void Form1::openHomePage()
{
    openAddress(kHomePage);
}

// --- Found-sites list ------------------------------------------------------

int Form1::selectedIndexOfList1() const
{
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.constFirst());
}

void Form1::openAddress(const QString &address)
{
    if (const std::optional<QUrl> url = AddressRule::openableAddress(address))
        m_desktop->openAddress(*url);
}

void Form1::showPopup(Qt::MouseButton button, const QPoint &globalPosition)
{
    if (!FoundSites::offersPopup(button, selectedIndexOfList1()))
        return;
    ApriGoo->setText(FoundSites::resultsPageCaption(engineName()));
    Menu->popup(globalPosition);
}

void Form1::openSelectedAddress()
{
    const int index = selectedIndexOfList1();
    if (index < 0)
        return;
    openAddress(FoundSites::entryAddress(List1->item(index)->text()));
}

void Form1::openSelectedResultsPage()
{
    const int index = selectedIndexOfList1();
    if (index < 0)
        return;
    const std::optional<QString> address =
        QueryAddress::resultsPageOfEntry(m_options.host, Combo1->currentText(), List1->item(index)->text());
    if (address)
        openAddress(*address);
}

void Form1::clearPhraseList()
{
    Combo1->clear();
    Combo1->clearEditText();
}
