#include "ItemSearchText.h"

#include "ClipboardItem.h"

ItemSearchText::ItemSearchText(const ClipboardItem &item)
    : m_content(item.content())
{
    if (item.sourceAppName())
        m_sourceAppName.emplace(*item.sourceAppName());
}

bool ItemSearchText::matches(const FoldedText::Needle &needle) const
{
    return needle.isIn(m_content) || (m_sourceAppName && needle.isIn(*m_sourceAppName));
}
