#include "app/history/historywindow.h"

#include "app/pageviewer.h"
#include "app/history/competitorswindow.h"

#include "app/history/outcometable.h"
#include "app/history/positionaxes.h"
#include "app/historymodule.h"
#include "app/rereadingwindow.h"
#include "search/rereading.h"
#include "store/archive.h"
#include "store/datafolder.h"
#include "store/runarchive.h"
#include "store/textfile.h"

#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTimeAxis>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QScatterSeries>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QAction>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <type_traits>

namespace {

QString searchCaption(const SearchHistory &search)
{
    QString caption = search.phrase + QStringLiteral(" \u2014 ") + search.fragment;
    if (search.italianOnly)
        caption += QStringLiteral(" (solo ita.)");
    const qsizetype count = search.outcomes.size();
    caption += QStringLiteral(" \u2014 %1 %2, ultima: %3")
                   .arg(count)
                   .arg(count == 1 ? QStringLiteral("esito") : QStringLiteral("esiti"))
                   .arg(OutcomeTable::positionCaption(search.latest()));
    return caption;
}

// Where an outcome stands on the chart: its position, or one past the
// positions checked for a search that did not find the address.
double chartValue(const Outcome &outcome)
{
    if (outcome.found())
        return double(*outcome.position);
    return double(outcome.checked.value_or(0)) + 1;
}

} // namespace

HistoryWindow::HistoryWindow(const QString &logPath, QWidget *parent)
    : QDialog(parent)
    , m_archivePath(DataFolder(QFileInfo(logPath).absolutePath()).archiveInUse())
{
    setObjectName(QStringLiteral("Andamento"));
    setWindowTitle(QStringLiteral("Andamento delle posizioni"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    resize(820, 680);

    m_log = Outcomes::group(TextFile::readLines(logPath).value_or(QStringList()));

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Stato"));
    QStringList status;
    if (m_log.searches.isEmpty())
        status << QStringLiteral("Nessun risultato salvato nel registro: salva un risultato con \"Salva risultato\".");
    if (m_log.unreadable == 1)
        status << QStringLiteral("1 riga del registro non è stata letta.");
    else if (m_log.unreadable > 1)
        status << QStringLiteral("%1 righe del registro non sono state lette.").arg(m_log.unreadable);
    m_status->setText(status.join(QLatin1Char(' ')));
    m_status->setVisible(!status.isEmpty());

    m_searches = new QListWidget(this);
    m_searches->setObjectName(QStringLiteral("Ricerche"));
    m_searches->setUniformItemSizes(true);
    for (const SearchHistory &search : std::as_const(m_log.searches))
        m_searches->addItem(searchCaption(search));

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_line = new QLineSeries;
    m_line->setName(QStringLiteral("andamento"));
    m_found = new QScatterSeries;
    m_found->setName(QStringLiteral("trovato"));
    m_found->setMarkerSize(9);
    m_missed = new QScatterSeries;
    m_missed->setName(QStringLiteral("non trovato (oltre le posizioni controllate)"));
    m_missed->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    m_missed->setMarkerSize(10);
    m_missed->setColor(QColor(200, 0, 0));
    for (QAbstractSeries *series : {static_cast<QAbstractSeries *>(m_line), static_cast<QAbstractSeries *>(m_found),
                                    static_cast<QAbstractSeries *>(m_missed)})
        m_chart->addSeries(series);
    const auto [time, position] = addPositionAxes(m_chart, QStringLiteral("dd/MM/yy HH:mm"), QStringLiteral("data e ora"));
    for (QAbstractSeries *series : m_chart->series()) {
        series->attachAxis(time);
        series->attachAxis(position);
    }
    m_chart->legend()->markers(m_line).constFirst()->setVisible(false);
    connect(m_found, &QScatterSeries::hovered, this,
            [this](const QPointF &point, bool entered) { showTip(m_foundTips, point, entered); });
    connect(m_missed, &QScatterSeries::hovered, this,
            [this](const QPointF &point, bool entered) { showTip(m_missedTips, point, entered); });
    m_chartView = new QChartView(m_chart, this);
    m_chartView->setObjectName(QStringLiteral("Grafico"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumHeight(260);

    m_table = new OutcomeTable(this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_table);
    m_sorted->setSortRole(Qt::UserRole);
    m_tableView = new QTableView(this);
    m_tableView->setObjectName(QStringLiteral("Tabella"));
    m_tableView->setModel(m_sorted);
    m_tableView->setSortingEnabled(true);
    m_tableView->sortByColumn(0, Qt::AscendingOrder);
    m_tableView->verticalHeader()->hide();
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    const QString picturesArchive = DataFolder(QFileInfo(logPath).absolutePath()).archiveInUse();
    QAction *showPage = PageViewer::offerIn(m_tableView);
    auto openPage = [this, picturesArchive] {
        const QModelIndex index = m_tableView->currentIndex();
        if (!index.isValid() || currentSearch() < 0)
            return;
        const Outcome &outcome = m_log.searches[currentSearch()].outcomes[m_sorted->mapToSource(index).row()];
        PageViewer::open(picturesArchive, m_log.searches[currentSearch()].phrase, outcome.when, this);
    };
    connect(showPage, &QAction::triggered, this, openPage);
    connect(m_tableView, &QTableView::doubleClicked, this, openPage);

    auto *exportTable = new QPushButton(QStringLiteral("Esporta tabella (CSV)..."), this);
    exportTable->setObjectName(QStringLiteral("EsportaCsv"));
    auto *exportChart = new QPushButton(QStringLiteral("Esporta grafico (PNG)..."), this);
    exportChart->setObjectName(QStringLiteral("EsportaPng"));
    auto *competitors = new QPushButton(QStringLiteral("Concorrenti..."), this);
    competitors->setObjectName(QStringLiteral("ApriConcorrenti"));
    competitors->setToolTip(QStringLiteral("Chi sta sopra e sotto per questa frase, dalle ricerche archiviate"));
    const QString archivePath = DataFolder(QFileInfo(logPath).absolutePath()).archiveInUse();
    connect(competitors, &QPushButton::clicked, this, [this, archivePath] {
        if (currentSearch() >= 0)
            (new CompetitorsWindow(archivePath, m_log.searches[currentSearch()].phrase, this))->show();
    });
    auto *reread = new QPushButton(QStringLiteral("Rileggi le pagine"), this);
    reread->setObjectName(QStringLiteral("Rileggi"));
    reread->setToolTip(QStringLiteral("Rilegge con il lettore di oggi le pagine tenute nell'archivio"));
    connect(reread, &QPushButton::clicked, this, [this, archivePath] { (new RereadingWindow(archivePath, this))->show(); });
    auto *close = new QPushButton(QStringLiteral("Chiudi"), this);
    connect(exportTable, &QPushButton::clicked, this, &HistoryWindow::chooseTableFile);
    connect(exportChart, &QPushButton::clicked, this, &HistoryWindow::chooseChartFile);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    const bool any = !m_log.searches.isEmpty();
    exportTable->setEnabled(any);
    exportChart->setEnabled(any);
    competitors->setEnabled(any);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_searches);
    splitter->addWidget(m_chartView);
    splitter->addWidget(m_tableView);
    splitter->setSizes({90, 330, 170});
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(exportTable);
    buttons->addWidget(exportChart);
    buttons->addWidget(competitors);
    buttons->addWidget(reread);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(m_searches, &QListWidget::currentRowChanged, this, &HistoryWindow::showSearch);
    if (any)
        m_searches->setCurrentRow(0);
}

// Beside each outcome, the position its run has since its pages were read
// again; the run is the one that ended nearest to the outcome's time, within
// ten minutes, as for its picture.
void HistoryWindow::showReread(const SearchHistory &search)
{
    if (!Archive::isServer(m_archivePath) && !QFileInfo::exists(m_archivePath))
        return;
    Archive archive(m_archivePath, ArchiveUse::Reading);
    if (!archive.open())
        return;
    const Result<QList<RunArchive::Reread>> runs = RunArchive(archive).rereadRuns(search.phrase, search.fragment);
    if (!runs || runs->isEmpty())
        return;
    QHash<int, QString> positions;
    for (int row = 0; row < search.outcomes.size(); ++row) {
        const Outcome &outcome = search.outcomes[row];
        qint64 distance = 10 * 60 + 1;
        for (const RunArchive::Reread &run : *runs) {
            const qint64 apart = std::abs(run.ended.secsTo(outcome.when));
            if (apart < distance) {
                distance = apart;
                positions.insert(row, Rereading::Change::positionText(run.position));
            }
        }
    }
    m_table->setReread(positions);
}

int HistoryWindow::currentSearch() const
{
    return m_searches->currentRow();
}

void HistoryWindow::showSearch(int row)
{
    if (row < 0 || row >= m_log.searches.size())
        return;
    const SearchHistory &search = m_log.searches[row];
    m_table->setSearch(search);
    showReread(search);
    m_tableView->resizeColumnsToContents();

    QList<QPointF> line, found, missed;
    m_foundTips.clear();
    m_missedTips.clear();
    line.reserve(search.outcomes.size());
    double highest = 1;
    for (const Outcome &outcome : search.outcomes) {
        const QPointF point(double(outcome.when.toMSecsSinceEpoch()), chartValue(outcome));
        highest = std::max(highest, point.y());
        line.append(point);
        const QString when = outcome.when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        if (outcome.found()) {
            found.append(point);
            m_foundTips.insert(qint64(point.x()), QStringLiteral("%1\nposizione %2\n%3").arg(when).arg(*outcome.position)
                                                                                     .arg(*outcome.address));
        } else {
            missed.append(point);
            m_missedTips.insert(qint64(point.x()), QStringLiteral("%1\n%2").arg(when, OutcomeTable::positionCaption(outcome)));
        }
    }
    // The log's order is the order of saving; the chart runs by time.
    std::sort(line.begin(), line.end(), [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
    m_line->replace(line);
    m_found->replace(found);
    m_missed->replace(missed);

    QDateTime first = QDateTime::fromMSecsSinceEpoch(qint64(line.constFirst().x()));
    QDateTime last = QDateTime::fromMSecsSinceEpoch(qint64(line.constLast().x()));
    if (first == last) {
        first = first.addSecs(-3600);
        last = last.addSecs(3600);
    }
    auto *time = static_cast<QDateTimeAxis *>(m_chart->axes(Qt::Horizontal).constFirst());
    time->setRange(first, last);
    auto *position = static_cast<QValueAxis *>(m_chart->axes(Qt::Vertical).constFirst());
    position->setRange(1, highest);
    position->applyNiceNumbers();
    m_chart->setTitle(search.phrase + QStringLiteral(" \u2014 ") + search.fragment
                      + (search.italianOnly ? QStringLiteral(" (solo ita.)") : QString()));
}

void HistoryWindow::showTip(const QMap<qint64, QString> &tips, const QPointF &point, bool entered)
{
    if (!entered) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(QCursor::pos(), tips.value(qint64(point.x())), m_chartView);
}

bool HistoryWindow::exportTable(const QString &path) const
{
    const int row = currentSearch();
    if (row < 0)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = Outcomes::csv(m_log.searches[row]);
    return file.write(bytes) == bytes.size() && file.flush();
}

bool HistoryWindow::exportChart(const QString &path) const
{
    return m_chartView->grab().save(path, "PNG");
}

void HistoryWindow::chooseTableFile()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Esporta tabella"), QStringLiteral("andamento.csv"),
                                                      QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty() && !exportTable(path)) {
        m_status->setText(QStringLiteral("Tabella non esportata: impossibile scrivere %1.").arg(path));
        m_status->show();
    }
}

void HistoryWindow::chooseChartFile()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Esporta grafico"), QStringLiteral("andamento.png"),
                                                      QStringLiteral("PNG (*.png)"));
    if (!path.isEmpty() && !exportChart(path)) {
        m_status->setText(QStringLiteral("Grafico non esportato: impossibile scrivere %1.").arg(path));
        m_status->show();
    }
}

extern "C" Q_DECL_EXPORT QWidget *cerca_create_history_window(const QString &logPath, QWidget *parent)
{
    return new HistoryWindow(logPath, parent);
}
static_assert(std::is_same_v<decltype(&cerca_create_history_window), CreateHistoryWindow>);

extern "C" Q_DECL_EXPORT QWidget *cerca_create_competitors_window(const QString &archivePath, const QString &phrase,
                                                                  QWidget *parent)
{
    return new CompetitorsWindow(archivePath, phrase, parent);
}
static_assert(std::is_same_v<decltype(&cerca_create_competitors_window), CreateCompetitorsWindow>);
