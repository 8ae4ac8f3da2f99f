#include "store/pagecompression.h"

#include <zstd.h>

namespace PageCompression {

namespace {

// Fast, and within a few per cent of the higher levels on markup.
constexpr int kLevel = 6;
// A kept page is a results page: nothing that claims more is one.
constexpr unsigned long long kLargestText = 64ull << 20;

} // namespace

QByteArray compress(const QByteArray &text)
{
    QByteArray compressed(qsizetype(ZSTD_compressBound(std::size_t(text.size()))), Qt::Uninitialized);
    const std::size_t size = ZSTD_compress(compressed.data(), std::size_t(compressed.size()), text.constData(),
                                           std::size_t(text.size()), kLevel);
    if (ZSTD_isError(size))
        return {};
    compressed.resize(qsizetype(size));
    return compressed;
}

Result<QByteArray> decompress(const QByteArray &compressed)
{
    const unsigned long long size = ZSTD_getFrameContentSize(compressed.constData(), std::size_t(compressed.size()));
    if (size == ZSTD_CONTENTSIZE_ERROR)
        return Failure{QStringLiteral("non è una pagina compressa")};
    if (size == ZSTD_CONTENTSIZE_UNKNOWN || size > kLargestText)
        return Failure{QStringLiteral("la pagina compressa non dice la sua lunghezza")};
    QByteArray text(qsizetype(size), Qt::Uninitialized);
    const std::size_t read = ZSTD_decompress(text.data(), std::size_t(text.size()), compressed.constData(),
                                             std::size_t(compressed.size()));
    if (ZSTD_isError(read) || read != size)
        return Failure{QStringLiteral("la pagina compressa è tronca o danneggiata (%1)")
                           .arg(QString::fromLatin1(ZSTD_isError(read) ? ZSTD_getErrorName(read) : "lunghezza"))};
    return text;
}

} // namespace PageCompression
