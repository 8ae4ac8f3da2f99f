#include "app/form1.h"

#include "app/controls.h"
#include "app/foundsitesmenu.h"
#include "app/gridwindow.h"
#include "app/listbox.h"
#include "app/listwindow.h"
#include "search/faultnotes.h"
#include "search/notes.h"
#include "app/pageinfront.h"
#include "app/searchoptionsdialog.h"
#include "platform/addressrule.h"
#include "platform/browser.h"
#include "platform/chromium/screencastview.h"
#include "platform/desktop.h"
#include "platform/timers.h"
#include "store/listorder.h"
#include "store/logviewer.h"
#include "store/resultlog.h"
#include "store/searchoptionsfile.h"
#include "store/settingsfile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStringListModel>
#include <QTimer>

namespace {

const QString kStart = QStringLiteral("Avvia");
const QString kStop = QStringLiteral("Arresta");
const QString kHomePage = QStringLiteral("http://www.velmora.it/?Quoranta");

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

} // namespace

Form1::Form1(SearchRun *run, Desktop *desktop, Form1Options options, QWidget *parent)
    : QMainWindow(parent)
    , m_run(run)
    , m_desktop(desktop)
    , m_options(std::move(options))
    , m_historyWindows(this, [this](const QString &message) { warn(message); })
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
    ScreencastView::attach(m_run->page(), m_browserArea);
    m_pageInFront = std::make_unique<PageInFront>(m_client, m_browserArea, m_run->page());
    m_pageInFront->setBottom(m_controls->y());
    connectRun();

    resize(normalClientSize() + QSize(0, menuBar()->sizeHint().height()) + optionsLineSize());
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    load();
}

Form1::~Form1()
{
    // A page that completes while the window goes away is not read.
    m_run->abandon();
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
    m_hits = place(new ListBox(false, m_client), "List3", 8940, 30, 2085, 5325);
    m_hits->setToolTip(QStringLiteral("Occorrenze totali trovate."));

    m_controls = place(new QFrame(m_client), "Frame4", 120, 5430, 10935, 1305);
    m_controls->setFrameShape(QFrame::NoFrame);
    m_controls->setWindowTitle(QStringLiteral("Frame4"));

    m_italianOnly = place(new QCheckBox(QStringLiteral("Cerca solo pagine in italiano"), m_controls), "Check2", 210, 120, 2475, 435);
    m_saveButton = place(new CommandButton(QStringLiteral("Salva risultato"), m_controls), "Command2", 9960, 30, 825, 585);
    m_saveButton->setToolTip(QStringLiteral("Premere per salvare nel Log"));
    m_startButton = place(new CommandButton(kStart, m_controls), "Command1", 9960, 660, 855, 585);

    m_phraseFrame = place(new QGroupBox(QStringLiteral("Stringa di ricerca"), m_controls), "Frame1", 120, 570, 2715, 705);
    m_phrase = place(new QComboBox(m_phraseFrame), "Combo1", 150, 300, 2205, 315);
    m_phrase->setEditable(true);
    m_phrase->setInsertPolicy(QComboBox::NoInsert);
    m_phrase->setCompleter(nullptr);
    // The history can hold a million phrases: a plain list of strings, rows
    // of one height, and no pass over every phrase to size the box.
    m_phrases = new QStringListModel(m_phrase);
    m_phrase->setModel(m_phrases);
    m_phrase->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (auto *view = qobject_cast<QListView *>(m_phrase->view()))
        view->setUniformItemSizes(true);
    m_phrase->setEditText(QStringLiteral("bimby"));
    m_clearPhrases = place(new ClickLabel(QStringLiteral("C"), m_phraseFrame), "Label2", 2430, 330, 195, 225);
    m_clearPhrases->setFont(boldFont(font()));
    setTextColour(m_clearPhrases, kDarkRed);
    m_clearPhrases->setCursor(Qt::PointingHandCursor);
    m_clearPhrases->setToolTip(QStringLiteral("Cancella la lista"));

    m_fragmentFrame = place(new QGroupBox(QStringLiteral("Indirizzo da cercare"), m_controls), "Frame2", 3030, 570, 2475, 705);
    m_fragment = place(new QLineEdit(QStringLiteral("velmora"), m_fragmentFrame), "Text1(1)", 120, 300, 2205, 315);

    m_positionFrame = place(new QGroupBox(QStringLiteral("Posizione"), m_controls), "Frame3", 5640, 570, 3705, 705);
    m_continueMode = place(new QCheckBox(QStringLiteral("Arriva alla fine"), m_positionFrame), "Check1", 2100, 270, 1425, 375);
    m_continueMode->setToolTip(QStringLiteral("Controlla tutte le pagine richieste."));
    m_pageLimit = place(new QLineEdit(QString::number(RunInputs::kDefaultPageLimit), m_positionFrame), "Text1(2)", 540, 300, 555, 315);
    m_pageLimit->setAlignment(Qt::AlignCenter);
    m_offset = place(new QLabel(QStringLiteral("0"), m_positionFrame), "Label4", 120, 340, 315, 255);
    m_offset->setAlignment(Qt::AlignCenter);
    m_linesCaption = place(new QLabel(QStringLiteral("x 10 linee"), m_positionFrame), "Label3", 1110, 350, 795, 285);

    m_report = place(new QLabel(m_controls), "Label1", 2790, 150, 7095, 345);
    m_report->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_report->setLineWidth(1);
    makeReportPanel(m_report, kDarkGreen);
    m_indicator = place(new Shape(m_controls), "Shape1", 9510, 840, 255, 255);
    m_indicator->setBackColor(colourFromBgr(kDarkGreen));

    m_logEntries = place(new ListBox(true, m_client), "List2", 60, 30, 1275, 450);

    m_indicatorTimer = new QTimer(this);
    m_indicatorTimer->setObjectName(QStringLiteral("Timer2"));
    m_indicatorTimer->setInterval(m_options.timer2Interval);
    m_indicatorTimer->setSingleShot(true);

    m_foundSites = place(new ListBox(false, m_client), "List1", 60, 30, 8835, 5325);
    m_foundSites->setToolTip(QStringLiteral("Lista dei siti trovati."));

    m_browserArea = place(new QWidget(m_client), "WebBrowser1", 1170, 1380, 1155, 2805);

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

    connect(m_startButton, &QPushButton::clicked, this, &Form1::startCommand);
    connect(m_saveButton, &QPushButton::clicked, this, &Form1::saveResult);
    // The rule follows the box's value however it changes: mouse, keyboard,
    // an assistive technology's action.
    connect(m_continueMode, &QCheckBox::stateChanged, this,
            [this] { m_saveButton->setEnabled(m_continueMode->checkState() == Qt::Unchecked); });
    connect(m_indicatorTimer, &QTimer::timeout, this, [this] {
        m_indicatorTimer->stop();
        m_indicator->setBackColor(colourFromBgr(kDarkGreen));
    });
    connect(m_clearPhrases, &ClickLabel::clicked, this, &Form1::clearPhraseList);
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

    m_engineMenu = bar->addMenu(QString::fromLatin1(RunOutcome::kEngine));
    m_engineMenu->setObjectName(QStringLiteral("Motore"));
    m_engineMenu->menuAction()->setVisible(false);

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
    connect(homePage, &QAction::triggered, this, [this] { openAddress(kHomePage); });

    m_popup = bar->addMenu(QStringLiteral("Menu"));
    m_popup->setObjectName(QStringLiteral("Menu"));
    new FoundSitesMenu(m_foundSites, m_popup,
                       {[this] { return m_engineMenu->title(); }, [this](const QString &address) { openAddress(address); },
                        [this](const QString &entry) {
                            return QueryAddress::resultsPageOfEntry(m_run->host(), m_phrase->currentText(), entry,
                                                                    m_run->inputs().place);
                        }});

    QMenu *strumenti = bar->addMenu(QStringLiteral("Strumenti"));
    strumenti->setObjectName(QStringLiteral("Strumenti"));
    action(strumenti, "ElencoFrasi", QStringLiteral("Cerca un elenco di frasi..."), &Form1::openPhraseList);
    action(strumenti, "GrigliaLocale", QStringLiteral("Griglia locale..."), &Form1::openGridWindow);
    action(strumenti, "ApriOpzioni", QStringLiteral("Opzioni di ricerca..."), &Form1::openSearchOptions);
}

// --- Where and how the searches are made ----------------------------------

QSize Form1::optionsLineSize() const
{
    return QSize(0, m_optionsLine && !m_optionsLine->isHidden() ? statusBar()->sizeHint().height() : 0);
}

void Form1::setSearchOptions(const SearchOptions &options)
{
    m_searchOptions = options;
    m_run->page()->setSettleSeconds(options.settleSeconds);
    const SearchPlace &place = options.place;
    const bool shown = !place.isDefault();
    if (!m_optionsLine && !shown)
        return;
    if (!m_optionsLine) {
        m_optionsLine = new QLabel(this);
        m_optionsLine->setObjectName(QStringLiteral("Opzioni"));
        statusBar()->setSizeGripEnabled(false);
        statusBar()->addWidget(m_optionsLine, 1);
    }
    const bool wasShown = !statusBar()->isHidden();
    m_optionsLine->setText(QStringLiteral("Ricerche da: %1").arg(SearchPlaces::describe(place)));
    statusBar()->setVisible(shown);
    m_optionsLine->setVisible(shown);
    if (shown != wasShown && windowState() == Qt::WindowNoState)
        resize(normalClientSize() + QSize(0, menuBar()->sizeHint().height()) + optionsLineSize());
}

void Form1::openSearchOptions()
{
    auto *dialog = new SearchOptionsDialog(m_searchOptions, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        setSearchOptions(dialog->options());
        const QString file = m_options.dataFolder.searchOptions();
        if (!SearchOptionsFile::save(file, m_searchOptions))
            warn(QStringLiteral("Opzioni di ricerca non salvate: impossibile scrivere %1. Valgono fino alla chiusura.").arg(file));
    });
    dialog->open();
}

void Form1::setTabOrderOfControls()
{
    const QList<QWidget *> order{m_foundSites, m_browserArea, m_logEntries, m_pageLimit, m_fragment, m_phrase,
                                 m_startButton, m_hits, m_continueMode, m_saveButton, m_italianOnly};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    m_browserArea->setFocusPolicy(Qt::NoFocus);
    m_foundSites->setFocus();
}

// Start-up: the popup menu out of the bar, the found-sites list in front, then
// the saved settings.
void Form1::load()
{
    m_popup->menuAction()->setVisible(false);
    m_foundSites->raise();
    loadSettings();
}

void Form1::loadSettings()
{
    setSearchOptions(SearchOptionsFile::load(m_options.dataFolder.searchOptions()));
    const std::optional<Settings> settings = SettingsFile::load(m_options.dataFolder.settingsFile());
    if (!settings)
        return;
    QStringList phrases = m_phrases->stringList() + settings->history;
    ListOrder::sort(phrases);
    m_phrases->setStringList(phrases);
    m_phrase->setEditText(settings->history.isEmpty() ? QString() : settings->history.constLast());
    m_fragment->setText(settings->fragment);
    m_pageLimit->setText(settings->pageLimit);
}

void Form1::addPhrase(const QString &phrase)
{
    const QString text = m_phrase->currentText();
    const int row = int(ListOrder::insertPosition(m_phrases->stringList(), phrase));
    m_phrases->insertRows(row, 1);
    m_phrases->setData(m_phrases->index(row), phrase);
    // Adding to the list never changes what the field shows.
    m_phrase->setEditText(text);
}

void Form1::Salvataggio()
{
    const QString phrase = m_phrase->currentText();
    if (phrase.isEmpty())
        return;
    if (m_phrases->stringList().contains(phrase))
        return;
    addPhrase(phrase);

    const Settings settings{m_fragment->text(), m_pageLimit->text(), m_phrases->stringList()};
    if (!SettingsFile::save(m_options.dataFolder.settingsFile(), settings))
        warn(QStringLiteral("Impostazioni non salvate: impossibile scrivere %1.").arg(m_options.dataFolder.settingsFile()));
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        applyLayoutRule();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The window's size follows only maximize, minimize and restore; a size
    // dragged by the user goes back to the normal one.
    const QSize normal = normalClientSize() + QSize(0, menuBar()->height()) + optionsLineSize();
    if (windowState() == Qt::WindowNoState && isVisible() && event->size() != normal) {
        QTimer::singleShot(0, this, [this] {
            if (windowState() == Qt::WindowNoState)
                resize(normalClientSize() + QSize(0, menuBar()->height()) + optionsLineSize());
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
    m_foundSites->setGeometry(m_foundSites->x(), m_foundSites->y(), pixels(g.list1Width), pixels(g.list1Height));
    m_logEntries->setGeometry(m_logEntries->x(), m_logEntries->y(), pixels(g.list2Width), pixels(g.list2Height));
    m_hits->setGeometry(pixels(g.list3Left), m_hits->y(), pixels(g.list3Width), pixels(g.list3Height));
    m_controls->move(pixels(g.frame4Left), pixels(g.frame4Top));
    m_pageInFront->place(m_controls->y());
}


void Form1::warn(const QString &message)
{
    m_desktop->warn(this, message);
}

// --- A run -----------------------------------------------------------------

void Form1::connectRun()
{
    connect(m_run, &SearchRun::started, this, &Form1::runStarted);
    connect(m_run, &SearchRun::nextPageAsked, this, [this](qint64 offset) { m_offset->setText(QString::number(offset)); });
    connect(m_run, &SearchRun::pageRead, this, &Form1::pageRead);
    connect(m_run, &SearchRun::ended, this, &Form1::runEnded);
    connect(m_run, &SearchRun::needsUser, this, [this] {
        m_pageInFront->show(QStringLiteral("%1 chiede una risposta prima di mostrare i risultati: rispondi nella pagina qui "
                                       "sotto, la ricerca riprende da sola.")
                            .arg(m_engineMenu->title()));
    });
    connect(m_run, &SearchRun::pageKept, this, [this](const QString &file) {
        m_pageInFront->show(QStringLiteral("Pagina non letta: il programma non ne riconosce il contenuto. È salvata in %1.").arg(file));
    });
    // Said here for the program's whole life: the list window's lists run with this run too.
    auto *faults = new FaultNotes(this);
    faults->follow(m_run);
    connect(faults, &FaultNotes::note, this, &Form1::warn);
}

RunInputs Form1::runInputs() const
{
    return RunInputs{m_phrase->currentText(), m_fragment->text(), m_pageLimit->text(),
                     m_continueMode->checkState() == Qt::Checked, m_italianOnly->isChecked(), m_searchOptions.place,
                     m_searchOptions.picturesKept};
}

void Form1::startCommand()
{
    // A stop only turns the caption back: what is pending still arrives,
    // except while the run waits for the user in the browser.
    mainView();
    if (m_run->active()) {
        m_startButton->setText(kStart);
        m_run->stop();
        return;
    }
    m_run->start(runInputs());
}

void Form1::runStarted()
{
    // A list's run shows in the window as if it had been typed here.
    const RunInputs &inputs = m_run->inputs();
    m_phrase->setEditText(inputs.phrase);
    setRunInputs(inputs.fragment, inputs.pageLimit, inputs.italianOnly);
    m_continueMode->setChecked(inputs.continueMode);
    m_startButton->setText(kStop);
    flashIndicator();
    Salvataggio();
    m_report->clear();
    m_packWords.clear();
    m_foundSites->clearEntries();
    m_hits->clearEntries();
}

void Form1::flashIndicator()
{
    Timers::enable(*m_indicatorTimer);
    m_indicator->setBackColor(colourFromBgr(kBrightGreen));
}

void Form1::pageRead(const ScanResult &result)
{
    m_pageInFront->putBack();
    flashIndicator();
    for (const QString &entry : result.entries)
        m_foundSites->addEntry(entry);
    for (const QString &hit : result.hits)
        m_hits->addEntry(hit);
    if (result.colour != ReportColour::Unchanged)
        setTextColour(m_report, result.colour == ReportColour::Red ? kRed : kDarkGreen);
    if (result.report)
        m_report->setText(*result.report);
    if (result.endsRun())
        m_desktop->beep();
}

void Form1::runEnded(const RunOutcome &outcome)
{
    m_startButton->setText(kStart);
    m_packWords = outcome.pack();
    if (!m_packWords.isEmpty())
        m_report->setText(m_report->text() + m_packWords);
    if (outcome.end == RunEnd::PageNotLoaded && !m_run->inList()) {
        m_pageInFront->show(QStringLiteral("La pagina dei risultati non si è caricata%1. Premi \"%2\" per riprovare.")
                            .arg(outcome.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(outcome.detail), kStart));
    } else if (outcome.end == RunEnd::Unfinished && !outcome.detail.isEmpty()) {
        warn(outcome.detail);   // no browser, or options that cannot be searched
    }
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing asks nothing and saves nothing; a run in progress is abandoned,
    // so that neither a timer nor a late page acts on a closed window.
    m_indicatorTimer->stop();
    m_run->abandon();
    QWidget::closeEvent(event);
}

void Form1::setRunInputs(const QString &fragment, const QString &pageLimit, bool italianOnly)
{
    m_fragment->setText(fragment);
    m_pageLimit->setText(pageLimit);
    m_italianOnly->setChecked(italianOnly);
}

QStringList Form1::phraseHistory() const
{
    return m_phrases->stringList();
}

// --- Saved data ------------------------------------------------------------

void Form1::saveResult()
{
    ResultReport report;
    report.italianOnly = m_italianOnly->isChecked();
    // The log keeps the caption as a list's run writes it.
    report.report = m_report->text();
    if (!m_packWords.isEmpty() && report.report.endsWith(m_packWords))
        report.report.chop(m_packWords.size());
    // The phrase as the last run searched it: a phone's or a place's position
    // stays apart in the log.
    report.phrase = SearchPlaces::seriesOf(m_phrase->currentText(), m_run->inputs().place);
    report.position = m_run->values().contaPosizione;
    report.lastAddress = m_run->values().indirizzoCorrente.value_or(QString());
    report.engine = m_engineMenu->title();
    const std::optional<QString> line = ResultLog::buildLine(report, m_options.clock(), m_options.dateSeparator);
    if (line && !ResultLog::append(m_options.dataFolder.resultLog(), *line))
        warn(Notes::resultNotSaved(m_options.dataFolder.resultLog()));
}

void Form1::showLogInList()
{
    m_logEntries->raise();
    m_logEntries->clearEntries();
    m_logEntries->show();
    m_logEntries->addSortedEntries(LogViewer::entries(m_options.dataFolder.resultLog()));
}

void Form1::mainView()
{
    m_pageInFront->putBack();
    m_foundSites->raise();
    m_logEntries->hide();
}

void Form1::openHistory()
{
    m_historyWindows.openHistory(m_options.dataFolder.resultLog());
}

void Form1::openCompetitors(const QString &phrase)
{
    m_historyWindows.openCompetitors(m_options.dataFolder.archiveInUse(), phrase);
}

void Form1::openPhraseList()
{
    if (!m_listWindow) {
        ListSource source{[this] { return runInputs(); }, phraseHistory(), m_options.dataFolder, m_options.dateSeparator,
                          m_options.listMillisecondsPerSecond, [this](const QString &message) { warn(message); }};
        auto *window = new ListWindow(m_run, std::move(source), this);
        connect(window, &ListWindow::historyRequested, this, &Form1::openHistory);
        connect(window, &ListWindow::competitorsRequested, this, &Form1::openCompetitors);
        m_listWindow = window;
    }
    m_listWindow->show();
    m_listWindow->raise();
    m_listWindow->activateWindow();
}

void Form1::openGridWindow()
{
    if (!m_gridWindow) {
        ListSource source{[this] { return runInputs(); }, QStringList{m_phrase->currentText()}, m_options.dataFolder,
                          m_options.dateSeparator, m_options.listMillisecondsPerSecond,
                          [this](const QString &message) { warn(message); }};
        m_gridWindow = new GridWindow(m_run, std::move(source), this);
    }
    m_gridWindow->show();
    m_gridWindow->raise();
    m_gridWindow->activateWindow();
}

void Form1::openAddress(const QString &address)
{
    if (const std::optional<QUrl> url = AddressRule::openableAddress(address))
        m_desktop->openAddress(*url);
}

void Form1::clearPhraseList()
{
    m_phrase->clear();
    m_phrase->clearEditText();
}
