#include "PasteboardImage.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

QStringList PasteboardImage::candidateFormats(const QStringList &offered)
{
    QStringList candidates;
    for (const QString &format : {QStringLiteral("image/tiff"), QStringLiteral("image/png")}) {
        if (offered.contains(format))
            candidates.append(format);
    }
    const auto decodable = QImageReader::supportedMimeTypes();
    for (const QString &format : offered) {
        if (format.startsWith(QLatin1String("image/")) && !candidates.contains(format)
            && decodable.contains(format.toLatin1()))
            candidates.append(format);
    }
    return candidates;
}

std::optional<QByteArray> PasteboardImage::extractPng(
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

std::optional<QByteArray> PasteboardImage::toPng(const QByteArray &data)
{
    QImage image;
    if (data.isEmpty() || !image.loadFromData(data))
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::nullopt;
    return png;
}
