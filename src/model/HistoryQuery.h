#pragma once

#include "ClipboardItemType.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class ClipboardItem;
class ModelContext;

/// The history as scripts read it: newest first, narrowed to one type, to pinned items or to the items
/// a search text finds by the panel's rule, and cut to the `limit` newest of those (0: all).
struct HistoryQuery {
    std::optional<ClipboardItemType> type;
    bool pinnedOnly = false;
    QString searchText;
    int limit = 0;

    QList<std::shared_ptr<ClipboardItem>> run(const ModelContext &context) const;

    /// Every field of the item but the image bytes; times as ISO 8601 in UTC.
    static QJsonObject toJson(const ClipboardItem &item);
};
