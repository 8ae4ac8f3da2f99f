#include "app/listwindow.h"

#include "search/notes.h"
#include "app/pageviewer.h"
#include "app/searchoptionsdialog.h"
#include "app/sharedlistview.h"
#include "search/listrun.h"
#include "search/sharedlist.h"
#include "search/sharedlistwatch.h"
#include "store/listprogress.h"
#include "store/searchoptionsfile.h"
#include "store/textfile.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QLineEdit *shown(const QString &text, const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    return edit;
}

} // namespace

ListWindow::ListWindow(SearchRun *run, ListSource source, QWidget *parent)
    : QDialog(parent)
    , m_searchRun(run)
    , m_source(std::move(source))
{
    const RunInputs shownInputs = m_source.inputs();
    setObjectName(QStringLiteral("ElencoFrasi"));
    setWindowTitle(QStringLiteral("Cerca un elenco di frasi"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    m_phrases = new QPlainTextEdit(this);
    m_phrases->setObjectName(QStringLiteral("Frasi"));
    m_phrases->setPlainText(m_source.history.join(QLatin1Char('\n')));
    m_load = new QPushButton(QStringLiteral("Carica da file..."), this);
    connect(m_load, &QPushButton::clicked, this, &ListWindow::loadFromFile);

    auto *italian = new QCheckBox(QStringLiteral("Cerca solo pagine in italiano"), this);
    italian->setObjectName(QStringLiteral("SoloItaliano"));
    italian->setChecked(shownInputs.italianOnly);
    italian->setEnabled(false);
    m_pause = new QSpinBox(this);
    m_pause->setObjectName(QStringLiteral("Pausa"));
    m_pause->setRange(ListRun::kMinimumPauseSeconds, 3600);
    m_pause->setValue(ListRun::kDefaultPauseSeconds);
    m_pause->setSuffix(QStringLiteral(" s"));
    m_pause->setToolTip(QStringLiteral("La pausa media: ognuna è tra metà e una volta e mezza, almeno %1 s.")
                            .arg(ListRun::kMinimumPauseSeconds));
    m_pageWait = new QSpinBox(this);
    m_pageWait->setObjectName(QStringLiteral("Attesa"));
    m_pageWait->setRange(1, 3600);
    m_pageWait->setValue(ListRun::kDefaultPageSeconds);
    m_pageWait->setSuffix(QStringLiteral(" s"));
    m_pageWait->setToolTip(QStringLiteral("Una pagina che non arriva entro questo tempo: la frase è \"pagina non "
                                          "caricata\" e l'elenco va avanti."));
    auto *inputs = new QFormLayout;
    inputs->addRow(QStringLiteral("Indirizzo da cercare"), shown(shownInputs.fragment, "Frammento", this));
    inputs->addRow(QStringLiteral("Pagine"), shown(shownInputs.pageLimit, "Pagine", this));
    inputs->addRow(QString(), italian);
    inputs->addRow(QStringLiteral("Pausa tra le frasi"), m_pause);
    inputs->addRow(QStringLiteral("Attesa di una pagina"), m_pageWait);
    m_placeShown = shown(QString(), "DispositivoLuogo", this);
    m_placeButton = new QPushButton(QStringLiteral("Opzioni..."), this);
    m_placeButton->setObjectName(QStringLiteral("OpzioniElenco"));
    m_placeButton->setToolTip(QStringLiteral("Il dispositivo, il paese, la lingua e il luogo di tutto l'elenco"));
    connect(m_placeButton, &QPushButton::clicked, this, &ListWindow::openSearchOptions);
    auto *placeRow = new QHBoxLayout;
    placeRow->addWidget(m_placeShown, 1);
    placeRow->addWidget(m_placeButton);
    inputs->addRow(QStringLiteral("Ricerche da"), placeRow);
    m_sharedName = new QLineEdit(this);
    m_sharedName->setObjectName(QStringLiteral("ElencoCondiviso"));
    const bool server = Archive::isServer(m_source.dataFolder.archiveInUse());
    m_sharedName->setEnabled(server);
    m_sharedName->setPlaceholderText(server ? QStringLiteral("nessuno: l'elenco è solo di questo computer")
                                            : QStringLiteral("serve un archivio condiviso"));
    m_sharedName->setToolTip(
        server ? QStringLiteral("Un nome: i computer che avviano lo stesso elenco con lo stesso nome se ne dividono le frasi, "
                                "ognuna cercata una volta sola.")
               : QStringLiteral("Per dividere un elenco tra più computer serve un archivio condiviso: \"Strumenti\" > "
                                "\"Opzioni di ricerca...\" della finestra principale."));
    inputs->addRow(QStringLiteral("Elenco condiviso"), m_sharedName);
    m_place = shownInputs.place;
    m_picturesKept = shownInputs.picturesKept;

    m_start = new QPushButton(QStringLiteral("Avvia"), this);
    m_start->setObjectName(QStringLiteral("AvviaElenco"));
    connect(m_start, &QPushButton::clicked, this, [this] { startOrStop(false); });
    m_resume = new QPushButton(QStringLiteral("Riprendi"), this);
    m_resume->setObjectName(QStringLiteral("Riprendi"));
    m_resume->setToolTip(QStringLiteral("Continua l'ultimo giro non finito di questo elenco, senza ripetere le frasi già cercate."));
    connect(m_resume, &QPushButton::clicked, this, [this] { startOrStop(true); });
    connect(m_phrases, &QPlainTextEdit::textChanged, this, &ListWindow::showResume);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Avanzamento"));
    m_progress->setValue(0);
    m_where = new QLabel(this);
    m_where->setObjectName(QStringLiteral("Dove"));
    m_where->setWordWrap(true);
    m_sharedView = new SharedListView(this);
    m_sharedView->hide();
    connect(m_sharedView, &SharedListView::progress, this, [this](int done, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
    });

    m_outcomes = new QTableWidget(0, 2, this);
    m_outcomes->setObjectName(QStringLiteral("Esiti"));
    m_outcomes->setHorizontalHeaderLabels({QStringLiteral("frase"), QStringLiteral("esito")});
    m_outcomes->horizontalHeader()->setStretchLastSection(true);
    m_outcomes->verticalHeader()->hide();
    m_outcomes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outcomes->hide();
    m_history = new QPushButton(QStringLiteral("Andamento delle posizioni"), this);
    m_history->setObjectName(QStringLiteral("VaiAndamento"));
    m_history->hide();
    connect(m_history, &QPushButton::clicked, this, &ListWindow::historyRequested);
    m_competitors = new QPushButton(QStringLiteral("Concorrenti..."), this);
    m_competitors->setObjectName(QStringLiteral("VaiConcorrenti"));
    m_competitors->setToolTip(QStringLiteral("Chi sta sopra e sotto per la frase scelta, dalle ricerche archiviate"));
    m_competitors->hide();
    connect(m_competitors, &QPushButton::clicked, this, &ListWindow::openCompetitors);
    connect(m_outcomes, &QTableWidget::cellDoubleClicked, this, &ListWindow::openCompetitors);
    // "Mostra la pagina": the picture of what the row's run saw.
    auto *showPage = new QAction(QStringLiteral("Mostra la pagina"), m_outcomes);
    showPage->setObjectName(QStringLiteral("MostraPagina"));
    m_outcomes->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_outcomes->addAction(showPage);
    connect(showPage, &QAction::triggered, this, [this] {
        const QTableWidgetItem *phrase = m_outcomes->item(std::max(0, m_outcomes->currentRow()), 0);
        if (phrase)
            PageViewer::open(m_source.dataFolder.archiveInUse(), phrase->text(), phrase->data(Qt::UserRole).toDateTime(), this);
    });

    auto *phraseButtons = new QHBoxLayout;
    phraseButtons->addWidget(new QLabel(QStringLiteral("Le frasi, una per riga:"), this));
    phraseButtons->addStretch();
    phraseButtons->addWidget(m_load);
    auto *runButtons = new QHBoxLayout;
    runButtons->addWidget(m_progress, 1);
    runButtons->addWidget(m_resume);
    runButtons->addWidget(m_start);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(phraseButtons);
    layout->addWidget(m_phrases, 2);
    layout->addLayout(inputs);
    layout->addLayout(runButtons);
    layout->addWidget(m_where);
    layout->addWidget(m_sharedView, 2);
    layout->addWidget(m_outcomes, 2);
    auto *afterRun = new QHBoxLayout;
    afterRun->addStretch();
    afterRun->addWidget(m_competitors);
    afterRun->addWidget(m_history);
    layout->addLayout(afterRun);
    resize(460, 560);
    setSearchPlace(m_place);
}

ListWindow::~ListWindow() = default;

void ListWindow::setPhrases(const QStringList &phrases)
{
    m_phrases->setPlainText(phrases.join(QLatin1Char('\n')));
}

void ListWindow::loadFromFile()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Carica un elenco di frasi"), QString(),
                                                      QStringLiteral("Testo (*.txt);;Tutti i file (*)"));
    if (path.isEmpty())
        return;
    if (const std::optional<QStringList> lines = TextFile::readLines(path))
        setPhrases(*lines);
    else
        m_where->setText(QStringLiteral("Impossibile leggere %1.").arg(path));
}

std::unique_ptr<ListProgress> ListWindow::progressOf(const QStringList &phrases) const
{
    const RunInputs inputs = m_source.inputs();
    return std::make_unique<ListProgress>(m_source.dataFolder.listProgress(), phrases, inputs.fragment, inputs.pageLimit,
                                          inputs.italianOnly, m_place);
}

void ListWindow::setSearchPlace(const SearchPlace &place)
{
    m_place = place;
    m_placeShown->setText(place.isDefault() ? QStringLiteral("computer, Italia (predefinite)") : SearchPlaces::describe(place));
    showResume();
}

void ListWindow::openSearchOptions()
{
    auto *dialog = new SearchOptionsDialog(
        SearchOptions{m_place, m_picturesKept, SearchOptionsFile::load(m_source.dataFolder.searchOptions()).archive}, this);
    dialog->keepArchive();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_picturesKept = dialog->options().picturesKept;
        setSearchPlace(dialog->options().place);
    });
    dialog->open();
}

void ListWindow::showResume()
{
    const bool running = m_run && m_run->running();
    const std::unique_ptr<ListProgress> progress =
        progressOf(ListRun::phrasesOf(m_phrases->toPlainText().split(QLatin1Char('\n'))));
    m_resume->setVisible(!running && progress->hasUnfinished());
    if (progress->hasUnfinished())
        m_resume->setText(QStringLiteral("Riprendi (%1 già cercate)").arg(progress->checkedCount()));
}

void ListWindow::startOrStop(bool resume)
{
    if (m_run && m_run->running()) {
        m_run->stop();
        m_start->setEnabled(false);
        m_where->setText(m_where->text() + QStringLiteral(" \u2014 l'elenco si ferma alla fine di questa frase."));
        return;
    }
    const QStringList phrases = ListRun::phrasesOf(m_phrases->toPlainText().split(QLatin1Char('\n')));
    if (phrases.isEmpty()) {
        m_where->setText(QStringLiteral("L'elenco non contiene frasi."));
        return;
    }
    const bool shared = !m_sharedName->text().trimmed().isEmpty();
    m_listProgress = progressOf(phrases);
    if (!resume && !shared)
        m_listProgress->restart();
    RunInputs inputs = m_source.inputs();
    inputs.place = m_place;
    inputs.picturesKept = m_picturesKept;
    m_run = std::make_unique<ListRun>(m_searchRun, phrases, inputs, m_pause->value() * m_source.millisecondsPerSecond,
                                      ListRun::kMinimumPauseSeconds * m_source.millisecondsPerSecond);
    m_run->setPageTimeout(m_pageWait->value() * 1000);
    if (shared) {
        if (!startShared(phrases, resume))
            return;
    } else {
        m_shared.reset();
        m_sharedView->hide();
        m_run->setProgress(m_listProgress.get());
    }
    m_run->setResultLog(m_source.dataFolder.resultLog(), m_source.dateSeparator);
    connect(m_run.get(), &ListRun::resultNotSaved, this, [this](const QString &log) { m_source.warn(Notes::resultNotSaved(log)); });
    connect(m_run.get(), &ListRun::phraseStarted, this, &ListWindow::phraseStarted);
    connect(m_run.get(), &ListRun::phraseEnded, this, &ListWindow::phraseEnded);
    connect(m_run.get(), &ListRun::finished, this, &ListWindow::finished);
    m_progress->setRange(0, int(phrases.size()));
    m_progress->setValue(0);
    m_outcomes->setRowCount(0);
    m_outcomes->hide();
    m_history->hide();
    setInputsEnabled(false);
    m_resume->hide();
    m_start->setText(QStringLiteral("Arresta"));
    m_run->start();
}

void ListWindow::setInputsEnabled(bool enabled)
{
    for (QWidget *input : {static_cast<QWidget *>(m_phrases), static_cast<QWidget *>(m_pause),
                           static_cast<QWidget *>(m_pageWait), static_cast<QWidget *>(m_load),
                           static_cast<QWidget *>(m_placeButton)})
        input->setEnabled(enabled);
    m_sharedName->setEnabled(enabled && Archive::isServer(m_source.dataFolder.archiveInUse()));
}

bool ListWindow::startShared(const QStringList &phrases, bool resume)
{
    const QString archive = m_source.dataFolder.archiveInUse();
    const QString name = m_sharedName->text().trimmed();
    m_shared = std::make_unique<SharedList>(archive, name);
    if (!m_shared->open(phrases, resume)) {
        m_where->setText(QStringLiteral("L'archivio condiviso %1 non risponde (%2): l'elenco non parte.")
                             .arg(Archive::displayName(archive), m_shared->problem()));
        m_shared.reset();
        m_run.reset();
        return false;
    }
    SharedList *shared = m_shared.get();
    m_run->setShared([shared] { return shared->take(); }, [shared](const RunOutcome &outcome) { shared->ended(outcome); });
    m_sharedView->watch(archive, name, SharedListWatch::kIntervalMilliseconds * m_source.millisecondsPerSecond / 1000);
    m_sharedView->show();
    return true;
}

void ListWindow::phraseStarted(int index, const QString &phrase)
{
    if (m_shared) {
        m_where->setText(QStringLiteral("Frase %1 presa dall'elenco condiviso: %2").arg(m_run->outcomes().size() + 1).arg(phrase));
        return;
    }
    m_where->setText(QStringLiteral("Frase %1 di %2: %3").arg(index + 1).arg(m_run->count()).arg(phrase));
}

void ListWindow::phraseEnded(int index, const RunOutcome &outcome)
{
    if (!m_shared)
        m_progress->setValue(index + 1);
    const int row = m_outcomes->rowCount();
    m_outcomes->insertRow(row);
    auto *phrase = new QTableWidgetItem(outcome.series());
    phrase->setData(Qt::UserRole, outcome.ended);
    m_outcomes->setItem(row, 0, phrase);
    m_outcomes->setItem(row, 1, new QTableWidgetItem(outcome.result() + outcome.citation()));
}

void ListWindow::openCompetitors()
{
    // The phrase of the chosen row, or of the first.
    const int row = std::max(0, m_outcomes->currentRow());
    if (const QTableWidgetItem *phrase = m_outcomes->item(row, 0))
        emit competitorsRequested(phrase->text());
}

void ListWindow::finished()
{
    m_start->setText(QStringLiteral("Avvia"));
    m_start->setEnabled(true);
    setInputsEnabled(true);
    showResume();
    if (m_shared) {
        m_where->setText(QStringLiteral("Elenco condiviso finito: %1 frasi cercate da questo computer.").arg(m_run->outcomes().size()));
        // The last outcomes go to the archive before the list is let go.
        m_shared.reset();
    } else {
        m_where->setText(QStringLiteral("Elenco finito: %1 di %2 frasi cercate.").arg(m_run->outcomes().size()).arg(m_run->count()));
    }
    m_outcomes->resizeColumnsToContents();
    m_outcomes->show();
    m_history->show();
    m_competitors->show();
}
