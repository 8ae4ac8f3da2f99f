#pragma once

#include "store/sharedphrases.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QThread>

// What the machines of a shared list are doing, read from the archive every
// few seconds on a thread of its own, so that a server slow to answer never
// holds up a window.
class SharedListWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMilliseconds = 3000;

    SharedListWatch(const QString &archive, const QString &name, int intervalMilliseconds = kIntervalMilliseconds,
                    QObject *parent = nullptr);
    ~SharedListWatch() override;

    // A line for the window: how many phrases are done, who holds which, and
    // which machines cool down after a check page, until when.
    static QString summary(const QString &name, const QList<SharedPhrases::State> &states,
                           const QList<SharedPhrases::Pause> &pauses = {},
                           const QDateTime &now = QDateTime::currentDateTime());
    // Whether a phrase is being searched now: held, and its lease running.
    static bool held(const SharedPhrases::State &state) { return !state.done && !state.holder.isEmpty() && state.leaseLeftMs > 0; }

signals:
    void read(const QList<SharedPhrases::State> &states, const QList<SharedPhrases::Pause> &pauses);
    // Said once each time the archive stops answering.
    void unreachable(const QString &problem);

private:
    class Worker;
    QThread m_thread;
};
