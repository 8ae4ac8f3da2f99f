#include "app/listwindow.h"

#include "app/listoutcomes.h"
#include "app/pageviewer.h"
#include "app/searchoptionsdialog.h"
#include "app/sharedlistview.h"
#include "search/listsession.h"
#include "search/sharedlistwatch.h"
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
#include <QTableView>
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
    m_moved = new QLabel(this);
    m_moved->setObjectName(QStringLiteral("Movimenti"));
    m_moved->setWordWrap(true);
    m_moved->hide();
    m_sharedView = new SharedListView(this);
    m_sharedView->hide();
    connect(m_sharedView, &SharedListView::progress, this, [this](int done, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
    });

    m_outcomes = new ListOutcomes(this);
    m_outcomesView = new QTableView(this);
    m_outcomesView->setObjectName(QStringLiteral("Esiti"));
    m_outcomesView->setModel(m_outcomes);
    m_outcomesView->horizontalHeader()->setStretchLastSection(true);
    m_outcomesView->verticalHeader()->hide();
    m_outcomesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outcomesView->hide();
    m_history = new QPushButton(QStringLiteral("Andamento delle posizioni"), this);
    m_history->setObjectName(QStringLiteral("VaiAndamento"));
    m_history->hide();
    connect(m_history, &QPushButton::clicked, this, &ListWindow::historyRequested);
    m_competitors = new QPushButton(QStringLiteral("Concorrenti..."), this);
    m_competitors->setObjectName(QStringLiteral("VaiConcorrenti"));
    m_competitors->setToolTip(QStringLiteral("Chi sta sopra e sotto per la frase scelta, dalle ricerche archiviate"));
    m_competitors->hide();
    connect(m_competitors, &QPushButton::clicked, this, &ListWindow::openCompetitors);
    connect(m_outcomesView, &QTableView::doubleClicked, this, &ListWindow::openCompetitors);
    connect(PageViewer::offerIn(m_outcomesView), &QAction::triggered, this, [this] {
        if (const RunOutcome *outcome = chosenOutcome())
            PageViewer::open(m_source.dataFolder.archiveInUse(), outcome->series(), outcome->ended, this);
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
    layout->addWidget(m_moved);
    layout->addWidget(m_sharedView, 2);
    layout->addWidget(m_outcomesView, 2);
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

ListRun *ListWindow::run() const
{
    return m_session ? m_session->run() : nullptr;
}

ListPlan ListWindow::planOf(const QStringList &phrases, bool resume) const
{
    const QString archive = m_source.dataFolder.archiveInUse();
    ListPlan plan = ListPlan::inFolder(m_source.dataFolder, archive, m_source.dateSeparator);
    plan.phrases = phrases;
    plan.inputs = m_source.inputs();
    plan.inputs.place = m_place;
    plan.inputs.picturesKept = m_picturesKept;
    plan.pauseMilliseconds = m_pause->value() * m_source.millisecondsPerSecond;
    plan.minimumPauseMilliseconds = ListRun::kMinimumPauseSeconds * m_source.millisecondsPerSecond;
    plan.pageMilliseconds = m_pageWait->value() * 1000;
    plan.resume = resume;
    // A name left in the field is no shared list once the archive is this computer's alone.
    if (Archive::isServer(archive))
        plan.sharedName = m_sharedName->text().trimmed();
    plan.inWindow = true;
    return plan;
}

void ListWindow::setSearchPlace(const SearchPlace &place)
{
    m_place = place;
    m_placeShown->setText(place.isDefault() ? QStringLiteral("computer, Italia (predefinite)") : SearchPlaces::describe(place));
    showResume();
}

void ListWindow::openSearchOptions()
{
    SearchOptions options = SearchOptionsFile::load(m_source.dataFolder.searchOptions());
    options.place = m_place;
    options.picturesKept = m_picturesKept;
    auto *dialog = new SearchOptionsDialog(options, this);
    dialog->keepProgramOptions();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_picturesKept = dialog->options().picturesKept;
        setSearchPlace(dialog->options().place);
    });
    dialog->open();
}

void ListWindow::showResume()
{
    const bool running = m_session && m_session->running();
    const int checked = ListSession::checkedBefore(planOf(ListRun::phrasesOf(m_phrases->toPlainText().split(QLatin1Char('\n'))), true));
    m_resume->setVisible(!running && checked > 0);
    if (checked > 0)
        m_resume->setText(QStringLiteral("Riprendi (%1 già cercate)").arg(checked));
}

void ListWindow::startOrStop(bool resume)
{
    if (m_session && m_session->running()) {
        m_session->stop();
        m_start->setEnabled(false);
        m_where->setText(m_where->text() + QStringLiteral(" \u2014 l'elenco si ferma alla fine di questa frase."));
        return;
    }
    const QStringList phrases = ListRun::phrasesOf(m_phrases->toPlainText().split(QLatin1Char('\n')));
    if (phrases.isEmpty()) {
        m_where->setText(QStringLiteral("L'elenco non contiene frasi."));
        return;
    }
    auto session = std::make_unique<ListSession>(planOf(phrases, resume));
    if (const std::optional<ListSession::Refusal> refusal = session->open()) {
        m_where->setText(QStringLiteral("L'archivio condiviso %1 non risponde (%2): l'elenco non parte.")
                             .arg(refusal->archive, refusal->problem));
        return;
    }
    if (session->shared()) {
        m_sharedView->watch(session->plan().archive, session->plan().sharedName,
                            SharedListWatch::kIntervalMilliseconds * m_source.millisecondsPerSecond / 1000);
        m_sharedView->show();
    } else {
        m_sharedView->hide();
    }
    connect(session.get(), &ListSession::note, this, [this](const QString &text) { m_source.warn(text); });
    connect(session.get(), &ListSession::phraseStarted, this, &ListWindow::phraseStarted);
    connect(session.get(), &ListSession::waitingForOthers, this, [this] {
        m_where->setText(QStringLiteral("Le frasi rimaste sono in corso su altri computer: l'elenco attende che finiscano."));
    });
    connect(session.get(), &ListSession::phraseEnded, this, &ListWindow::phraseEnded);
    connect(session.get(), &ListSession::finished, this, &ListWindow::finished);
    m_outcomes->show(session.get());
    m_session = std::move(session);
    m_progress->setRange(0, int(phrases.size()));
    m_progress->setValue(0);
    m_outcomesView->hide();
    m_moved->hide();
    m_history->hide();
    setInputsEnabled(false);
    m_resume->hide();
    m_start->setText(QStringLiteral("Arresta"));
    m_session->start(m_searchRun);
}

void ListWindow::setInputsEnabled(bool enabled)
{
    for (QWidget *input : {static_cast<QWidget *>(m_phrases), static_cast<QWidget *>(m_pause),
                           static_cast<QWidget *>(m_pageWait), static_cast<QWidget *>(m_load),
                           static_cast<QWidget *>(m_placeButton)})
        input->setEnabled(enabled);
    m_sharedName->setEnabled(enabled && Archive::isServer(m_source.dataFolder.archiveInUse()));
}

void ListWindow::phraseStarted(int index, const QString &phrase)
{
    if (m_session->shared()) {
        m_where->setText(QStringLiteral("Frase %1 presa dall'elenco condiviso: %2").arg(m_session->outcomes().size() + 1).arg(phrase));
        return;
    }
    m_where->setText(QStringLiteral("Frase %1 di %2: %3").arg(index + 1).arg(m_session->count()).arg(phrase));
}

void ListWindow::phraseEnded(int index)
{
    if (!m_session->shared())
        m_progress->setValue(index + 1);
}

const RunOutcome *ListWindow::chosenOutcome() const
{
    // The chosen row, or the first.
    return m_outcomes->outcomeAt(std::max(0, m_outcomesView->currentIndex().row()));
}

void ListWindow::openCompetitors()
{
    if (const RunOutcome *outcome = chosenOutcome())
        emit competitorsRequested(outcome->series());
}

void ListWindow::finished()
{
    m_start->setText(QStringLiteral("Avvia"));
    m_start->setEnabled(true);
    setInputsEnabled(true);
    showResume();
    if (m_session->shared()) {
        m_where->setText(QStringLiteral("Elenco condiviso finito: %1 frasi cercate da questo computer.").arg(m_session->outcomes().size()));
    } else {
        m_where->setText(QStringLiteral("Elenco finito: %1 di %2 frasi cercate.").arg(m_session->outcomes().size()).arg(m_session->count()));
    }
    m_moved->setText(m_session->summary().line(QStringLiteral("Elenco")));
    m_moved->show();
    m_outcomesView->resizeColumnsToContents();
    m_outcomesView->show();
    m_history->show();
    m_competitors->show();
}
