#include "platform/chromium/devtoolsconnection.h"

#include <QJsonDocument>
#include <QSocketNotifier>
#include <QtGlobal>

namespace {

// Every message in and out as a debug message, for tracing a session by hand.
bool tracing()
{
    static const bool on = qEnvironmentVariableIsSet("CERCA_DEVTOOLS_TRACE");
    return on;
}

} // namespace

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

DevToolsConnection::DevToolsConnection(int readFd, int writeFd, QObject *parent)
    : QObject(parent)
    , m_readFd(readFd)
    , m_writeFd(writeFd)
{
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
    close();
}

void DevToolsConnection::close()
{
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
    m_answers.clear();
    m_outgoing.clear();
}

void DevToolsConnection::send(const QString &method, const QJsonObject &params, const QString &sessionId, Answer answer)
{
    if (!isOpen())
        return;
    const int id = m_nextId++;
    QJsonObject message{{QStringLiteral("id"), id}, {QStringLiteral("method"), method}, {QStringLiteral("params"), params}};
    if (!sessionId.isEmpty())
        message.insert(QStringLiteral("sessionId"), sessionId);
    if (answer)
        m_answers.insert(id, std::move(answer));
    m_outgoing.append(DevToolsFrames::frame(message));
    if (tracing())
        qDebug("-> %s", m_outgoing.right(300).constData());
    writePending();
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
        close();
        emit closed();
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
            receive(QByteArrayView(buffer, got));
            if (!isOpen())
                return;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        close();   // the end of the pipe: the browser is gone
        emit closed();
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
    for (const QByteArray &message : messages)
        dispatch(message);
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
        const Answer answer = m_answers.take(id.toInt());
        if (answer) {
            const QJsonObject error = parsed->value(QStringLiteral("error")).toObject();
            QString text;
            if (parsed->contains(QStringLiteral("error")))
                text = error.value(QStringLiteral("message")).toString(QStringLiteral("error"));
            answer(parsed->value(QStringLiteral("result")).toObject(), text);
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
