// Bytes to lines: whatever a file holds, the lines read back unchanged once
// the program has written them.
#include "fuzzcheck.h"
#include "store/textfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> raw = TextFile::splitLines(bytes);
    qsizetype content = 0;
    for (const QByteArray &line : raw) {
        FUZZ_CHECK(!line.contains('\r') && !line.contains('\n'));
        content += line.size();
    }
    FUZZ_CHECK(content == bytes.size() - bytes.count('\r') - bytes.count('\n'));

    const QStringList lines = TextFile::decodeLines(bytes);
    FUZZ_CHECK(lines.size() == raw.size());
    FUZZ_CHECK(TextFile::decodeLines(TextFile::encodeLines(lines)) == lines);
    for (const QString &line : lines)
        FUZZ_CHECK(TextFile::decodeLine(TextFile::encodeLine(line)) == line);
    return 0;
}
