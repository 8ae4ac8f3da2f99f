#pragma once

#include "store/result.h"

#include <QList>
#include <QStringList>
#include <optional>

class Archive;

// The phrases of lists several machines share: the first to come stores the
// phrases under the list's name (`anew`: again, when every one is done);
// each then takes the next phrase nobody holds, under a lease it renews, and
// ends it. A phrase whose holder died is taken again once its lease ran out.
class SharedPhrases
{
public:
    // How many times a phrase is tried before it stays unchecked.
    static constexpr int kTries = 3;

    struct Phrase
    {
        int ord = 0;
        QString phrase;
    };
    struct State
    {
        int ord = 0;
        QString phrase;
        QString holder;        // empty: nobody
        bool done = false;
        QString outcome;
        qint64 leaseLeftMs = 0;
    };

    explicit SharedPhrases(Archive &archive) : m_archive(archive) {}

    Result<void> share(const QString &list, const QStringList &phrases, bool anew);
    // nullopt when no phrase is free. A phrase is held only once the
    // archive has taken the lease: a take that did not commit is a failure.
    Result<std::optional<Phrase>> take(const QString &list, const QString &holder, int leaseSeconds);
    // How many phrases are not done yet, held by a machine or free.
    Result<qint64> unfinished(const QString &list);
    Result<void> renew(const QString &list, int ord, const QString &holder, int leaseSeconds);
    Result<void> end(const QString &list, int ord, const QString &holder, const QString &outcome, bool checked);
    // The phrase goes back for another machine at once, as no try of its
    // own: the engine asked this machine for a check.
    Result<void> giveBack(const QString &list, int ord, const QString &holder, const QString &outcome);

    // A machine cooling down after a check page, and for how long yet.
    struct Pause
    {
        QString holder;
        qint64 leftMs = 0;
    };
    Result<void> pause(const QString &list, const QString &holder, qint64 milliseconds);
    // The machines still cooling down.
    Result<QList<Pause>> pauses(const QString &list);
    Result<QList<State>> states(const QString &list);

private:
    Result<void> update(const QString &sql, const QVariantList &values);

    Archive &m_archive;
};
