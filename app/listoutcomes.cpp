#include "app/listoutcomes.h"

#include "search/listsession.h"

void ListOutcomes::show(const ListSession *session)
{
    beginResetModel();
    disconnect(m_ended);
    disconnect(m_gone);
    m_session = session;
    m_rows = session ? int(session->outcomes().size()) : 0;
    if (session) {
        m_ended = connect(session, &ListSession::phraseEnded, this, &ListOutcomes::phraseEnded);
        m_gone = connect(session, &QObject::destroyed, this, [this] { show(nullptr); });
    }
    endResetModel();
}

void ListOutcomes::phraseEnded()
{
    const int rows = m_session ? int(m_session->outcomes().size()) : 0;
    if (rows <= m_rows)
        return;
    beginInsertRows(QModelIndex(), m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
}

const RunOutcome *ListOutcomes::outcomeAt(int row) const
{
    if (!m_session || row < 0 || row >= m_rows)
        return nullptr;
    return &m_session->outcomes().at(row);
}

int ListOutcomes::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ListOutcomes::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant ListOutcomes::data(const QModelIndex &index, int role) const
{
    const RunOutcome *outcome = outcomeAt(index.row());
    if (!outcome || role != Qt::DisplayRole)
        return QVariant();
    return index.column() == 0 ? outcome->series() : outcome->result() + outcome->pack() + outcome->citation();
}

QVariant ListOutcomes::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == 0 ? QStringLiteral("frase") : QStringLiteral("esito");
}
