#pragma once

#include "model/runrecords.h"

#include <QDialog>
#include <functional>
#include <memory>

class Archive;
class CompetitorsModel;
class QChart;
class QChartView;
class QLabel;
class QTableView;
class QLineEdit;
class QLineSeries;
class QTabWidget;

// "Concorrenti": for one phrase, the latest run's results with their moves,
// the positions of the leading sites over the archived runs, any fragment's
// positions, and what else the pages showed.
class CompetitorsWindow : public QDialog
{
    Q_OBJECT
public:
    CompetitorsWindow(const QString &archivePath, const QString &phrase, QWidget *parent = nullptr);
    ~CompetitorsWindow() override;

    CompetitorsModel *model() const { return m_model.get(); }
    // "Confronta con" for a fragment typed in the field.
    Q_INVOKABLE void compare(const QString &fragment);
    // What the export button writes: the table of the tab in front.
    Q_INVOKABLE bool exportTable(const QString &path) const;

private:
    void buildChart();
    // "Mostra la pagina" in the table's menu and on a double click: the
    // picture of the run that `runOf` gives for a row.
    void offerPage(QTableView *view, std::function<std::optional<ArchivedRun>(int row)> runOf);
    void chooseTableFile();

    std::unique_ptr<Archive> m_archive;
    std::unique_ptr<CompetitorsModel> m_model;
    QLabel *m_status = nullptr;
    QChart *m_chart = nullptr;
    QChartView *m_chartView = nullptr;
    QLineSeries *m_compared = nullptr;
    QLineEdit *m_fragment = nullptr;
    QTabWidget *m_tabs = nullptr;
};
