#include "PasteboardItem.h"

#include "model/ExactText.h"

#include <QStringDecoder>
#include <QUrl>

namespace {

// Plain-text targets in order of preference; STRING is Latin-1, the rest UTF-8.
const QStringList plainTextFormats = {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("UTF8_STRING"),
    QStringLiteral("text/plain"), QStringLiteral("STRING")};
const QString mozUrlFormat = QStringLiteral("text/x-moz-url");
const QString uriListFormat = QStringLiteral("text/uri-list");
const QString gnomeFilesFormat = QStringLiteral("x-special/gnome-copied-files");

bool isFileUri(const QString &uri)
{
    return uri.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

// Browsers offer text/x-moz-url as UTF-16 "url\ntitle"; a few programs write UTF-8.
QStringList mozUrlLines(const QByteArray &data)
{
    QString text;
    if (data.startsWith("\xff\xfe") || data.startsWith("\xfe\xff")) {
        text = QStringDecoder(QStringDecoder::Utf16)(data);
    } else if (data.size() >= 2 && data.size() % 2 == 0 && data.at(1) == '\0') {
        text = QStringDecoder(QStringDecoder::Utf16LE)(data);
    } else {
        text = QString::fromUtf8(data);
    }
    text.remove(QChar::Null);
    return text.split(QLatin1Char('\n'));
}

QStringList uriEntries(const QByteArray &data)
{
    QStringList entries;
    for (const QByteArray &line : data.split('\n')) {
        const QString entry = QString::fromUtf8(line).trimmed();
        if (!entry.isEmpty() && !entry.startsWith(QLatin1Char('#')))
            entries.append(entry);
    }
    return entries;
}

} // namespace

PasteboardItem::PasteboardItem(
    MimeFormats formats, std::optional<QByteArray> imagePng, std::optional<QByteArray> imageDigest)
    : m_formats(std::move(formats))
    , m_imagePng(std::move(imagePng))
    , m_imageDigest(std::move(imageDigest))
{
}

std::optional<QString> PasteboardItem::string(PasteboardType type) const
{
    switch (type) {
    case PasteboardType::string:
        return plainText();
    case PasteboardType::url: {
        if (m_formats.contains(mozUrlFormat)) {
            const QString url = mozUrlLines(m_formats.value(mozUrlFormat)).value(0).trimmed();
            if (!url.isEmpty())
                return url;
        }
        const QStringList uris = uriList();
        if (uris.size() != 1 || isFileUri(uris.first()))
            return std::nullopt;
        // A URI list holds the encoded form; when the plain text names the same link, it is the form
        // the owner showed, and the one a link written from the history comes back as.
        const auto text = plainText();
        if (text && QUrl(text->trimmed(), QUrl::StrictMode) == QUrl(uris.first(), QUrl::StrictMode))
            return text->trimmed();
        return uris.first();
    }
    case PasteboardType::fileUrl: {
        for (const QString &uri : uriList()) {
            if (isFileUri(uri))
                return uri;
        }
        if (m_formats.contains(gnomeFilesFormat)) {
            const QStringList entries = uriEntries(m_formats.value(gnomeFilesFormat)).mid(1);
            for (const QString &uri : entries) {
                if (isFileUri(uri))
                    return uri;
            }
        }
        return std::nullopt;
    }
    case PasteboardType::urlName: {
        if (!m_formats.contains(mozUrlFormat))
            return std::nullopt;
        const QString title = mozUrlLines(m_formats.value(mozUrlFormat)).value(1).trimmed();
        return title.isEmpty() ? std::nullopt : std::optional(title);
    }
    }
    return std::nullopt;
}

bool PasteboardItem::isConcealed() const
{
    return m_formats.contains(passwordHintFormat);
}

QStringList PasteboardItem::textFormatsToRead(const QStringList &offered)
{
    QStringList wanted;
    for (const QString &format : plainTextFormats) {
        if (offered.contains(format)) {
            wanted.append(format);
            break;
        }
    }
    for (const QString &format : {mozUrlFormat, uriListFormat, gnomeFilesFormat}) {
        if (offered.contains(format))
            wanted.append(format);
    }
    return wanted;
}

std::optional<QString> PasteboardItem::plainText() const
{
    for (const QString &format : plainTextFormats) {
        const auto it = m_formats.constFind(format);
        if (it == m_formats.cend())
            continue;
        // Invalid UTF-8 becomes U+FFFD rather than being dropped.
        return format == QLatin1String("STRING") ? QString::fromLatin1(*it) : exactTextFromUtf8(*it);
    }
    return std::nullopt;
}

QStringList PasteboardItem::uriList() const
{
    return m_formats.contains(uriListFormat) ? uriEntries(m_formats.value(uriListFormat)) : QStringList();
}
