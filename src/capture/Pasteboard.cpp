#include "Pasteboard.h"

void Pasteboard::clearContents()
{
    m_written.clear();
    beginOwnChange();
    m_ownChangeCount = changeCount();
    offer(m_written);
    notifyChange(Change::own);
}

void Pasteboard::setString(const QString &text)
{
    add({{QStringLiteral("text/plain"), text.toUtf8()}});
}

void Pasteboard::writeObjects(const QList<PasteboardObject> &objects)
{
    MimeFormats formats = mimeFormatsForObjects(objects);
    // Links are also offered as text, unless a string was written for this change already.
    if (m_ownChangeCount == changeCount() && m_written.contains(QStringLiteral("text/plain")))
        formats.remove(QStringLiteral("text/plain"));
    add(formats);
}

void Pasteboard::copyToPrimarySelection()
{
    offerPrimary(m_written);
}

std::optional<QString> Pasteboard::string() const
{
    const auto items = pasteboardItems();
    return items.isEmpty() ? std::nullopt : items.first().string(PasteboardType::string);
}

QList<PasteboardItem> Pasteboard::itemsWritten(const MimeFormats &formats)
{
    if (formats.isEmpty())
        return {};
    const QString png = QStringLiteral("image/png");
    return {PasteboardItem(formats, formats.contains(png) ? std::optional(formats.value(png)) : std::nullopt)};
}

void Pasteboard::add(const MimeFormats &formats)
{
    // A write without a clear of our own first replaces whatever another program offered:
    // that is a change of its own.
    if (m_ownChangeCount != changeCount())
        clearContents();
    m_written.insert(formats);
    offer(m_written);
}
