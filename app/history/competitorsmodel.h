#pragma once

#include "model/runrecords.h"
#include "store/result.h"

#include <QAbstractTableModel>
#include <QPointF>
#include <QSet>

class Archive;

// A table of texts with a header, for the views of "Concorrenti". In the
// columns of numbers, a cell that is a whole number ("12", "+3", "-2") goes
// to the CSV as a number; any other ("nuovo", "-" for none) as text.
class TextTable : public QAbstractTableModel
{
    Q_OBJECT
public:
    TextTable(QStringList headers, QSet<int> numbers = {}, QObject *parent = nullptr);

    void setRows(QList<QStringList> rows);
    const QList<QStringList> &rows() const { return m_rows; }
    // The table as CSV, header first.
    QByteArray csv() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_headers;
    QSet<int> m_numbers;
    QList<QList<QString>> m_rows;
};

// What "Concorrenti" shows of one phrase, read from the archive: the latest
// run's results with their moves and the results that dropped out, the page
// features of every run, the positions of the leading sites over the runs,
// and any fragment's positions ("Confronta con").
class CompetitorsModel : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLeadingHosts = 5;

    CompetitorsModel(Archive &archive, const QString &phrase, QObject *parent = nullptr);

    const QString &phrase() const { return m_phrase; }
    // Why the archive's runs could not be read; empty when they were.
    const QString &readProblem() const { return m_readProblem; }
    // The latest run's fragment: the user's own.
    QString fragment() const;
    const QList<ArchivedRun> &runs() const { return m_runs; }

    TextTable *results() { return &m_results; }
    TextTable *features() { return &m_features; }
    TextTable *comparison() { return &m_comparison; }

    struct Series
    {
        QString name;
        QList<QPointF> points;   // x: the run's start in milliseconds, y: the position
        bool own = false;        // the user's fragment
    };
    // The leading hosts of the latest run, then the user's fragment.
    QList<Series> series() const;

    // Fills the comparison table and gives the fragment's series.
    Result<Series> compareWith(const QString &fragment);

private:
    Archive &m_archive;
    QString m_phrase;
    QString m_readProblem;
    QList<ArchivedRun> m_runs;   // those that read a page, oldest first
    TextTable m_results;
    TextTable m_features;
    TextTable m_comparison;
};
