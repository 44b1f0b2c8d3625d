#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

/// Image bytes decoded as a viewer shows them: a photo's orientation tag is applied. The digest, the
/// thumbnails and a paste of the picture all see the same pixels. Safe on any thread.
class ShownImage {
public:
    /// Null when the bytes are not an image. A valid `bound` scales the picture down to fit it, inside
    /// the reader where the format allows (JPEG then decodes at a fraction of its size).
    static QImage decode(const QByteArray &bytes, const QSize &bound = {});
};
