#pragma once

#include "search/listrun.h"
#include "store/archive.h"
#include "store/sharedphrases.h"

#include <QObject>
#include <QTimer>
#include <optional>

// A list that several machines run together from a shared archive: each
// takes the next phrase nobody holds, holds it under a lease that it renews
// while the phrase runs, and gives its outcome back. A machine that dies
// loses its lease, and its phrase is taken again. A machine with no phrase
// free waits while others hold some, and ends once every phrase is done.
// While the archive cannot be reached, the list waits and the outcomes wait
// with it.
class SharedList : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultLeaseSeconds = 120;

    SharedList(QString archive, QString name, int leaseSeconds = kDefaultLeaseSeconds, QObject *parent = nullptr);
    ~SharedList() override;

    // Stores the phrases under the list's name, unless another machine did
    // (`resume`: a list whose phrases are all done is not begun again).
    bool open(const QStringList &phrases, bool resume);
    QString problem() const { return m_problem; }

    ListRun::Taken take();
    void ended(const RunOutcome &outcome);
    // The phrase held goes back at once for another machine, as not
    // checked and as no try of its own: a page asked the user.
    void release();
    // This machine cools down for `milliseconds` after a check page; the
    // list's window shows it.
    void pause(qint64 milliseconds);

private:
    bool sendEnds();
    void renew();

    QString m_path;
    QString m_name;
    QString m_holder;
    int m_leaseSeconds;
    Archive m_archive;
    std::optional<SharedPhrases::Phrase> m_held;
    struct End
    {
        int ord = 0;
        QString outcome;
        bool checked = false;
        bool given = false;   // given back: no try of its own
    };
    QList<End> m_ends;      // outcomes the archive has not taken yet
    std::optional<qint64> m_pauseMs;   // a pause the archive has not taken yet
    QTimer m_renew;
    QString m_problem;
};
