#pragma once

#include "store/outcomes.h"

#include <QAbstractTableModel>
#include <QHash>

// The outcomes of one search, a row each: date and time, position, found
// address, Italian pages only. Sorting uses the values, not the captions.
class OutcomeTable : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setSearch(const SearchHistory &search);
    // The position a reading of the kept pages gave each outcome's run, by
    // row ("non trovato" when not on its pages); none for a run never read again.
    void setReread(const QHash<int, QString> &positions);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QString positionCaption(const Outcome &outcome);

private:
    QList<Outcome> m_outcomes;
    QHash<int, QString> m_reread;
};
