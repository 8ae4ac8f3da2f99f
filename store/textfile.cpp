#include "store/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace TextFile {

namespace {

const char *const kAnsiCodePage = "windows-1252";
const QByteArray kLineEnd("\r\n");

bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Opening a converter costs more than decoding a line: keep one of each.
QStringDecoder &ansiDecoder()
{
    thread_local QStringDecoder decoder(kAnsiCodePage, QStringDecoder::Flag::Stateless);
    decoder.resetState();
    return decoder;
}

QStringDecoder &utf8Decoder()
{
    thread_local QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    decoder.resetState();
    return decoder;
}

QStringEncoder &ansiEncoder()
{
    thread_local QStringEncoder encoder(kAnsiCodePage, QStringEncoder::Flag::Stateless);
    encoder.resetState();
    return encoder;
}

bool isAscii(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

QString decodeAnsi(const QByteArray &bytes)
{
    QStringDecoder &decoder = ansiDecoder();
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

// A full disk shows only when the buffered bytes go out.
bool finish(QFile &file, bool written)
{
    const bool flushed = file.flush();
    file.close();
    return written && flushed && file.error() == QFileDevice::NoError;
}

} // namespace

QByteArray encodeLine(const QString &line)
{
    if (isAscii(line))
        return line.toLatin1();
    QStringEncoder &encoder = ansiEncoder();
    if (encoder.isValid()) {
        QByteArray bytes = encoder.encode(line);
        // The encoder substitutes what the code page lacks; only a line that
        // reads back unchanged is kept in Windows-1252. (The encoder is reused,
        // and its error flag outlives a reset, so the read-back is the test.)
        if (decodeLine(bytes) == line)
            return bytes;
    }
    return line.toUtf8();
}

QString decodeLine(const QByteArray &bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QStringDecoder &utf8 = utf8Decoder();
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeAnsi(bytes);
}

QList<QByteArray> splitLines(const QByteArray &data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = data.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(data.mid(start, i - start));
        if (c == '\r' && i + 1 < size && data.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(data.mid(start));
    return lines;
}

QStringList decodeLines(const QByteArray &data)
{
    QStringList lines;
    const QList<QByteArray> raw = splitLines(data);
    lines.reserve(raw.size());
    for (const QByteArray &line : raw)
        lines.append(decodeLine(line));
    return lines;
}

QByteArray encodeLines(const QStringList &lines)
{
    QByteArray data;
    for (const QString &line : lines)
        data += encodeLine(line) + kLineEnd;
    return data;
}

std::optional<QStringList> readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return decodeLines(data);
}

bool writeLines(const QString &path, const QStringList &lines)
{
    const QByteArray data = encodeLines(lines);
    // A device or a pipe cannot be replaced by a new file: write to it.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        return finish(file, file.write(data) == data.size());
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(data) == data.size() && file.commit();
}

bool appendLine(const QString &path, const QString &line)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = encodeLine(line) + kLineEnd;
    return finish(file, file.write(bytes) == bytes.size());
}

} // namespace TextFile
