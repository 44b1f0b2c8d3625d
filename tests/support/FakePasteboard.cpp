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
    m_content = m_readsForeignCopies ? formats : MimeFormats();
    notifyChange(Change::foreign);
}

void FakePasteboard::abandon()
{
    ++m_changeCount;
    m_content.clear();
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
}

void FakePasteboard::offer(const MimeFormats &formats)
{
    m_content = formats;
}
