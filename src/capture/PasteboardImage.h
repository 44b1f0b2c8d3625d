#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <optional>

/// Finds the clipboard's image and re-encodes it as PNG. Decoding and encoding a large image takes
/// far longer than a frame, so the X11 pasteboard runs this on its reader thread.
class PasteboardImage {
public:
    /// An image re-encoded as PNG, with the digest of its pixels (ImageDigest).
    struct Encoded {
        QByteArray png;
        QByteArray digest;
    };

    /// The image formats to try, in order: image/tiff, image/png, then any other offered image/*
    /// format; only those Qt can decode.
    static QStringList candidateFormats(const QStringList &offered);

    /// Reads each candidate in turn through `read` and returns the first that decodes, as PNG.
    static std::optional<Encoded> extractPng(
        const QStringList &offered, const std::function<std::optional<QByteArray>(const QString &)> &read);

    /// Decodes `data` (any format Qt reads) and encodes it as PNG; nothing when it does not decode.
    static std::optional<Encoded> toPng(const QByteArray &data);
};
