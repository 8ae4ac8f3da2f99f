#include "app/horizontalextent.h"

#include <algorithm>
#include <cmath>

namespace HorizontalExtent {

int ofEntry(double widthPixels)
{
    // nearbyint rounds in the default mode, to nearest with halves to even.
    return static_cast<int>(std::nearbyint(widthPixels + kMarginPixels));
}

int ofEntries(const QStringList &entries, const std::function<double(const QString &)> &widthPixels)
{
    int widest = 0;
    for (const QString &entry : entries)
        widest = std::max(widest, ofEntry(widthPixels(entry)));
    return widest;
}

} // namespace HorizontalExtent
