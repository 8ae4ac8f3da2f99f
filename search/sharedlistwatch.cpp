#include "search/sharedlistwatch.h"

#include <QTimer>

#include <memory>

class SharedListWatch::Worker : public QObject
{
public:
    Worker(SharedListWatch *owner, QString archive, QString name, int interval)
        : m_owner(owner)
        , m_path(std::move(archive))
        , m_name(std::move(name))
        , m_interval(interval)
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
        if (!m_archive || !m_archive->isOpen()) {
            m_archive = std::make_unique<Archive>(m_path);
            m_archive->setBusyTimeout(2000);
            if (!m_archive->open())
                return lost(m_archive->problem());
        }
        const std::optional<QList<Archive::SharedState>> states = m_archive->sharedList(m_name);
        if (!states)
            return lost(m_archive->problem());
        m_lost = false;
        emit m_owner->read(*states);
    }

    void lost(const QString &problem)
    {
        // A server that went away is reached anew at the next look.
        m_archive.reset();
        if (!std::exchange(m_lost, true))
            emit m_owner->unreachable(problem);
    }

    SharedListWatch *m_owner;
    QString m_path;
    QString m_name;
    int m_interval;
    std::unique_ptr<Archive> m_archive;
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

QString SharedListWatch::summary(const QString &name, const QList<Archive::SharedState> &states)
{
    const auto done = std::count_if(states.begin(), states.end(), [](const Archive::SharedState &s) { return s.done; });
    QStringList holders;
    for (const Archive::SharedState &state : states) {
        if (held(state) && !holders.contains(state.holder))
            holders << state.holder;
    }
    QString line = QStringLiteral("Elenco condiviso \"%1\": %2 di %3 frasi fatte").arg(name).arg(done).arg(states.size());
    if (!holders.isEmpty())
        line += QStringLiteral("; in corso su %1").arg(holders.join(QStringLiteral(", ")));
    return line + QLatin1Char('.');
}
