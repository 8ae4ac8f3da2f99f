#include "app/listorder.h"

#include <algorithm>

namespace ListOrder {

bool less(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

void sort(QStringList &entries)
{
    std::stable_sort(entries.begin(), entries.end(), less);
}

} // namespace ListOrder
