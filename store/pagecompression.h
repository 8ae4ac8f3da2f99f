#pragma once

#include "store/result.h"

#include <QByteArray>

// The kept pages' markup, compressed with zstd: a results page's markup of
// several hundred kilobytes takes a tenth of that or less.
namespace PageCompression {

QByteArray compress(const QByteArray &text);
// The text again; a failure for bytes that are not a whole zstd frame (cut
// short, or something else altogether).
Result<QByteArray> decompress(const QByteArray &compressed);

} // namespace PageCompression
