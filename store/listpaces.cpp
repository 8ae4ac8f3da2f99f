#include "store/listpaces.h"

#include <QSettings>

namespace {

QString keyOf(const QString &host)
{
    // A host with its port is one key, not a group.
    return QStringLiteral("volte/") + QString(host).replace(QLatin1Char('/'), QLatin1Char('_'));
}

} // namespace

int ListPaces::timesFor(const QString &host) const
{
    const QSettings paces(m_file, QSettings::IniFormat);
    bool ok = false;
    const int times = paces.value(keyOf(host)).toInt(&ok);
    return ok && times > 0 ? times : 1;
}

bool ListPaces::keep(const QString &host, int times)
{
    QSettings paces(m_file, QSettings::IniFormat);
    paces.setValue(keyOf(host), times);
    paces.sync();
    return paces.status() == QSettings::NoError;
}
