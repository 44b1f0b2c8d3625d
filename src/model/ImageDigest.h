#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

/// A digest of an image's decoded pixels: the same picture gives the same digest whatever format
/// it came in (PNG, JPEG, TIFF), so repeats are found by picture rather than by label.
class ImageDigest {
public:
    static QByteArray of(const QImage &image);
    /// Decodes `bytes` first; nothing when they are not an image.
    static std::optional<QByteArray> ofEncoded(const QByteArray &bytes);
};
