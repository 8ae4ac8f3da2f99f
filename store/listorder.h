#pragma once

#include <QString>
#include <QStringList>

// The order of the program's sorted lists: alphabetical without regard to
// case. An entry equal to others goes after them, as a sorted list box adds it.
namespace ListOrder {

bool less(const QString &a, const QString &b);

// Where a sorted list of these entries takes a new one.
template <typename Entries>
qsizetype insertPosition(const Entries &entries, const QString &text)
{
    qsizetype low = 0;
    qsizetype high = entries.size();
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        if (less(text, entries.at(mid)))
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

// The order the entries take when added one by one to a sorted list.
void sort(QStringList &entries);

} // namespace ListOrder
