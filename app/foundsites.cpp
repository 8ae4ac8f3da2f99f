#include "app/foundsites.h"

namespace FoundSites {

QString entryAddress(const QString &entry)
{
    const qsizetype length = entry.size();
    const qsizetype dash = entry.indexOf(QLatin1Char('-')) + 1; // 1-based, 0 when none
    const qsizetype keep = length - dash - 1;
    return keep > 0 ? entry.right(keep) : QString();
}

bool offersPopup(Qt::MouseButton button, int selectedIndex)
{
    return selectedIndex >= 0 && button == Qt::RightButton;
}

QString resultsPageCaption(const QString &engine)
{
    return QStringLiteral("Apri la pagina ") + engine;
}

} // namespace FoundSites
