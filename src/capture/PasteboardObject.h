#pragma once

#include "PasteboardItem.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <variant>

/// An image already encoded as PNG.
struct PngImage {
    QByteArray data;
};

/// Something written to the pasteboard as an object: a URL (a `file:` URL is written as a file) or an image.
using PasteboardObject = std::variant<QUrl, PngImage>;

/// The formats a list of objects is offered in. URLs: text/uri-list, plus text/plain for web links
/// and x-special/gnome-copied-files for files, so that file managers paste them; the first image: image/png.
MimeFormats mimeFormatsForObjects(const QList<PasteboardObject> &objects);
