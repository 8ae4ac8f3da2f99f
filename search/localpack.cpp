#include "search/localpack.h"

#include <QRegularExpression>

namespace LocalPack {

bool isAddressPart(const QString &fragment)
{
    static const QRegularExpression addressCharacters(QStringLiteral("^[A-Za-z0-9._~:/?#\\[\\]@!$&'()*+,;=%-]+$"));
    return addressCharacters.match(fragment).hasMatch();
}

std::optional<int> placeOf(const QList<PackEntry> &pack, const QString &fragment)
{
    if (fragment.isEmpty())
        return std::nullopt;
    const bool byAddress = isAddressPart(fragment);
    for (qsizetype i = 0; i < pack.size(); ++i) {
        const bool holds = byAddress ? pack[i].website.contains(fragment)
                                     : pack[i].name.contains(fragment.trimmed(), Qt::CaseInsensitive);
        if (holds)
            return int(i + 1);
    }
    return std::nullopt;
}

QString words(int place)
{
    return QStringLiteral("nel pacchetto locale %1").arg(place);
}

} // namespace LocalPack
