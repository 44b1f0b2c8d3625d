#pragma once

/// The kinds of pasteboard content the history distinguishes. Each maps to X11 selection
/// targets in PasteboardItem (reading) and PasteboardWriter (writing).
enum class PasteboardType {
    string, ///< plain text (text/plain, UTF-8)
    url, ///< a web link (first line of text/x-moz-url, or a lone non-file entry of text/uri-list)
    fileUrl, ///< the first file:// entry of text/uri-list or x-special/gnome-copied-files
    urlName, ///< the display name of a link (second line of text/x-moz-url)
};
