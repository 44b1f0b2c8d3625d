#include "HistoryQuery.h"

#include "ItemSearchText.h"
#include "ModelContext.h"

#include <QJsonValue>

#include <algorithm>

QList<std::shared_ptr<ClipboardItem>> HistoryQuery::run(const ModelContext &context) const
{
    const std::optional<ItemSearchText> search
        = searchText.isEmpty() ? std::nullopt : std::optional<ItemSearchText>(std::in_place, searchText);
    FetchDescriptor<ClipboardItem> descriptor;
    descriptor.predicate = [this, &search](const ClipboardItem &item) {
        return (!type || item.type() == *type) && (!pinnedOnly || item.isPinned())
            && (!search || search->matches(item));
    };
    // Of items copied within the same instant, the one stored last is the newer.
    auto items = context.fetch(descriptor);
    std::reverse(items.begin(), items.end());
    std::stable_sort(
        items.begin(), items.end(), [](const auto &a, const auto &b) { return a->createdAt() > b->createdAt(); });
    if (limit > 0 && items.size() > limit)
        items.resize(limit);
    return items;
}

QJsonObject HistoryQuery::toJson(const ClipboardItem &item)
{
    const auto optional = [](const auto &value) { return value ? QJsonValue(*value) : QJsonValue(); };
    return {
        {QStringLiteral("id"), item.id().toString(QUuid::WithoutBraces)},
        {QStringLiteral("content"), item.content()},
        {QStringLiteral("type"), rawValue(item.type())},
        {QStringLiteral("hasImageData"), item.hasImageData()},
        {QStringLiteral("imageDigest"),
            item.imageDigest() ? QJsonValue(QString::fromLatin1(item.imageDigest()->toHex())) : QJsonValue()},
        {QStringLiteral("sourceAppName"), optional(item.sourceAppName())},
        {QStringLiteral("sourceAppBundleId"), optional(item.sourceAppBundleId())},
        {QStringLiteral("isPinned"), item.isPinned()},
        {QStringLiteral("createdAt"), item.createdAt().toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("characterCount"), item.characterCount()},
        {QStringLiteral("categoryId"),
            item.categoryId() ? QJsonValue(item.categoryId()->toString(QUuid::WithoutBraces)) : QJsonValue()},
    };
}
