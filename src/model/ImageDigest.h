#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

/// A digest of an image's decoded pixels: the same picture gives the same digest whatever file
/// format or pixel format it came in. Safe to use on any thread.
class ImageDigest {
public:
    /// BLAKE2b-256 over the size and the pixels as non-premultiplied ARGB. Empty for a null image.
    static QByteArray of(const QImage &image);
    /// The digest of the picture `bytes` encode, or nothing when they do not decode.
    static std::optional<QByteArray> ofEncoded(const QByteArray &bytes);
};
