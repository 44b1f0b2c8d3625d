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

void ClipboardContent::read(const QStringList &offered, const ReadFormat &readFormat)
{
    const QString &hint = PasteboardItem::passwordHintFormat;
    if (offered.contains(hint)) {
        // A hint that is not handed over counts as "secret": the copy is skipped, never kept on trust.
        const auto value = readFormat(hint);
        formats.insert(hint, value ? *value : QByteArrayLiteral("secret"));
        // A secret is not even read.
        if (PasteboardItem(formats).isConcealed())
            return;
    }
    for (const QString &format : PasteboardItem::textFormatsToRead(offered)) {
        if (format == hint)
            continue;
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
