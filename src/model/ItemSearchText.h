#pragma once

#include "ItemText.h"

#include <QHash>
#include <QString>

class ClipboardItem;

/// A history search: it looks in an item's content and in the name of the program it was copied from.
/// The panel and the command line find items by this one rule.
class ItemSearchText {
public:
    explicit ItemSearchText(const QString &searchText);

    bool matches(const ClipboardItem &item) const;

private:
    ItemText::Needle m_needle;
    // A history names few programs: each name is looked in once per search.
    mutable QHash<QString, bool> m_isInSourceAppName;
};
