#include "ImageDigest.h"

#include "ShownImage.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <array>

QByteArray ImageDigest::of(const QImage &image)
{
    if (image.isNull())
        return {};
    // BLAKE2b runs about three times as fast as SHA-256 here, with a digest as strong and as long.
    QCryptographicHash hash(QCryptographicHash::Blake2b_256);
    std::array<quint32, 2> size{qToLittleEndian(quint32(image.width())), qToLittleEndian(quint32(image.height()))};
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(size.data()), sizeof(size)));

    // RGB32 and ARGB32 are hashed straight from their scanlines; anything else is converted once.
    const bool opaque = image.format() == QImage::Format_RGB32;
    const QImage pixels
        = opaque || image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    // Pixels go in as little-endian words, and an opaque pixel's unused byte as 0xff, so a file
    // format's decode, the machine's byte order and the scanline padding do not matter.
    const quint32 alphaMask = opaque ? 0xff000000u : 0u;
    QList<quint32> row(pixels.width());
    for (int y = 0; y < pixels.height(); ++y) {
        const auto *line = reinterpret_cast<const quint32 *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            row[x] = qToLittleEndian(line[x] | alphaMask);
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(row.constData()), row.size() * 4));
    }
    return hash.result();
}

std::optional<QByteArray> ImageDigest::ofEncoded(const QByteArray &bytes)
{
    const QImage image = ShownImage::decode(bytes);
    if (image.isNull())
        return std::nullopt;
    return of(image);
}
