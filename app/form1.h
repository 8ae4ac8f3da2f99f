#pragma once

#include "app/historymodule.h"
#include "app/layoutrule.h"
#include "search/searchrun.h"
#include "store/datafolder.h"
#include "store/searchoptionsfile.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class Desktop;
class ListBox;
class PageInFront;
class Shape;
class ClickLabel;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStringListModel;
class QTimer;

struct Form1Options
{
    DataFolder dataFolder;
    int timer2Interval = 300;  // how long the activity indicator flashes
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    QString dateSeparator;     // empty: the system's
    int listMillisecondsPerSecond = 1000;   // the pause between the phrases of a list
};

// The program's one window: a view of a search run. It reads its controls
// into the run's inputs, starts and stops the run, and shows what the run
// reads; the settings file and "Salva risultato" are its own.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    Form1(SearchRun *run, Desktop *desktop, Form1Options options, QWidget *parent = nullptr);
    ~Form1() override;

    // Adds a new phrase to the history and rewrites the settings file.
    void Salvataggio();
    // "Salva risultato": the report line as it stands, appended to the result log.
    void saveResult();

    SearchRun *run() const { return m_run; }
    const RunValues &runValues() const { return m_run->values(); }
    const DataFolder &dataFolder() const { return m_options.dataFolder; }
    // The run's inputs as the controls hold them.
    RunInputs runInputs() const;
    QStringList phraseHistory() const;
    void setRunInputs(const QString &fragment, const QString &pageLimit, bool italianOnly);
    // "Andamento delle posizioni", "Concorrenti" for one phrase, and "Cerca un elenco di frasi...".
    void openHistory();
    void openCompetitors(const QString &phrase);
    void openPhraseList();
    // "Griglia locale...": a grid of searches around a place.
    void openGridWindow();
    // "Opzioni di ricerca...": the device, country, language and place of
    // the searches, kept in their own file.
    void openSearchOptions();
    const SearchPlace &searchPlace() const { return m_searchOptions.place; }

    QSize normalClientSize() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createMenus();
    void connectRun();
    void setTabOrderOfControls();
    void load();
    void loadSettings();
    void applyLayoutRule();
    void applyGeometry(const LayoutGeometry &geometry);

    void startCommand();
    void runStarted();
    void pageRead(const ScanResult &result);
    void runEnded(const RunOutcome &outcome);
    void flashIndicator();
    void showLogInList();
    void mainView();
    void clearPhraseList();
    void openAddress(const QString &address);
    void addPhrase(const QString &phrase);
    void warn(const QString &message);
    void setSearchOptions(const SearchOptions &options);
    QSize optionsLineSize() const;

    SearchRun *m_run;
    Desktop *m_desktop;
    Form1Options m_options;
    LayoutGeometry m_layout;
    std::unique_ptr<PageInFront> m_pageInFront;
    HistoryWindows m_historyWindows;
    QPointer<QWidget> m_listWindow;
    QPointer<QWidget> m_gridWindow;
    SearchOptions m_searchOptions;
    QLabel *m_optionsLine = nullptr;       // the options in force, when not the defaults

    // The controls, by their object names in brackets.
    QWidget *m_client = nullptr;
    ListBox *m_foundSites = nullptr;       // List1
    ListBox *m_logEntries = nullptr;       // List2
    ListBox *m_hits = nullptr;             // List3
    QFrame *m_controls = nullptr;          // Frame4
    QCheckBox *m_continueMode = nullptr;   // Check1
    QCheckBox *m_italianOnly = nullptr;    // Check2
    QPushButton *m_startButton = nullptr;  // Command1
    QPushButton *m_saveButton = nullptr;   // Command2
    QGroupBox *m_phraseFrame = nullptr;    // Frame1
    QGroupBox *m_fragmentFrame = nullptr;  // Frame2
    QGroupBox *m_positionFrame = nullptr;  // Frame3
    QComboBox *m_phrase = nullptr;         // Combo1
    QStringListModel *m_phrases = nullptr; // its items
    ClickLabel *m_clearPhrases = nullptr;  // Label2
    QLineEdit *m_fragment = nullptr;       // Text1(1)
    QLineEdit *m_pageLimit = nullptr;      // Text1(2)
    QLabel *m_report = nullptr;            // Label1
    QString m_packWords;   // what Label1 adds after the caption: the place in the local pack
    QLabel *m_linesCaption = nullptr;      // Label3
    QLabel *m_offset = nullptr;            // Label4
    Shape *m_indicator = nullptr;          // Shape1
    QWidget *m_browserArea = nullptr;      // WebBrowser1
    QTimer *m_indicatorTimer = nullptr;    // Timer2
    QMenu *m_engineMenu = nullptr;         // Motore
    QMenu *m_popup = nullptr;              // Menu: the found sites' popup
};
