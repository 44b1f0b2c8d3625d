#pragma once

#include "FoldedText.h"

#include <optional>

class ClipboardItem;

/// What a history search looks in: an item's content and the name of the program it was copied
/// from, folded once. The panel and the command line find items by this one rule.
class ItemSearchText {
public:
    explicit ItemSearchText(const ClipboardItem &item);

    bool matches(const FoldedText::Needle &needle) const;

private:
    FoldedText m_content;
    std::optional<FoldedText> m_sourceAppName;
};
