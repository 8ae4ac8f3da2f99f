#pragma once

// Files no program of ours wrote: the bytes the store tests feed to the
// settings and log readers.
#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QTest>
#include <utility>

namespace BadBytes {

inline QByteArray binary(qsizetype size)
{
    QRandomGenerator random(20261207);   // the same bytes on every run
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

inline QByteArray manyLines(int count, const QByteArray &prefix)
{
    QByteArray bytes;
    bytes.reserve((prefix.size() + 10) * count);
    for (int i = count; i > 0; --i)
        bytes += prefix + QByteArray::number(i).rightJustified(7, '0') + "\r\n";
    return bytes;
}

// Name and bytes of each kind of bad file; the first two lines of each are
// the fragment and the limit when read as settings.
inline QList<std::pair<const char *, QByteArray>> files()
{
    return {
        {"empty", QByteArray()},
        {"one line", QByteArray("velmora\r\n")},
        {"binary", binary(64 * 1024)},
        {"nul bytes", QByteArray("vel\0mora\r\n1\0\r\nbim\0by\r\n\0\r\n", 26)},
        {"invalid utf-8", QByteArray("\xC3\x28\r\n\xE2\x82\r\nfine\xFF\xFE riga\r\n\xF0\x9F\x98\r\n")},
        {"lf only", QByteArray("velmora\n10\nbimby\nricette\n")},
        {"cr only", QByteArray("velmora\r10\rbimby\rricette\r")},
        {"a 10 MB line", QByteArray("velmora\r\n10\r\n") + QByteArray(10 * 1024 * 1024, 'x') + "\r\nbimby\r\n"},
        {"54 MB, a million lines", QByteArray("velmora\r\n10\r\n")
                                       + manyLines(1000000, "ricette della nonna per il bimby tm31 numero ")},
    };
}

// One data row per kind of bad file, in a column named "bytes".
inline void addRows()
{
    QTest::addColumn<QByteArray>("bytes");
    for (const auto &[name, bytes] : files())
        QTest::newRow(name) << bytes;
}

} // namespace BadBytes
