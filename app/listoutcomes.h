#pragma once

#include <QAbstractTableModel>
#include <QPointer>

class ListSession;
struct RunOutcome;

// The list window's table of outcomes: a row a phrase ended, its series (the
// phrase, with the device and place) and its result. It reads the list's own
// outcomes and holds no copy of them.
class ListOutcomes : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows the outcomes of `session`, from now on; none for nullptr.
    void show(const ListSession *session);
    // The outcome of a row; nullptr past the last.
    const RunOutcome *outcomeAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void phraseEnded();

    QPointer<const ListSession> m_session;
    QMetaObject::Connection m_ended;
    QMetaObject::Connection m_gone;
    int m_rows = 0;   // the rows shown: the outcomes announced so far
};
