#pragma once

#include <QList>

#include <memory>

class ClipboardItem;
class Pasteboard;

/// Puts stored items back on the clipboard, in the formats other programs read.
class PasteboardWriter {
public:
    /// Clears the clipboard and writes `item` to it by type. Text goes out as plain text, a link as
    /// text and URL, a file as a file URL only, an image as an image. False, with the clipboard
    /// untouched, when the content does not parse or the image data is missing or does not decode.
    static bool copyToPasteboard(const ClipboardItem &item, Pasteboard &pasteboard);
    /// Places file and image items on the clipboard as files, with their names as plain text.
    /// False, with the clipboard untouched, when any item cannot be placed as a file.
    static bool copyFilesToPasteboard(const QList<std::shared_ptr<ClipboardItem>> &items, Pasteboard &pasteboard);
    /// Deletes the user's temporary PNGs that image pastes left behind, once no paste can still be
    /// reading them (a minute after they were written).
    static void removeStaleTemporaryPngs();
};
