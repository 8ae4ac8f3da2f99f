#include "store/listorder.h"

#include <algorithm>
#include <vector>

namespace ListOrder {

namespace {

QString sortKey(const QString &text)
{
    return text.toCaseFolded();
}

} // namespace

bool less(const QString &a, const QString &b)
{
    return sortKey(a) < sortKey(b);
}

void sort(QStringList &entries)
{
    // Fold every entry once instead of at every comparison.
    struct Keyed
    {
        QString key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(std::size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        keyed.push_back({sortKey(entries.at(i)), i});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) { return a.key < b.key; });
    QStringList sorted;
    sorted.reserve(entries.size());
    for (const Keyed &entry : keyed)
        sorted.append(std::move(entries[entry.index]));
    entries = std::move(sorted);
}

} // namespace ListOrder
