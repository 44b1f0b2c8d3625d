#include "PasteboardWriter.h"

#include "Pasteboard.h"
#include "model/ClipboardItem.h"
#include "model/ShownImage.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cctype>
#include <unistd.h>

namespace {

bool parsesAsUrl(const QString &text)
{
    return QUrl(text, QUrl::StrictMode).isValid();
}

bool isPng(const QByteArray &data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n");
}

// Writes image bytes to a fresh "Quillbox-XXXXXXXX.png" in the temporary folder, created readable
// by the user only.
std::optional<QString> writeTemporaryPng(const QByteArray &data)
{
    const QString hex = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().left(8);
    QFile file(QDir(QDir::tempPath()).filePath(QStringLiteral("Quillbox-%1.png").arg(hex)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return std::nullopt;
    if (file.write(data) != data.size() || !file.flush()) {
        file.remove();
        return std::nullopt;
    }
    return file.fileName();
}

} // namespace

bool PasteboardWriter::copyToPasteboard(const ClipboardItem &item, Pasteboard &pasteboard)
{
    // Everything is checked before the clear: an item that cannot be written must not cost the user
    // what the clipboard holds now.
    switch (item.type()) {
    case ClipboardItemType::text:
    case ClipboardItemType::richText:
        pasteboard.clearContents();
        pasteboard.setString(item.content());
        return true;
    case ClipboardItemType::url:
        if (!parsesAsUrl(item.content()))
            return false;
        pasteboard.clearContents();
        pasteboard.setString(item.content());
        pasteboard.writeObjects({QUrl(item.content(), QUrl::StrictMode)});
        return true;
    case ClipboardItemType::file:
        if (!parsesAsUrl(item.content()))
            return false;
        pasteboard.clearContents();
        pasteboard.writeObjects({QUrl(item.content(), QUrl::StrictMode)});
        return true;
    case ClipboardItemType::image: {
        const auto data = item.imageData();
        const auto png = data ? clipboardPng(*data) : std::nullopt;
        if (!png)
            return false;
        writePng(*png, pasteboard);
        return true;
    }
    }
    return false;
}

std::optional<QByteArray> PasteboardWriter::clipboardPng(const QByteArray &imageData)
{
    // As shown, so that a rotated photo pasted back is the picture it was stored as.
    const QImage image = ShownImage::decode(imageData);
    if (image.isNull())
        return std::nullopt;
    if (isPng(imageData))
        return imageData;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void PasteboardWriter::writePng(const QByteArray &png, Pasteboard &pasteboard)
{
    pasteboard.clearContents();
    pasteboard.writeObjects({PngImage{png}});
}

bool PasteboardWriter::copyFilesToPasteboard(const QList<std::shared_ptr<ClipboardItem>> &items, Pasteboard &pasteboard)
{
    // Every item is checked before any temporary file is written, so a refusal leaves nothing behind.
    struct Placement {
        QString path; // empty: `imageData` goes to a temporary file
        QByteArray imageData;
    };
    QList<Placement> placements;
    for (const auto &item : items) {
        if (item->type() == ClipboardItemType::image) {
            if (item->content().contains(QLatin1Char('/')) && QFileInfo::exists(item->content())) {
                placements.append({item->content(), {}});
                continue;
            }
            const auto data = item->imageData();
            if (!data)
                return false;
            placements.append({{}, *data});
        } else if (item->type() == ClipboardItemType::file) {
            const QString path = ClipboardItem::filePath(item->content());
            if (!QFileInfo::exists(path))
                return false;
            placements.append({path, {}});
        } else {
            return false;
        }
    }
    if (placements.isEmpty())
        return false;

    QStringList written;
    for (Placement &placement : placements) {
        if (!placement.path.isEmpty())
            continue;
        const auto path = writeTemporaryPng(placement.imageData);
        if (!path) {
            for (const QString &file : std::as_const(written))
                QFile::remove(file);
            return false;
        }
        placement.path = *path;
        written.append(*path);
    }

    QList<PasteboardObject> urls;
    QStringList names;
    for (const Placement &placement : std::as_const(placements)) {
        urls.append(QUrl::fromLocalFile(placement.path));
        names.append(ClipboardItem::lastPathComponent(placement.path));
    }
    pasteboard.clearContents();
    pasteboard.writeObjects(urls);
    pasteboard.setString(names.join(QLatin1Char('\n')));
    return true;
}

void PasteboardWriter::removeStaleTemporaryPngs()
{
    const QDateTime writtenBefore = QDateTime::currentDateTimeUtc().addSecs(-60);
    const auto files
        = QDir::temp().entryInfoList({QStringLiteral("Quillbox-????????.png")}, QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo &file : files) {
        const QString hex = file.completeBaseName().mid(9);
        const bool ours = std::all_of(hex.cbegin(), hex.cend(), [](QChar c) {
            return std::isxdigit(static_cast<unsigned char>(c.toLatin1())) != 0;
        }) && file.ownerId() == ::geteuid();
        if (ours && file.lastModified() < writtenBefore)
            QFile::remove(file.filePath());
    }
}
