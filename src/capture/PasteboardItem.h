#pragma once

#include "PasteboardType.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

/// MIME type -> bytes, as read from (or written to) the clipboard.
using MimeFormats = QMap<QString, QByteArray>;

/// One item of the pasteboard. An X11 selection carries one item offered in several formats;
/// this class turns those formats into the pasteboard types of the history.
class PasteboardItem {
public:
    PasteboardItem() = default;
    /// `imagePng` is the item's image already re-encoded as PNG (see PasteboardImage), if any, and
    /// `imageDigest` the digest of its pixels when it is known (ImageDigest).
    explicit PasteboardItem(MimeFormats formats, std::optional<QByteArray> imagePng = std::nullopt,
        std::optional<QByteArray> imageDigest = std::nullopt);

    std::optional<QString> string(PasteboardType type) const;
    /// The first of the image formats that decodes, re-encoded as PNG.
    const std::optional<QByteArray> &imagePng() const { return m_imagePng; }
    const std::optional<QByteArray> &imageDigest() const { return m_imageDigest; }
    /// A password manager asked clipboard managers not to keep this copy: it offers the hint format,
    /// whatever the hint's value. Pasteboards also conceal copies of the programs never recorded.
    bool isConcealed() const;
    const MimeFormats &formats() const { return m_formats; }

    /// The text formats worth reading, in order of preference, out of what an owner offers.
    /// Images are read separately (PasteboardImage); the password hint is never read.
    static QStringList textFormatsToRead(const QStringList &offered);
    static inline const QString passwordHintFormat = QStringLiteral("x-kde-passwordManagerHint");

private:
    std::optional<QString> plainText() const;
    QStringList uriList() const;

    MimeFormats m_formats;
    std::optional<QByteArray> m_imagePng;
    std::optional<QByteArray> m_imageDigest;
};
