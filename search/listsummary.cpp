#include "search/listsummary.h"

#include "store/csv.h"

#include <algorithm>
#include <limits>

namespace {

// A phrase not found ranks after every position.
qint64 rankOf(const std::optional<qint64> &position)
{
    return position.value_or(std::numeric_limits<qint64>::max());
}

QString positionText(bool known, const std::optional<qint64> &position)
{
    if (!known)
        return QString();
    return position ? QString::number(*position) : QStringLiteral("non trovata");
}

QString nameOf(ListSummary::Change change)
{
    switch (change) {
    case ListSummary::Change::Up: return QStringLiteral("salita");
    case ListSummary::Change::Down: return QStringLiteral("scesa");
    case ListSummary::Change::Same: return QStringLiteral("uguale");
    case ListSummary::Change::Entered: return QStringLiteral("entrata nei primi %1").arg(ListSummary::kFirst);
    case ListSummary::Change::Left: return QStringLiteral("uscita dai primi %1").arg(ListSummary::kFirst);
    case ListSummary::Change::New: return QStringLiteral("nuova");
    case ListSummary::Change::Unchecked: return QStringLiteral("non controllata");
    }
    return QString();
}

} // namespace

ListSummary::Change ListSummary::changeOf(const Phrase &phrase)
{
    if (!phrase.checked)
        return Change::Unchecked;
    const qint64 after = rankOf(phrase.after);
    const qint64 before = phrase.ranBefore ? rankOf(phrase.before) : std::numeric_limits<qint64>::max();
    if (after <= kFirst && before > kFirst)
        return Change::Entered;
    if (!phrase.ranBefore)
        return Change::New;
    if (before <= kFirst && after > kFirst)
        return Change::Left;
    return after < before ? Change::Up : after > before ? Change::Down : Change::Same;
}

int ListSummary::count(Change change) const
{
    return int(std::count_if(m_phrases.begin(), m_phrases.end(),
                             [change](const Phrase &phrase) { return changeOf(phrase) == change; }));
}

QString ListSummary::line(const QString &listName) const
{
    QString text = QStringLiteral("%1: %2 %3, %4 salite, %5 scese, %6 uguali, %7 entrate nei primi %8, %9 uscite")
                       .arg(listName)
                       .arg(size())
                       .arg(size() == 1 ? QStringLiteral("frase") : QStringLiteral("frasi"))
                       .arg(count(Change::Up))
                       .arg(count(Change::Down))
                       .arg(count(Change::Same))
                       .arg(count(Change::Entered))
                       .arg(kFirst)
                       .arg(count(Change::Left));
    if (const int fresh = count(Change::New))
        text += QStringLiteral(", %1 nuove").arg(fresh);
    return text + QStringLiteral(", %1 non controllate").arg(count(Change::Unchecked));
}

QByteArray ListSummary::csv() const
{
    QByteArray text = Csv::row({QStringLiteral("frase"), QStringLiteral("prima"), QStringLiteral("dopo"),
                                QStringLiteral("variazione"), QStringLiteral("esito")});
    for (const Phrase &phrase : m_phrases) {
        const Change change = changeOf(phrase);
        const bool moved = phrase.ranBefore && phrase.before && phrase.after;
        QString what = nameOf(change);
        if (change == Change::Unchecked && !phrase.why.isEmpty())
            what += QStringLiteral(": ") + phrase.why;
        text += Csv::rowOf({Csv::field(phrase.phrase), Csv::field(positionText(phrase.ranBefore, phrase.before)),
                            Csv::field(positionText(phrase.checked, phrase.after)),
                            moved ? Csv::number(*phrase.before - *phrase.after, true) : QByteArray(), Csv::field(what)});
    }
    return text;
}
