#pragma once

#include "model/searchplace.h"

#include <QSet>
#include <QString>
#include <QStringList>

// Which phrases of a list run have been checked, kept in the data folder so
// that a list that stopped half way (a page that needed the user, a reboot)
// can go on where it was. A list is the same list when its phrases,
// fragment, page limit and Italian-only option are, and it is searched from
// the same device and place.
class ListProgress
{
public:
    ListProgress(const QString &stateFile, const QStringList &phrases, const QString &fragment, const QString &pageLimit,
                 bool italianOnly, const SearchPlace &place = {});

    // Whether an earlier run of this list stopped with phrases checked.
    bool hasUnfinished() const { return !m_checked.isEmpty(); }
    int checkedCount() const { return int(m_checked.size()); }
    // Starts again from the first phrase, forgetting the earlier run.
    void restart();

    bool isChecked(const QString &phrase) const { return m_checked.contains(phrase); }
    bool checkedAll(const QStringList &phrases) const;
    // false when the state could not be written.
    bool markChecked(const QString &phrase);
    // The list ended: nothing is left to resume.
    bool finish();

private:
    bool write();

    QString m_file;
    QString m_key;
    QSet<QString> m_checked;
};
