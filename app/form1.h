#pragma once

#include "app/historymodule.h"
#include "app/layoutrule.h"
#include "search/queryaddress.h"
#include "search/resultlinks.h"
#include "search/runrecorder.h"
#include "search/runvalues.h"
#include "store/datafolder.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <array>
#include <memory>
#include <functional>

class Browser;
class Desktop;
class ListBox;
class Shape;
class ClickLabel;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLibrary;
class QLineEdit;
class QMenu;
class QPushButton;
class QStringListModel;
class QTimer;
struct ScanInput;
struct ScanResult;

struct Form1Options
{
    DataFolder dataFolder;
    QString host = QueryAddress::defaultHost();
    int timer1Interval = 2000; // pause before the next results page
    int timer2Interval = 300;  // how long the activity indicator flashes
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    QString dateSeparator;     // empty: the system's
    int listMillisecondsPerSecond = 1000;   // the pause between the phrases of a list
    bool archive = true;       // every run kept in the data folder's archive
};

// The program's one window.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    Form1(Browser *browser, Desktop *desktop, Form1Options options, QWidget *parent = nullptr);
    ~Form1() override;

    // Reads one results page of the run.
    void RecuperaDati(const QString &pageText);
    // Adds a new phrase to the history and rewrites the settings file.
    void Salvataggio();

    const RunValues &runValues() const { return m_run; }
    const DataFolder &dataFolder() const { return m_options.dataFolder; }

    // For a run of many phrases: a run started as if the user had typed the
    // phrase and pressed "Avvia"; the report line; "Salva risultato".
    void startRunFor(const QString &phrase);
    QString report() const;
    void saveResult();
    // The fragment, page limit and Italian-only option as they stand.
    QString fragment() const;
    QString pageLimit() const;
    bool italianOnly() const;
    QStringList phraseHistory() const;
    void setRunInputs(const QString &fragment, const QString &pageLimit, bool italianOnly);
    // Ends the run whose page has not completed: the page is let go, nothing
    // is reported, and the run is archived as such.
    void abandonUnloadedPage();
    // Runs of a list: a page that fails to load is asked again once, after a
    // pause drawn by `pause`, and a page the reader cannot place ends its
    // run. An empty function: single runs, which show either in the window.
    void setListMode(std::function<int()> pause);
    // Whether an AI overview of the last run cites the fragment.
    bool citedInAiOverview() const;
    // "Andamento delle posizioni" and "Cerca un elenco di frasi...".
    void openHistory();
    // "Concorrenti" for one phrase.
    void openCompetitors(const QString &phrase);
    void openPhraseList();

signals:
    // A run has ended by its own rules (a hit, the end of the results, the
    // page limit, a stop) and its report stands in the report line.
    void runEnded();
    // A page of the run asks the user something: the browser is in front.
    void pageNeedsUser();
    // A results page of the run has been asked for, and has completed (with
    // whatever it holds).
    void pageLoading();
    void pageCompleted();
    // A run ended on a page with nothing measured: one that did not load
    // (detail: why) or one the reader could not place (detail: where it is kept).
    void runFailed(RunEnd end, const QString &detail);

public:
    QSize normalClientSize() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createMenus();
    void setTabOrderOfControls();
    void load();
    void loadSettings();
    void applyLayoutRule();
    void applyGeometry(const LayoutGeometry &geometry);

    void startCommand();
    void indicatorTick();
    void continueModeClicked();
    void documentComplete();
    void pageNotLoaded(const QString &why);
    void keepUnreadPage();
    void endRunOnPage(RunEnd end, const QString &detail);
    void askForPage(const QString &address);
    void browserUnavailable(const QString &note);
    void nextPageTimer();
    void showLogInList();
    void mainView();
    void openHomePage();
    void openSelectedAddress();
    void openSelectedResultsPage();
    void clearPhraseList();
    void showPopup(Qt::MouseButton button, const QPoint &globalPosition);

    void flashIndicator();
    ScanInput scanInput() const;
    void readTodayResults(const QList<ResultLinks::TitledLink> &results, bool hasNextPage,
                          const std::optional<PageFeatures> &features);
    void recordPage(PageReading reading, const RunValues &before, const QList<ResultLinks::TitledLink> &results,
                    const std::optional<PageFeatures> &features);
    void abandonRun();
    bool loadHistoryModule();
    void showWindow(QWidget *window);
    void archiveProblem(const QString &note, bool setAside);
    void applyScan(const ScanResult &result);
    // A page that asks the user something: the browser over the lists, with a note.
    void showBrowserInFront();
    void showPageWithNote(const QString &note);
    void placeBrowserInFront();
    void putBrowserBack();
    bool browserInFront() const;
    void openAddress(const QString &address);
    int selectedIndexOfList1() const;
    QString engineName() const;
    void addPhrase(const QString &phrase);

    Browser *m_browser;
    QStringListModel *m_phrases = nullptr; // Combo1's items
    Desktop *m_desktop;
    Form1Options m_options;
    RunValues m_run;
    LayoutGeometry m_layout;

    QWidget *m_client = nullptr;
    ListBox *List1 = nullptr;
    ListBox *List2 = nullptr;
    ListBox *List3 = nullptr;
    QFrame *Frame4 = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QComboBox *Combo1 = nullptr;
    ClickLabel *Label2 = nullptr;
    std::array<QLineEdit *, 3> Text1{}; // elements 1 and 2
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    Shape *Shape1 = nullptr;
    QWidget *WebBrowser1 = nullptr;
    QLabel *m_browserNote = nullptr;    // made when the browser first comes to the front
    QRect m_browserGeometry;            // WebBrowser1's place behind the lists
    QPointer<QWidget> m_aboveBrowser;   // the sibling it goes back under
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *m_retryTimer = nullptr;     // a page that failed, asked again in a list
    QString m_pageAddress;              // the results page asked for last
    bool m_pageRetried = false;
    bool m_pageKept = false;            // the unread page was kept already
    std::function<int()> m_listPause;   // set while a list runs

    QMenu *Motore = nullptr;
    QMenu *Menu = nullptr;
    QAction *ApriGoo = nullptr;

    std::unique_ptr<QLibrary> m_historyModule;   // loaded at the first opening
    CreateHistoryWindow m_createHistory = nullptr;
    CreateCompetitorsWindow m_createCompetitors = nullptr;
    QPointer<QWidget> m_historyWindow;
    QPointer<QWidget> m_competitorsWindow;
    QPointer<QWidget> m_listWindow;
    std::unique_ptr<RunRecorder> m_recorder;
    bool m_archiveProblemShown = false;
};
