#include "PasteboardImage.h"

#include "model/ImageDigest.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <future>

QStringList PasteboardImage::candidateFormats(const QStringList &offered)
{
    // A format Qt cannot decode is not even read: a large TIFF would only cost time.
    const auto decodable = QImageReader::supportedMimeTypes();
    const auto isCandidate
        = [&](const QString &format) { return offered.contains(format) && decodable.contains(format.toLatin1()); };
    QStringList candidates;
    for (const QString &format : {QStringLiteral("image/tiff"), QStringLiteral("image/png")}) {
        if (isCandidate(format))
            candidates.append(format);
    }
    for (const QString &format : offered) {
        if (format.startsWith(QLatin1String("image/")) && !candidates.contains(format) && isCandidate(format))
            candidates.append(format);
    }
    return candidates;
}

std::optional<PasteboardImage::Encoded> PasteboardImage::extractPng(
    const QStringList &offered, const std::function<std::optional<QByteArray>(const QString &)> &read)
{
    for (const QString &format : candidateFormats(offered)) {
        const auto data = read(format);
        if (!data)
            continue;
        if (auto png = toPng(*data))
            return png;
    }
    return std::nullopt;
}

std::optional<PasteboardImage::Encoded> PasteboardImage::toPng(const QByteArray &data)
{
    QImage image;
    if (data.isEmpty() || !image.loadFromData(data))
        return std::nullopt;
    // The pixels are decoded here already: their digest is taken on a second thread while PNG
    // encoding, the longer of the two, runs on this one.
    auto digest = std::async(std::launch::async, [&image] { return ImageDigest::of(image); });
    Encoded encoded;
    QBuffer buffer(&encoded.png);
    buffer.open(QIODevice::WriteOnly);
    const bool saved = image.save(&buffer, "PNG");
    encoded.digest = digest.get();
    if (!saved)
        return std::nullopt;
    return encoded;
}
