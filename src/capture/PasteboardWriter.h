#pragma once

#include <QByteArray>
#include <QList>

#include <memory>
#include <optional>

class ClipboardItem;
class Pasteboard;

/// Puts stored items back on the clipboard, in the formats other programs read.
class PasteboardWriter {
public:
    /// Clears the clipboard and writes `item` to it by type. Text goes out as plain text, a link as
    /// text and URL, a file as a file URL only, an image as an image. False, with the clipboard
    /// untouched, when the content does not parse or the image data is missing or does not decode.
    static bool copyToPasteboard(const ClipboardItem &item, Pasteboard &pasteboard);
    /// What an image item puts on the clipboard for its bytes `imageData`: the picture as shown, as
    /// PNG; nothing when they do not decode. Decoding a large image takes long: any thread may call it.
    static std::optional<QByteArray> clipboardPng(const QByteArray &imageData);
    /// Clears the clipboard and writes `png`, made by clipboardPng(), as an image.
    static void writePng(const QByteArray &png, Pasteboard &pasteboard);
    /// Places file and image items on the clipboard as files, with their names as plain text.
    /// False, with the clipboard untouched, when any item cannot be placed as a file.
    static bool copyFilesToPasteboard(const QList<std::shared_ptr<ClipboardItem>> &items, Pasteboard &pasteboard);
    /// Deletes the user's temporary PNGs that image pastes left behind, once no paste can still be
    /// reading them (a minute after they were written).
    static void removeStaleTemporaryPngs();
};
