// The reader of the browser's pipe, fed arbitrary bytes in arbitrary pieces.
#include "fuzzcheck.h"
#include "platform/chromium/devtoolsconnection.h"

#include <QtGlobal>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    Q_UNUSED(quiet)
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    DevToolsConnection connection(-1, -1);
    int events = 0;
    QObject::connect(&connection, &DevToolsConnection::event, [&events](const QString &, const QString &method, const QJsonObject &) {
        FUZZ_CHECK(!method.isNull());
        ++events;
    });
    // The first byte says how the bytes arrive: in pieces of 1 to 256.
    const qsizetype piece = size > 0 ? data[0] + 1 : 1;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        connection.receive(QByteArrayView(bytes).sliced(at, qMin(piece, bytes.size() - at)));
    // A whole message is an event, an answer, or counted as unreadable, once.
    const qsizetype messages = bytes.count('\0');
    FUZZ_CHECK(events + connection.unreadable() <= messages);
    FUZZ_CHECK(connection.unreadable() >= 0);
    return 0;
}
