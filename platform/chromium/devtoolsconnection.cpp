#include "platform/chromium/devtoolsconnection.h"

#include <QJsonDocument>
#include <QPointer>
#include <QSocketNotifier>
#include <QtGlobal>

#include <algorithm>
#include <map>

namespace {

// Every message in and out as a debug message, for tracing a session by hand.
bool tracing()
{
    static const bool on = qEnvironmentVariableIsSet("CERCA_DEVTOOLS_TRACE");
    return on;
}

// The commands that may take longer than the others, in seconds; any other
// is answered in a moment, or the browser is stuck.
struct Bound
{
    const char *method;
    int seconds;
};
constexpr int kCommandSeconds = 10;
constexpr Bound kSlowCommands[] = {
    {"Browser.getVersion", 20},       // the first answer: the browser is still starting
    {"Page.navigate", 30},            // answered once the server's answer begins
    {"Runtime.evaluate", 30},         // the page script over a long page
    {"Page.captureScreenshot", 30},   // a picture as tall as the page allows
};
constexpr bool withinTheSlowest()
{
    for (const Bound &bound : kSlowCommands) {
        if (bound.seconds * 1000 > DevToolsConnection::kSlowestBound)
            return false;
    }
    return kCommandSeconds * 1000 <= DevToolsConnection::kSlowestBound;
}
static_assert(withinTheSlowest(), "a command's bound passes the slowest allowed");

} // namespace

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

int DevToolsConnection::boundOf(const QString &method)
{
    for (const Bound &bound : kSlowCommands) {
        if (method == QLatin1String(bound.method))
            return bound.seconds * 1000;
    }
    return kCommandSeconds * 1000;
}

DevToolsConnection::DevToolsConnection(int readFd, int writeFd, QObject *parent)
    : QObject(parent)
    , m_readFd(readFd)
    , m_writeFd(writeFd)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &DevToolsConnection::answerOverdue);
#ifdef Q_OS_UNIX
    if (m_readFd >= 0) {
        ::fcntl(m_readFd, F_SETFL, ::fcntl(m_readFd, F_GETFL) | O_NONBLOCK);
        m_reader = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
        connect(m_reader, &QSocketNotifier::activated, this, &DevToolsConnection::readAvailable);
    }
    if (m_writeFd >= 0) {
        ::fcntl(m_writeFd, F_SETFL, ::fcntl(m_writeFd, F_GETFL) | O_NONBLOCK);
        m_writer = new QSocketNotifier(m_writeFd, QSocketNotifier::Write, this);
        m_writer->setEnabled(false);
        connect(m_writer, &QSocketNotifier::activated, this, &DevToolsConnection::writePending);
    }
#endif
}

DevToolsConnection::~DevToolsConnection()
{
    m_pending.clear();
    close();
}

void DevToolsConnection::close()
{
    m_closed = true;
    delete m_reader;
    m_reader = nullptr;
    delete m_writer;
    m_writer = nullptr;
#ifdef Q_OS_UNIX
    if (m_readFd >= 0)
        ::close(m_readFd);
    if (m_writeFd >= 0)
        ::close(m_writeFd);
#endif
    m_readFd = m_writeFd = -1;
    m_outgoing.clear();
    m_deadline.stop();
    // In the order they were sent; an answer may send again, or delete the
    // connection: what is left to answer is ours alone by then.
    const std::map<int, Pending> pending(m_pending.keyValueBegin(), m_pending.keyValueEnd());
    m_pending.clear();
    for (const auto &[id, command] : pending)
        command.answer({}, DevToolsError{DevToolsError::Kind::Closed, QStringLiteral("%1: the connection closed").arg(command.method)});
}

void DevToolsConnection::closeAndSay()
{
    QPointer<DevToolsConnection> self(this);
    close();
    if (self)
        emit closed();
}

void DevToolsConnection::send(const QString &method, const QJsonObject &params, const QString &sessionId, Answer answer,
                              int bound)
{
    if (!isOpen()) {
        if (answer)
            answer({}, DevToolsError{DevToolsError::Kind::Closed, QStringLiteral("%1: the connection is closed").arg(method)});
        return;
    }
    const int id = m_nextId++;
    QJsonObject message{{QStringLiteral("id"), id}, {QStringLiteral("method"), method}, {QStringLiteral("params"), params}};
    if (!sessionId.isEmpty())
        message.insert(QStringLiteral("sessionId"), sessionId);
    if (answer) {
        const int within = std::clamp(bound > 0 ? bound : boundOf(method), 0, kSlowestBound);
        m_pending.insert(id, Pending{std::move(answer), method, QDeadlineTimer(within), within});
        armDeadline();
    }
    m_outgoing.append(DevToolsFrames::frame(message));
    if (tracing())
        qDebug("-> %s", m_outgoing.right(300).constData());
    writePending();
}

void DevToolsConnection::armDeadline()
{
    if (m_pending.isEmpty()) {
        m_deadline.stop();
        return;
    }
    qint64 soonest = kSlowestBound;
    for (const Pending &command : std::as_const(m_pending))
        soonest = std::min(soonest, command.deadline.remainingTime());
    m_deadline.start(int(std::max<qint64>(soonest, 0)));
}

void DevToolsConnection::answerOverdue()
{
    std::map<int, Pending> overdue;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->deadline.hasExpired()) {
            overdue.emplace(it.key(), std::move(*it));
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    armDeadline();
    // A late answer finds no one waiting, and is dropped.
    for (const auto &[id, command] : overdue) {
        command.answer({}, DevToolsError{DevToolsError::Kind::TimedOut,
                                         QStringLiteral("%1: no answer in %2 s").arg(command.method).arg(command.bound / 1000.0),
                                         command.bound});
    }
}

void DevToolsConnection::writePending()
{
#ifdef Q_OS_UNIX
    while (!m_outgoing.isEmpty() && m_writeFd >= 0) {
        const ssize_t written = ::write(m_writeFd, m_outgoing.constData(), size_t(m_outgoing.size()));
        if (written > 0) {
            m_outgoing.remove(0, written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        closeAndSay();
        return;
    }
    if (m_writer)
        m_writer->setEnabled(!m_outgoing.isEmpty());
#endif
}

void DevToolsConnection::readAvailable()
{
#ifdef Q_OS_UNIX
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(m_readFd, buffer, sizeof buffer);
        if (got > 0) {
            QPointer<DevToolsConnection> self(this);
            receive(QByteArrayView(buffer, got));
            if (!self || !isOpen())
                return;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        closeAndSay();   // the end of the pipe: the browser is gone
        return;
    }
#endif
}

void DevToolsConnection::receive(QByteArrayView bytes)
{
    const int droppedBefore = m_frames.dropped();
    const QList<QByteArray> messages = m_frames.append(bytes);
    if (m_frames.dropped() != droppedBefore)
        unreadableMessage(QByteArrayLiteral("(a message larger than the limit)"));
    QPointer<DevToolsConnection> self(this);
    for (const QByteArray &message : messages) {
        // An answer may have closed the connection: what came after it is the past.
        if (!self || m_closed)
            return;
        dispatch(message);
    }
}

void DevToolsConnection::dispatch(const QByteArray &message)
{
    if (tracing())
        qDebug("<- %s", message.left(300).constData());
    const std::optional<QJsonObject> parsed = DevToolsFrames::parse(message);
    if (!parsed) {
        unreadableMessage(message);
        return;
    }
    const QJsonValue id = parsed->value(QStringLiteral("id"));
    if (id.isDouble()) {
        const Pending command = m_pending.take(id.toInt());
        if (command.answer) {
            DevToolsError error;
            if (parsed->contains(QStringLiteral("error"))) {
                error.kind = DevToolsError::Kind::Browser;
                error.message = parsed->value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString(
                    QStringLiteral("error"));
            }
            command.answer(parsed->value(QStringLiteral("result")).toObject(), error);
        }
        return;
    }
    const QJsonValue method = parsed->value(QStringLiteral("method"));
    if (!method.isString()) {
        unreadableMessage(message);
        return;
    }
    emit event(parsed->value(QStringLiteral("sessionId")).toString(), method.toString(),
               parsed->value(QStringLiteral("params")).toObject());
}

void DevToolsConnection::unreadableMessage(const QByteArray &message)
{
    // Logged once, with a count: a browser that sends one sends many.
    if (m_unreadable++ == 0)
        qWarning("DevTools: an unreadable message was dropped: %s", message.left(200).constData());
}
