#pragma once

#include <QByteArrayList>
#include <QString>
#include <cstdio>
#include <cstdlib>

// A property that must hold for every input: a failure aborts, so that the
// fuzzer keeps the input and the replay test fails.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// Splits the input into fields at NUL bytes, for targets that read several texts.
inline QList<QByteArray> fuzzFields(const uint8_t *data, size_t size, int count)
{
    QList<QByteArray> fields = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    while (fields.size() < count)
        fields.append(QByteArray());
    return fields;
}
