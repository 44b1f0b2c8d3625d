#pragma once

#include "capture/PasteboardImage.h"
#include "capture/PasteboardItem.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

/// What one clipboard change holds once read, and the choice of what to read of an owner's offer;
/// the same on every display server.
struct ClipboardContent {
    /// Reads one offered format; nothing when it was refused or the read was cut short.
    using ReadFormat = std::function<std::optional<QByteArray>(const QString &format)>;

    MimeFormats formats; ///< the text formats read
    std::optional<PasteboardImage::Encoded> image; ///< its image as PNG, with the pixels' digest
    /// Passed over unread, as another program's copies are while the history is paused.
    bool unread = false;

    /// Holds the concealed item and nothing else, as for a copy a password manager marked.
    void conceal();

    /// What was read, as the pasteboard's items: none when nothing was, else one.
    QList<PasteboardItem> items() const;

    /// Fills this from what an owner `offered`: the password-manager hint first (a secret is read no
    /// further), then the text formats worth keeping, then the image.
    void read(const QStringList &offered, const ReadFormat &readFormat);
};
