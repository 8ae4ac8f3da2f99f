#pragma once

#include "store/outcomes.h"

#include <QDialog>
#include <QMap>

class OutcomeTable;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QListWidget;
class QScatterSeries;
class QSortFilterProxyModel;
class QTableView;

// "Andamento delle posizioni": the searches of the result log, and for the
// chosen one a chart of its position over time and a table of its outcomes.
class HistoryWindow : public QDialog
{
    Q_OBJECT
public:
    HistoryWindow(const QString &logPath, QWidget *parent = nullptr);

    const Outcomes::ReadLog &log() const { return m_log; }
    int currentSearch() const;
    // What the export buttons write, once the user has chosen the file.
    Q_INVOKABLE bool exportTable(const QString &path) const;
    Q_INVOKABLE bool exportChart(const QString &path) const;

private:
    void showSearch(int row);
    void showReread(const SearchHistory &search);
    void chooseTableFile();
    void chooseChartFile();
    void showTip(const QMap<qint64, QString> &tips, const QPointF &point, bool entered);

    Outcomes::ReadLog m_log;
    QLabel *m_status = nullptr;
    QListWidget *m_searches = nullptr;
    QChart *m_chart = nullptr;
    QChartView *m_chartView = nullptr;
    QLineSeries *m_line = nullptr;
    QScatterSeries *m_found = nullptr;
    QScatterSeries *m_missed = nullptr;
    QMap<qint64, QString> m_foundTips;   // by the point's time, in milliseconds
    QMap<qint64, QString> m_missedTips;
    OutcomeTable *m_table = nullptr;
    QString m_archivePath;
    QSortFilterProxyModel *m_sorted = nullptr;
    QTableView *m_tableView = nullptr;
};
