#include "FakePasteboard.h"

#include "capture/PasteboardImage.h"

QList<PasteboardItem> FakePasteboard::pasteboardItems() const
{
    if (m_content.isEmpty())
        return {};
    // Like our own writes, the fake's content comes without a digest: capture computes it.
    const auto image = PasteboardImage::extractPng(
        m_content.keys(), [this](const QString &format) { return std::optional(m_content.value(format)); });
    return {PasteboardItem(m_content, image ? std::optional(image->png) : std::nullopt)};
}

void FakePasteboard::copy(const MimeFormats &formats)
{
    ++m_changeCount;
    if (neverRecordedFilter()->excludes(m_frontmost)) {
        m_content = {{PasteboardItem::passwordHintFormat, QByteArray()}};
        m_passedOver.reset();
        notifyChange(Change::foreign);
        return;
    }
    m_content = m_readsForeignCopies ? formats : MimeFormats();
    m_passedOver = m_readsForeignCopies ? std::nullopt : std::optional(formats);
    notifyChange(Change::foreign);
}

void FakePasteboard::abandon()
{
    ++m_changeCount;
    m_content.clear();
    m_passedOver.reset();
    notifyChange(Change::abandoned);
}

void FakePasteboard::copyText(const QString &text)
{
    copy({{QStringLiteral("text/plain"), text.toUtf8()}});
}

void FakePasteboard::beginOwnChange()
{
    ++m_changeCount;
    m_content.clear();
    m_passedOver.reset();
}

void FakePasteboard::offer(const MimeFormats &formats)
{
    m_content = formats;
}

void FakePasteboard::setReadsForeignCopies(bool reads)
{
    m_readsForeignCopies = reads;
    if (reads && m_passedOver)
        m_content = *std::exchange(m_passedOver, std::nullopt);
}
