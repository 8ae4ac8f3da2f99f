#include "store/listpaces.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

// A host with its port is one key, not a group.
QString keyOf(const char *group, const QString &host)
{
    return QLatin1String(group) + QLatin1Char('/') + QString(host).replace(QLatin1Char('/'), QLatin1Char('_'));
}

// A multiple as the file has it ("2", "1.125"), in eighths; none when it is no
// positive number.
std::optional<int> eighthsOf(const QVariant &value)
{
    bool ok = false;
    const double times = value.toString().toDouble(&ok);
    if (!ok || !std::isfinite(times) || times <= 0 || times > 1000)
        return std::nullopt;
    return int(std::lround(times * 8));
}

QString timesOf(int eighths)
{
    return QString::number(eighths / 8.0, 'g', 6);
}

} // namespace

ListPaces::Kept ListPaces::paceFor(const QString &host) const
{
    const QSettings paces(m_file, QSettings::IniFormat);
    Kept kept;
    kept.eighths = eighthsOf(paces.value(keyOf("volte", host))).value_or(kept.eighths);
    kept.limit = eighthsOf(paces.value(keyOf("limite", host)));
    kept.phrases = std::max(0, paces.value(keyOf("frasi_senza_verifica", host)).toInt());
    return kept;
}

bool ListPaces::keep(const QString &host, const Kept &pace)
{
    QSettings paces(m_file, QSettings::IniFormat);
    paces.setValue(keyOf("volte", host), timesOf(pace.eighths));
    paces.setValue(keyOf("frasi_senza_verifica", host), pace.phrases);
    if (pace.limit)
        paces.setValue(keyOf("limite", host), timesOf(*pace.limit));
    else
        paces.remove(keyOf("limite", host));
    paces.sync();
    return paces.status() == QSettings::NoError;
}
