#include "ItemSearchText.h"

#include "ClipboardItem.h"

ItemSearchText::ItemSearchText(const QString &searchText)
    : m_needle(searchText)
{
}

bool ItemSearchText::matches(const ClipboardItem &item) const
{
    if (m_needle.isIn(item.text()))
        return true;
    const auto &name = item.sourceAppName();
    if (!name)
        return false;
    auto it = m_isInSourceAppName.constFind(*name);
    if (it == m_isInSourceAppName.constEnd())
        it = m_isInSourceAppName.insert(*name, m_needle.isIn(ItemText(*name)));
    return *it;
}
