#pragma once

#include "platform/chromium/devtoolsframes.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QSocketNotifier;

// Why a command gave no result: the browser's error, the connection closed
// before the answer came, or no answer came within the command's bound.
struct DevToolsError
{
    enum class Kind { None, Browser, Closed, TimedOut };
    Kind kind = Kind::None;
    QString message;    // the browser's words; ours for the others, for the log
    int bound = 0;      // TimedOut: the milliseconds waited

    bool isEmpty() const { return kind == Kind::None; }
};

// One DevTools connection over a pair of pipe ends: sends commands with ids,
// matches the answers to them, and hands on the events.
//
// Every command sent with an answer is answered once: with its result, with
// the browser's error, with Closed when the connection closes first (the
// browser's end, a failed read or write, close()), or with TimedOut after its
// bound. Deleting the connection drops what is still pending: whoever deletes
// it no longer waits.
class DevToolsConnection : public QObject
{
    Q_OBJECT
public:
    using Answer = std::function<void(const QJsonObject &result, const DevToolsError &error)>;

    // How long a command may go unanswered, in milliseconds: its own bound,
    // never more than kSlowestBound.
    static int boundOf(const QString &method);
    static constexpr int kSlowestBound = 30000;

    // Takes both descriptors and closes them when it goes.
    DevToolsConnection(int readFd, int writeFd, QObject *parent = nullptr);
    ~DevToolsConnection() override;

    // sessionId empty: a command to the browser itself. bound 0: the
    // method's own. On a closed connection the answer comes at once.
    void send(const QString &method, const QJsonObject &params = {}, const QString &sessionId = {}, Answer answer = {},
              int bound = 0);
    bool isOpen() const { return m_readFd >= 0; }
    // Closes the pipe; what is pending is answered with Closed.
    void close();

    // Feeds bytes as if they had arrived on the pipe (the fuzz target uses it).
    void receive(QByteArrayView bytes);
    int unreadable() const { return m_unreadable; }

signals:
    void event(const QString &sessionId, const QString &method, const QJsonObject &params);
    // The browser closed its end, or a read or write failed.
    void closed();

private:
    struct Pending
    {
        Answer answer;
        QString method;
        QDeadlineTimer deadline;
        int bound;
    };

    void readAvailable();
    void writePending();
    void closeAndSay();
    void dispatch(const QByteArray &message);
    void unreadableMessage(const QByteArray &message);
    void answerOverdue();
    void armDeadline();

    int m_readFd;
    int m_writeFd;
    QSocketNotifier *m_reader = nullptr;
    QSocketNotifier *m_writer = nullptr;
    DevToolsFrames m_frames;
    QByteArray m_outgoing;
    QHash<int, Pending> m_pending;
    QTimer m_deadline;
    bool m_closed = false;      // by close(): nothing more is handed on
    int m_nextId = 1;
    int m_unreadable = 0;
};
