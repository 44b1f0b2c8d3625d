#include "HistoryFilter.h"

#include "CategoryListModel.h"
#include "HistoryItemsModel.h"
#include "model/LiveQueryModel.h"
#include "model/ModelContext.h"

namespace {

std::optional<ClipboardItemType> typeOfTypeCategory(const QString &name)
{
    for (const ClipboardItemType type : allClipboardItemTypes) {
        if (defaultCategoryName(type) == name)
            return type;
    }
    return std::nullopt;
}

} // namespace

HistoryFilter::HistoryFilter(ModelContext &context, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_schedule(clock.scheduler(this))
{
    // The queries connect to the context first, so they are up to date when the handlers below run.
    m_allItems = new LiveQuery<ClipboardItem>(context, {&ClipboardItem::createdAt, Qt::DescendingOrder}, this);
    m_categories = new LiveQuery<ClipCategory>(context, {&ClipCategory::sortOrder}, this);
    m_itemsModel = new HistoryItemsModel(clock, this);
    m_categoriesModel = new CategoryListModel(this);

    const auto changed = [this](const std::shared_ptr<StoredRecord> &record, bool removed) {
        if (record->recordType() == RecordType::clipboardItem)
            itemRecordChanged(record, removed);
        else if (record->recordType() == RecordType::clipCategory)
            categoryRecordChanged();
    };
    connect(&context, &ModelContext::recordInserted, this,
        [changed](const std::shared_ptr<StoredRecord> &record) { changed(record, false); });
    connect(&context, &ModelContext::recordChanged, this,
        [changed](const std::shared_ptr<StoredRecord> &record) { changed(record, false); });
    connect(&context, &ModelContext::recordRemoved, this,
        [changed](const std::shared_ptr<StoredRecord> &record) { changed(record, true); });

    m_categoriesModel->setCategories(categories());
    m_itemsModel->setCategories(categories());
    m_itemsModel->setItems(filteredItems(), {});
    m_lastFirstLaunch = isFirstLaunch();
}

HistoryFilter::~HistoryFilter()
{
    disconnect(&m_context, nullptr, this, nullptr);
}

void HistoryFilter::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    invalidateList();
    notifyFirstLaunch();
    emit searchTextChanged();
    m_schedule(resultsSettleMs, [this, generation = ++m_searchGeneration] {
        if (generation == m_searchGeneration)
            emit resultsSettled(resultsText(int(filteredItems().size())));
    });
}

QString HistoryFilter::resultsText(int count)
{
    // English keeps its own singular without a translation loaded; %n gives other languages all their forms.
    return count == 1 ? tr("%n item", nullptr, count) : tr("%n items", nullptr, count);
}

void HistoryFilter::setSearchExpanded(bool expanded)
{
    if (expanded == m_isSearchExpanded)
        return;
    m_isSearchExpanded = expanded;
    emit isSearchExpandedChanged();
}

QString HistoryFilter::selectedFilterIdText() const
{
    return m_selectedFilterId ? m_selectedFilterId->toString(QUuid::WithoutBraces) : QString();
}

void HistoryFilter::setSelectedFilterId(const QString &id)
{
    const QUuid uuid = QUuid::fromString(id);
    setSelectedFilter(uuid.isNull() ? std::nullopt : std::optional(uuid));
}

void HistoryFilter::setSelectedFilter(const std::optional<QUuid> &id)
{
    if (id == m_selectedFilterId)
        return;
    m_selectedFilterId = id;
    invalidateList();
    notifyFirstLaunch();
    emit selectedCategoryChanged();
    emit selectedFilterIdChanged();
}

void HistoryFilter::navigateCategory(int direction)
{
    const auto list = categories();
    if (list.isEmpty())
        return;
    const auto it = std::find_if(
        list.cbegin(), list.cend(), [this](const auto &category) { return category->id() == m_selectedFilterId; });
    if (it != list.cend()) {
        const qsizetype next = (it - list.cbegin()) + (direction < 0 ? -1 : 1);
        setSelectedFilter(next >= 0 && next < list.size() ? std::optional(list.at(next)->id()) : std::nullopt);
    } else {
        setSelectedFilter(direction < 0 ? list.last()->id() : list.first()->id());
    }
}

void HistoryFilter::clickCategoryChip(const QString &categoryId)
{
    const QUuid id = QUuid::fromString(categoryId);
    setSelectedFilter(id.isNull() || id == m_selectedFilterId ? std::nullopt : std::optional(id));
}

void HistoryFilter::setDark(bool dark)
{
    if (dark == m_isDark)
        return;
    m_isDark = dark;
    m_categoriesModel->setDark(dark);
    m_itemsModel->setDark(dark);
    emit selectedCategoryChanged();
}

QList<std::shared_ptr<ClipboardItem>> HistoryFilter::filteredItems() const
{
    if (m_filtered)
        return *m_filtered;

    std::optional<QUuid> categoryId;
    std::optional<ClipboardItemType> categoryType;
    if (m_selectedFilterId) {
        if (const auto category = categoryWithId(*m_selectedFilterId)) {
            categoryId = category->id();
            categoryType = typeOfTypeCategory(category->name());
        }
    }
    const std::optional<ItemSearchText> search
        = m_searchText.isEmpty() ? std::nullopt : std::optional<ItemSearchText>(std::in_place, m_searchText);

    QList<std::shared_ptr<ClipboardItem>> pinned;
    QList<std::shared_ptr<ClipboardItem>> unpinned;
    const auto &records = m_allItems->records();
    unpinned.reserve(records.size());
    for (const auto &record : records) {
        const auto &item = static_cast<const ClipboardItem &>(*record);
        if (categoryId) {
            const bool assignedHere = item.categoryId() == categoryId;
            const bool unassignedOfType = categoryType && !item.categoryId() && item.type() == *categoryType;
            if (!assignedHere && !unassignedOfType)
                continue;
        }
        if (search && !search->matches(item))
            continue;
        (item.isPinned() ? pinned : unpinned).append(std::static_pointer_cast<ClipboardItem>(record));
    }
    pinned.append(std::move(unpinned));
    m_filtered = std::move(pinned);
    return *m_filtered;
}

std::shared_ptr<ClipboardItem> HistoryFilter::itemWithId(const QUuid &id) const
{
    for (int row = 0; row < m_allItems->count(); ++row) {
        if (m_allItems->recordAt(row)->id() == id)
            return m_allItems->at(row);
    }
    return nullptr;
}

QList<std::shared_ptr<ClipCategory>> HistoryFilter::categories() const
{
    QList<std::shared_ptr<ClipCategory>> list;
    list.reserve(m_categories->count());
    for (int row = 0; row < m_categories->count(); ++row)
        list.append(m_categories->at(row));
    return list;
}

std::shared_ptr<ClipCategory> HistoryFilter::categoryWithId(const QUuid &id) const
{
    for (int row = 0; row < m_categories->count(); ++row) {
        if (m_categories->recordAt(row)->id() == id)
            return m_categories->at(row);
    }
    return nullptr;
}

std::shared_ptr<ClipCategory> HistoryFilter::selectedCategory() const
{
    return m_selectedFilterId ? categoryWithId(*m_selectedFilterId) : nullptr;
}

QVariantMap HistoryFilter::selectedCategoryMap() const
{
    const auto category = selectedCategory();
    return category ? CategoryListModel::describe(*category, m_isDark) : QVariantMap();
}

bool HistoryFilter::isFirstLaunch() const
{
    return m_allItems->count() == 0 && m_searchText.isEmpty() && !m_selectedFilterId;
}

QString HistoryFilter::searchPlaceholder() const
{
    // The prompt names the filter as long as one is set, even when its category is gone.
    if (!m_selectedFilterId)
        return tr("Search...");
    const auto category = selectedCategory();
    //: The search field's prompt while a category filters the list
    return category ? tr("in %1...").arg(category->name()) : tr("Search...");
}

QString HistoryFilter::emptyStateLine() const
{
    return m_searchText.isEmpty() ? tr("Copy something to get started") : tr("Try a different search term");
}

CategoryListModel *HistoryFilter::categoriesModel() const
{
    return m_categoriesModel;
}

void HistoryFilter::itemRecordChanged(const std::shared_ptr<StoredRecord> &record, bool removed)
{
    const auto *item = static_cast<const ClipboardItem *>(record.get());
    if (removed) {
        m_itemsModel->forget(item->id());
        m_changedItems.remove(item);
    } else {
        m_changedItems.insert(item);
    }
    invalidateList();
    notifyFirstLaunch();
    if (removed)
        emit itemRemoved(item->id());
}

void HistoryFilter::categoryRecordChanged()
{
    const auto list = categories();
    m_categoriesModel->setCategories(list);
    for (const auto &category : list)
        m_categoriesModel->refresh(*category);
    m_categoriesChanged = true;
    emit categoriesChanged();
    emit selectedCategoryChanged();
    invalidateList();
}

void HistoryFilter::invalidateList()
{
    m_filtered.reset();
    if (m_syncPending)
        return;
    m_syncPending = true;
    // Bursts of changes (a clear, a prune, typing) reach the list view as one update.
    m_schedule(0, [this] { syncListModel(); });
}

void HistoryFilter::syncListModel()
{
    m_syncPending = false;
    const QSet<const ClipboardItem *> changed = std::exchange(m_changedItems, {});
    // Categories first: rows inserted below draw at once, with the labels of their categories.
    if (std::exchange(m_categoriesChanged, false))
        m_itemsModel->setCategories(categories());
    m_itemsModel->setItems(filteredItems(), changed);
    emit listModelSynced();
}

void HistoryFilter::notifyFirstLaunch()
{
    const bool value = isFirstLaunch();
    if (value != m_lastFirstLaunch) {
        m_lastFirstLaunch = value;
        emit isFirstLaunchChanged();
    }
}
