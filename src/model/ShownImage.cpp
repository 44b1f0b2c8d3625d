#include "ShownImage.h"

#include <QBuffer>
#include <QImageReader>

QImage ShownImage::decode(const QByteArray &bytes, const QSize &bound)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    const auto exceeds = [&bound](const QSize &size) {
        return bound.isValid() && (size.width() > bound.width() || size.height() > bound.height());
    };
    if (full.isValid() && exceeds(full))
        reader.setScaledSize(full.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (!image.isNull() && exceeds(image.size()))
        image = image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}
