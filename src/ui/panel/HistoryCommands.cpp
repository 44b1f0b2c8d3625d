#include "HistoryCommands.h"

#include "HistoryFilter.h"
#include "model/LiveQueryModel.h"
#include "model/ModelContext.h"

#include <QUrl>

HistoryCommands::HistoryCommands(ModelContext &context, const HistoryFilter &filter, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_filter(filter)
{
}

std::shared_ptr<ClipboardItem> HistoryCommands::itemWithId(const QString &id) const
{
    const QUuid uuid = QUuid::fromString(id);
    return uuid.isNull() ? nullptr : m_filter.itemWithId(uuid);
}

void HistoryCommands::deleteItem(const QString &id)
{
    if (const auto item = itemWithId(id)) {
        m_context.remove(item);
        m_context.save();
    }
}

void HistoryCommands::togglePin(const QString &id)
{
    if (const auto item = itemWithId(id)) {
        item->setPinned(!item->isPinned());
        m_context.save();
    }
}

void HistoryCommands::assignCategory(const QString &id, const QString &categoryId)
{
    if (const auto item = itemWithId(id)) {
        const QUuid category = QUuid::fromString(categoryId);
        item->setCategoryId(category.isNull() ? std::nullopt : std::optional(category));
        m_context.save();
    }
}

int HistoryCommands::unpinnedItemCount() const
{
    return m_context.unpinnedItemCount();
}

void HistoryCommands::clearAllHistory()
{
    const auto &all = m_filter.allItems();
    QList<std::shared_ptr<ClipboardItem>> unpinned;
    for (int row = 0; row < all.count(); ++row) {
        auto item = all.at(row);
        if (!item->isPinned())
            unpinned.append(std::move(item));
    }
    m_context.remove(unpinned);
    m_context.save();
}

bool HistoryCommands::saveContent(const QUuid &id, const QString &text)
{
    const auto item = m_filter.itemWithId(id);
    if (!item)
        return false;
    item->setContent(text);
    item->setCharacterCount(ClipboardItem::countCharacters(text));
    m_context.save();
    return true;
}

void HistoryCommands::createItem(const QString &text)
{
    const QString trimmed = text.trimmed();
    const QUrl url(trimmed, QUrl::StrictMode);
    const bool isUrl = url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty();
    auto item = ClipboardItem::create(trimmed, isUrl ? ClipboardItemType::url : ClipboardItemType::text);
    const QString categoryName = isUrl ? QStringLiteral("URL") : QStringLiteral("Text");
    for (const auto &category : m_filter.categories()) {
        if (category->name() == categoryName) {
            item->setCategoryId(category->id());
            break;
        }
    }
    m_context.insert(item);
    m_context.save();
}

std::shared_ptr<ClipboardItem> HistoryCommands::createTextItem(const QString &text)
{
    auto item = ClipboardItem::create(text, ClipboardItemType::text);
    m_context.insert(item);
    m_context.save();
    return item;
}
