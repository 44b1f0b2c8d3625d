#include "ImageDigest.h"

#include <QCryptographicHash>

QByteArray ImageDigest::of(const QImage &image)
{
    // One pixel format for all sources; an opaque RGB32 decode converts to alpha 0xff, like an
    // opaque PNG's ARGB32 decode.
    const QImage pixels
        = image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const qint32 size[] = {pixels.width(), pixels.height()};
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(size), sizeof size));
    // Row by row: the padding at the end of a scan line is not part of the picture.
    const qsizetype rowBytes = qsizetype(pixels.width()) * 4;
    for (int y = 0; y < pixels.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(pixels.constScanLine(y)), rowBytes));
    return hash.result();
}

std::optional<QByteArray> ImageDigest::ofEncoded(const QByteArray &bytes)
{
    QImage image;
    if (bytes.isEmpty() || !image.loadFromData(bytes))
        return std::nullopt;
    return of(image);
}
