#include "app/history/outcometable.h"

#include "model/runrecords.h"

void OutcomeTable::setSearch(const SearchHistory &search)
{
    beginResetModel();
    m_outcomes = search.outcomes;
    m_reread.clear();
    endResetModel();
}

void OutcomeTable::setReread(const QHash<int, QString> &positions)
{
    m_reread = positions;
    if (!m_outcomes.isEmpty())
        emit dataChanged(index(0, 4), index(int(m_outcomes.size()) - 1, 4));
}

int OutcomeTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_outcomes.size());
}

int OutcomeTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 5;
}

QString OutcomeTable::positionCaption(const Outcome &outcome)
{
    if (outcome.found())
        return QString::number(*outcome.position);
    return outcome.checked ? RunEnds::describe(RunEnd::NotFound, *outcome.checked) : RunEnds::name(RunEnd::NotFound);
}

QVariant OutcomeTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_outcomes.size())
        return {};
    const Outcome &outcome = m_outcomes[index.row()];
    const bool sorting = role == Qt::UserRole;
    if (role != Qt::DisplayRole && !sorting)
        return {};
    switch (index.column()) {
    case 0:
        return sorting ? QVariant(outcome.when) : QVariant(outcome.when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    case 1:
        // Not found sorts after every position it was not found within.
        return sorting ? QVariant(outcome.found() ? double(*outcome.position) : double(outcome.checked.value_or(0)) + 0.5)
                       : QVariant(positionCaption(outcome));
    case 2:
        return outcome.address.value_or(QString());
    case 3:
        return sorting ? QVariant(outcome.italianOnly) : QVariant(outcome.italianOnly ? QStringLiteral("sì") : QStringLiteral("no"));
    case 4:
        return m_reread.value(index.row());
    }
    return {};
}

QVariant OutcomeTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList captions{QStringLiteral("data e ora"), QStringLiteral("posizione"),
                                      QStringLiteral("indirizzo trovato"), QStringLiteral("pagine di Google italiane"),
                                      QStringLiteral("riletta")};
    return captions.value(section);
}
