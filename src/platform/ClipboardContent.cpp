#include "ClipboardContent.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

} // namespace

QList<PasteboardItem> ClipboardContent::items() const
{
    if (formats.isEmpty() && !image)
        return {};
    return {image ? PasteboardItem(formats, image->png, image->digest) : PasteboardItem(formats)};
}

void ClipboardContent::conceal()
{
    formats = {{PasteboardItem::passwordHintFormat, QByteArray()}};
    image.reset();
}

void ClipboardContent::read(const QStringList &offered, const ReadFormat &readFormat)
{
    // A password manager's mark conceals the copy whatever its value (tools set "secret", "1" or
    // nothing): neither the mark nor anything else of the copy is read.
    if (offered.contains(PasteboardItem::passwordHintFormat)) {
        conceal();
        return;
    }
    for (const QString &format : PasteboardItem::textFormatsToRead(offered)) {
        if (const auto data = readFormat(format))
            formats.insert(format, *data);
    }

    QElapsedTimer total;
    total.start();
    qint64 readingMs = 0;
    image = PasteboardImage::extractPng(offered, [&](const QString &format) {
        QElapsedTimer reading;
        reading.start();
        auto data = readFormat(format);
        readingMs += reading.elapsed();
        return data;
    });
    if (image)
        qCDebug(lcReader) << "image read in" << readingMs << "ms, converted to PNG in" << total.elapsed() - readingMs
                          << "ms";
}
