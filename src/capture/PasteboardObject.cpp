#include "PasteboardObject.h"

MimeFormats mimeFormatsForObjects(const QList<PasteboardObject> &objects)
{
    QList<QByteArray> uris;
    QList<QByteArray> files;
    QByteArray png;
    for (const auto &object : objects) {
        if (const auto *url = std::get_if<QUrl>(&object)) {
            uris.append(url->toEncoded());
            if (url->isLocalFile())
                files.append(url->toEncoded());
        } else if (png.isEmpty()) { // the clipboard holds one image
            png = std::get<PngImage>(object).data;
        }
    }

    MimeFormats formats;
    if (!uris.isEmpty()) {
        // RFC 2483: CRLF-separated.
        formats.insert(QStringLiteral("text/uri-list"), uris.join("\r\n") + "\r\n");
        if (files.size() == uris.size())
            formats.insert(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + files.join('\n'));
        else
            formats.insert(QStringLiteral("text/plain"), uris.join('\n'));
    }
    if (!png.isEmpty())
        formats.insert(QStringLiteral("image/png"), png);
    return formats;
}
