#include "search/sharedlistwatch.h"

#include "store/archive.h"

#include <QLocale>
#include <QTimer>

class SharedListWatch::Worker : public QObject
{
public:
    Worker(SharedListWatch *owner, QString archive, QString name, int interval)
        : m_owner(owner)
        , m_path(std::move(archive))
        , m_name(std::move(name))
        , m_interval(interval)
        , m_archive(m_path, ArchiveUse::Watching)
    {
    }

    // On the watch's thread, where its timer must live.
    void start()
    {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &Worker::look);
        look();
        timer->start(m_interval);
    }

private:
    void look()
    {
        // A server that went away is reached anew at the next look.
        if (const Result<void> opened = m_archive.open(); !opened)
            return lost(opened.error());
        const Result<QList<SharedPhrases::State>> states = SharedPhrases(m_archive).states(m_name);
        if (!states)
            return lost(states.error());
        const Result<QList<SharedPhrases::Pause>> pauses = SharedPhrases(m_archive).pauses(m_name);
        if (!pauses)
            return lost(pauses.error());
        m_lost = false;
        emit m_owner->read(*states, *pauses);
    }

    void lost(const QString &problem)
    {
        if (!std::exchange(m_lost, true))
            emit m_owner->unreachable(problem);
    }

    SharedListWatch *m_owner;
    QString m_path;
    QString m_name;
    int m_interval;
    Archive m_archive;
    bool m_lost = false;
};

SharedListWatch::SharedListWatch(const QString &archive, const QString &name, int intervalMilliseconds, QObject *parent)
    : QObject(parent)
{
    auto *worker = new Worker(this, archive, name, intervalMilliseconds);
    m_thread.setObjectName(QStringLiteral("elenco condiviso"));
    worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, worker, &Worker::start);
    connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
    m_thread.start();
}

SharedListWatch::~SharedListWatch()
{
    m_thread.quit();
    m_thread.wait();
}

QString SharedListWatch::summary(const QString &name, const QList<SharedPhrases::State> &states,
                                 const QList<SharedPhrases::Pause> &pauses, const QDateTime &now)
{
    const auto done = std::count_if(states.begin(), states.end(), [](const SharedPhrases::State &s) { return s.done; });
    QStringList holders;
    for (const SharedPhrases::State &state : states) {
        if (held(state) && !holders.contains(state.holder))
            holders << state.holder;
    }
    QString line = QStringLiteral("Elenco condiviso \"%1\": %2 di %3 frasi fatte").arg(name).arg(done).arg(states.size());
    if (!holders.isEmpty())
        line += QStringLiteral("; in corso su %1").arg(holders.join(QStringLiteral(", ")));
    for (const SharedPhrases::Pause &pause : pauses) {
        line += QStringLiteral("; %1 in pausa fino alle %2")
                    .arg(pause.holder, QLocale::c().toString(now.addMSecs(pause.leftMs).time(), QStringLiteral("HH:mm")));
    }
    return line + QLatin1Char('.');
}
