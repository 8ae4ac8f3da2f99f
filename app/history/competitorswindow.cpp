#include "app/history/competitorswindow.h"

#include "app/pageviewer.h"

#include "app/history/competitorsmodel.h"
#include "app/history/positionaxes.h"
#include "store/archive.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QAction>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {

QTableView *tableOf(QAbstractItemModel *model, const char *name, QWidget *parent)
{
    auto *view = new QTableView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setWordWrap(false);
    return view;
}

QString readProblem(const Archive &archive, const QString &reason)
{
    return QStringLiteral("Impossibile leggere l'archivio %1: %2.")
        .arg(QDir::toNativeSeparators(Archive::displayName(archive.path())), reason);
}

} // namespace

CompetitorsWindow::CompetitorsWindow(const QString &archivePath, const QString &phrase, QWidget *parent)
    : QDialog(parent)
    , m_archive(std::make_unique<Archive>(archivePath, ArchiveUse::Reading))
{
    setObjectName(QStringLiteral("Concorrenti"));
    setWindowTitle(QStringLiteral("Concorrenti - %1").arg(phrase));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 720);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Stato"));
    m_status->setWordWrap(true);
    // Reading needs no file of its own: a missing archive is not created here.
    const bool opened = (Archive::isServer(archivePath) || QFileInfo::exists(archivePath)) && m_archive->open();
    m_model = std::make_unique<CompetitorsModel>(*m_archive, phrase);
    if (!opened)
        m_status->setText(QStringLiteral("Nessun archivio da leggere in %1.").arg(QDir::toNativeSeparators(archivePath)));
    else if (!m_model->readProblem().isEmpty())
        m_status->setText(readProblem(*m_archive, m_model->readProblem()));
    else if (m_model->runs().isEmpty())
        m_status->setText(QStringLiteral("Nessuna ricerca archiviata per \"%1\".").arg(phrase));
    else
        m_status->setText(QStringLiteral("\"%1\": %2 ricerche archiviate, l'ultima del %3. Il tuo frammento: \"%4\".")
                              .arg(phrase)
                              .arg(m_model->runs().size())
                              .arg(m_model->runs().constLast().started.toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                                   m_model->fragment()));

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setTitle(QStringLiteral("Posizioni dei primi siti"));
    m_chartView = new QChartView(m_chart, this);
    m_chartView->setObjectName(QStringLiteral("Grafico"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumHeight(260);
    buildChart();

    m_fragment = new QLineEdit(this);
    m_fragment->setObjectName(QStringLiteral("ConfrontaCon"));
    m_fragment->setPlaceholderText(QStringLiteral("un dominio o una parte di indirizzo, es. concorrente.it"));
    auto *compareButton = new QPushButton(QStringLiteral("Confronta"), this);
    connect(compareButton, &QPushButton::clicked, this, [this] { compare(m_fragment->text()); });
    connect(m_fragment, &QLineEdit::returnPressed, this, [this] { compare(m_fragment->text()); });

    m_tabs = new QTabWidget(this);
    QTableView *latest = tableOf(m_model->results(), "Risultati", this);
    QTableView *compared = tableOf(m_model->comparison(), "Confronto", this);
    m_tabs->addTab(latest, QStringLiteral("Ultima ricerca"));
    m_tabs->addTab(tableOf(m_model->features(), "Elementi", this),
                   QStringLiteral("Elementi della pagina"));
    m_tabs->addTab(compared, QStringLiteral("Confronto"));
    // The picture of what the latest run saw, or of the compared row's run.
    offerPage(latest, [this](int) { return m_model->runs().isEmpty() ? std::nullopt
                                                                      : std::optional<ArchivedRun>(m_model->runs().constLast()); });
    offerPage(compared, [this](int row) { return row >= 0 && row < m_model->runs().size()
                                                     ? std::optional<ArchivedRun>(m_model->runs()[row]) : std::nullopt; });

    auto *exportButton = new QPushButton(QStringLiteral("Esporta tabella (CSV)..."), this);
    exportButton->setObjectName(QStringLiteral("EsportaCsv"));
    exportButton->setEnabled(!m_model->runs().isEmpty());
    connect(exportButton, &QPushButton::clicked, this, &CompetitorsWindow::chooseTableFile);
    auto *close = new QPushButton(QStringLiteral("Chiudi"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto *compareRow = new QHBoxLayout;
    compareRow->addWidget(new QLabel(QStringLiteral("Confronta con:"), this));
    compareRow->addWidget(m_fragment, 1);
    compareRow->addWidget(compareButton);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_chartView);
    splitter->addWidget(m_tabs);
    splitter->setSizes({340, 300});
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(exportButton);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addLayout(compareRow);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    m_fragment->setFocus();
}

CompetitorsWindow::~CompetitorsWindow() = default;

void CompetitorsWindow::offerPage(QTableView *view, std::function<std::optional<ArchivedRun>(int row)> runOf)
{
    auto *showPage = new QAction(QStringLiteral("Mostra la pagina"), view);
    showPage->setObjectName(QStringLiteral("MostraPagina"));
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    view->addAction(showPage);
    auto open = [this, view, runOf] { PageViewer::open(runOf(view->currentIndex().row()), this); };
    connect(showPage, &QAction::triggered, this, open);
    connect(view, &QTableView::doubleClicked, this, open);
}

void CompetitorsWindow::buildChart()
{
    const auto [time, position] = addPositionAxes(m_chart, QStringLiteral("dd/MM/yy"), QStringLiteral("data"));
    m_compared = new QLineSeries;
    m_compared->setName(QStringLiteral("confronto"));
    QPen comparedPen(QColor(120, 0, 160), 2, Qt::DashLine);
    m_compared->setPen(comparedPen);
    m_compared->setPointsVisible(true);
    double highest = 10;
    QDateTime first, last;
    if (!m_model->runs().isEmpty()) {
        first = m_model->runs().constFirst().started;
        last = m_model->runs().constLast().started;
    }
    for (const CompetitorsModel::Series &data : m_model->series()) {
        auto *line = new QLineSeries;
        line->setName(data.own ? QStringLiteral("%1 (tu)").arg(data.name) : data.name);
        line->replace(data.points);
        line->setPointsVisible(true);
        m_chart->addSeries(line);
        if (data.own) {
            line->setPen(QPen(QColor(0, 128, 0), 5));
        }
        line->attachAxis(time);
        line->attachAxis(position);
        for (const QPointF &point : data.points)
            highest = std::max(highest, point.y());
    }
    m_chart->addSeries(m_compared);
    m_compared->attachAxis(time);
    m_compared->attachAxis(position);
    if (first == last) {
        first = first.addDays(-1);
        last = last.addDays(1);
    }
    time->setRange(first, last);
    position->setRange(1, highest);
    position->applyNiceNumbers();
}

void CompetitorsWindow::compare(const QString &fragment)
{
    const QString wanted = fragment.trimmed();
    if (wanted.isEmpty())
        return;
    const Result<CompetitorsModel::Series> series = m_model->compareWith(wanted);
    if (!series)
        m_status->setText(readProblem(*m_archive, series.error()));
    m_compared->setName(wanted);
    m_compared->replace(series ? series->points : QList<QPointF>());
    auto *position = static_cast<QValueAxis *>(m_chart->axes(Qt::Vertical).constFirst());
    for (const QPointF &point : series ? series->points : QList<QPointF>()) {
        if (point.y() > position->max())
            position->setRange(1, point.y());
    }
    m_tabs->setCurrentIndex(2);
}

bool CompetitorsWindow::exportTable(const QString &path) const
{
    const auto *view = static_cast<const QTableView *>(m_tabs->currentWidget());
    const auto *table = static_cast<const TextTable *>(view->model());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(table->csv());
    return file.commit();
}

void CompetitorsWindow::chooseTableFile()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Esporta tabella"), QStringLiteral("concorrenti.csv"),
                                                      QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty() && !exportTable(path))
        m_status->setText(QStringLiteral("Tabella non esportata: impossibile scrivere %1.").arg(path));
}
