#include "store/sharedphrases.h"

#include "store/archive.h"
#include "store/archivedialect.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

// Any number, the same on every machine and in every version of the
// program: a list is stored by one machine at a time.
constexpr qint64 kListLock = 0x43657263615032;

Failure withoutLists()
{
    return Failure{QStringLiteral("l'archivio non tiene ancora gli elenchi condivisi")};
}

} // namespace

Result<void> SharedPhrases::share(const QString &list, const QStringList &phrases, bool anew)
{
    if (!m_archive.has(ArchiveStep::SharedLists))
        return withoutLists();
    return m_archive.transaction([&]() -> Result<void> {
        if (const QString lock = m_archive.dialect().serialise(kListLock); !lock.isEmpty()) {
            if (const Result<QSqlQuery> locked = m_archive.exec(lock); !locked)
                return locked.failure();
        }
        qint64 count = 0;
        qint64 done = 0;
        const Result<void> counted = m_archive.rows(QStringLiteral("SELECT count(*), coalesce(sum(done), 0) FROM shared_phrases WHERE list = ?"),
                                                    {list}, [&](const QSqlQuery &row) {
                                                        count = row.value(0).toLongLong();
                                                        done = row.value(1).toLongLong();
                                                    });
        if (!counted)
            return counted;
        if (count > 0 && !(anew && done == count))
            return {};   // the list is there: this machine joins it
        if (const Result<QSqlQuery> cleared = m_archive.exec(QStringLiteral("DELETE FROM shared_phrases WHERE list = ?"), {list}); !cleared)
            return cleared.failure();
        QList<QVariantList> rows;
        for (qsizetype i = 0; i < phrases.size(); ++i)
            rows.append({list, i, phrases[i]});
        return m_archive.execMany(QStringLiteral("INSERT INTO shared_phrases (list, ord, phrase) VALUES (?, ?, ?)"), rows);
    });
}

Result<std::optional<SharedPhrases::Phrase>> SharedPhrases::take(const QString &list, const QString &holder, int leaseSeconds)
{
    if (!m_archive.has(ArchiveStep::SharedLists))
        return withoutLists();
    std::optional<Phrase> taken;
    const Result<void> done = m_archive.transaction([&]() -> Result<void> {
        // A phrase nobody holds, or whose holder's lease ran out; on a
        // server, rows another machine is taking are passed over.
        return m_archive.rows(
            QStringLiteral("UPDATE shared_phrases SET holder = ?, lease_until = %1 + ? WHERE list = ? AND ord ="
                           " (SELECT ord FROM shared_phrases WHERE list = ? AND done = 0 AND (holder = '' OR lease_until < %1)"
                           " ORDER BY ord LIMIT 1%2) RETURNING ord, phrase")
                .arg(m_archive.dialect().nowMilliseconds(), m_archive.dialect().passOverLocked()),
            {holder, qint64(leaseSeconds) * 1000, list, list},
            [&taken](const QSqlQuery &row) { taken = Phrase{row.value(0).toInt(), row.value(1).toString()}; });
    });
    // A phrase is held only once the server has said so: taken in a
    // transaction that did not commit, it is still free for another machine.
    if (!done)
        return done.failure();
    return taken;
}

Result<qint64> SharedPhrases::unfinished(const QString &list)
{
    if (!m_archive.has(ArchiveStep::SharedLists))
        return withoutLists();
    qint64 count = 0;
    const Result<void> read = m_archive.rows(QStringLiteral("SELECT count(*) FROM shared_phrases WHERE list = ? AND done = 0"),
                                             {list}, [&count](const QSqlQuery &row) { count = row.value(0).toLongLong(); });
    if (!read)
        return read.failure();
    return count;
}

Result<void> SharedPhrases::renew(const QString &list, int ord, const QString &holder, int leaseSeconds)
{
    return update(QStringLiteral("UPDATE shared_phrases SET lease_until = %1 + ? WHERE list = ? AND ord = ? AND holder = ? AND done = 0")
                      .arg(m_archive.dialect().nowMilliseconds()),
                  {qint64(leaseSeconds) * 1000, list, ord, holder});
}

Result<void> SharedPhrases::end(const QString &list, int ord, const QString &holder, const QString &outcome, bool checked)
{
    // A phrase not checked goes back for another try, kTries in all.
    return update(QStringLiteral("UPDATE shared_phrases SET outcome = ?, tries = tries + 1, holder = CASE WHEN ? = 1 THEN holder"
                                 " ELSE '' END, lease_until = 0, done = CASE WHEN ? = 1 OR tries + 1 >= %1 THEN 1 ELSE 0 END"
                                 " WHERE list = ? AND ord = ? AND holder = ?")
                      .arg(kTries),
                  {outcome, checked ? 1 : 0, checked ? 1 : 0, list, ord, holder});
}

Result<void> SharedPhrases::giveBack(const QString &list, int ord, const QString &holder, const QString &outcome)
{
    return update(QStringLiteral("UPDATE shared_phrases SET outcome = ?, holder = '', lease_until = 0"
                                 " WHERE list = ? AND ord = ? AND holder = ? AND done = 0"),
                  {outcome, list, ord, holder});
}

Result<void> SharedPhrases::pause(const QString &list, const QString &holder, qint64 milliseconds)
{
    if (!m_archive.has(ArchiveStep::SharedPauses))
        return {};   // an archive of an earlier program: nobody shows the pause
    return update(QStringLiteral("INSERT INTO shared_pauses (list, holder, paused_until) VALUES (?, ?, %1 + ?)"
                                 " ON CONFLICT (list, holder) DO UPDATE SET paused_until = excluded.paused_until")
                      .arg(m_archive.dialect().nowMilliseconds()),
                  {list, holder, milliseconds});
}

Result<QList<SharedPhrases::Pause>> SharedPhrases::pauses(const QString &list)
{
    QList<Pause> pauses;
    if (!m_archive.has(ArchiveStep::SharedPauses))
        return pauses;
    const Result<void> read = m_archive.rows(
        QStringLiteral("SELECT holder, paused_until - %1 FROM shared_pauses WHERE list = ? AND paused_until > %1 ORDER BY holder")
            .arg(m_archive.dialect().nowMilliseconds()),
        {list}, [&pauses](const QSqlQuery &row) { pauses.append({row.value(0).toString(), row.value(1).toLongLong()}); });
    if (!read)
        return read.failure();
    return pauses;
}

Result<void> SharedPhrases::update(const QString &sql, const QVariantList &values)
{
    if (!m_archive.has(ArchiveStep::SharedLists))
        return withoutLists();
    return m_archive.transaction([&]() -> Result<void> {
        const Result<QSqlQuery> updated = m_archive.exec(sql, values);
        return updated ? Result<void>() : updated.failure();
    });
}

Result<QList<SharedPhrases::State>> SharedPhrases::states(const QString &list)
{
    if (!m_archive.has(ArchiveStep::SharedLists))
        return withoutLists();
    QList<State> states;
    const Result<void> read = m_archive.rows(
        QStringLiteral("SELECT ord, phrase, holder, done, outcome, lease_until - %1 FROM shared_phrases WHERE list = ? ORDER BY ord")
            .arg(m_archive.dialect().nowMilliseconds()),
        {list}, [&states](const QSqlQuery &row) {
            states.append({row.value(0).toInt(), row.value(1).toString(), row.value(2).toString(), row.value(3).toInt() != 0,
                           row.value(4).toString(), row.value(5).toLongLong()});
        });
    if (!read)
        return read.failure();
    return states;
}
