#include "store/listprogress.h"

#include <algorithm>

#include <QCryptographicHash>
#include <QDateTime>
#include <QSettings>

ListProgress::ListProgress(const QString &stateFile, const QStringList &phrases, const QString &fragment,
                           const QString &pageLimit, bool italianOnly, const SearchPlace &place)
    : m_file(stateFile)
{
    QCryptographicHash identity(QCryptographicHash::Sha1);
    QStringList parts{phrases.join(QLatin1Char('\n')), fragment, pageLimit, QString::number(italianOnly ? 1 : 0)};
    // At the defaults the identity is what it always was.
    if (!place.isDefault())
        parts.append(SearchPlaces::describe(place));
    for (const QString &part : parts) {
        identity.addData(part.toUtf8());
        identity.addData(QByteArrayView("\0", 1));
    }
    m_key = QStringLiteral("elenco-") + QString::fromLatin1(identity.result().toHex().left(16));
    const QSettings state(m_file, QSettings::IniFormat);
    const QStringList checked = state.value(m_key + QStringLiteral("/cercate")).toStringList();
    m_checked = QSet<QString>(checked.begin(), checked.end());
}

void ListProgress::restart()
{
    if (m_checked.isEmpty())
        return;
    m_checked.clear();
    write();
}

bool ListProgress::markChecked(const QString &phrase)
{
    m_checked.insert(phrase);
    return write();
}

bool ListProgress::checkedAll(const QStringList &phrases) const
{
    return std::all_of(phrases.begin(), phrases.end(), [this](const QString &phrase) { return isChecked(phrase); });
}

bool ListProgress::finish()
{
    m_checked.clear();
    return write();
}

bool ListProgress::write()
{
    QSettings state(m_file, QSettings::IniFormat);
    if (m_checked.isEmpty()) {
        state.remove(m_key);
    } else {
        QStringList checked(m_checked.begin(), m_checked.end());
        checked.sort();
        state.setValue(m_key + QStringLiteral("/cercate"), checked);
        state.setValue(m_key + QStringLiteral("/aggiornato"), QDateTime::currentDateTime().toString(Qt::ISODate));
    }
    state.sync();
    return state.status() == QSettings::NoError;
}
