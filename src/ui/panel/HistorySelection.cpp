#include "HistorySelection.h"

#include "HistoryFilter.h"
#include "HistoryItemsModel.h"

HistorySelection::HistorySelection(HistoryFilter &filter, QObject *parent)
    : QObject(parent)
    , m_filter(filter)
{
    connect(&filter, &HistoryFilter::listModelSynced, this, &HistorySelection::scrollAfterSync);
}

void HistorySelection::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    emit selectedIndexChanged();
    if (m_filter.isSyncPending())
        m_scrollAfterSync = true; // the list model has not caught up yet
    else if (index >= 0 && index < m_filter.filteredItemsModel()->count())
        emit scrollToRowRequested(index);
}

void HistorySelection::scrollAfterSync()
{
    if (std::exchange(m_scrollAfterSync, false) && m_selectedIndex >= 0
        && m_selectedIndex < m_filter.filteredItemsModel()->count())
        emit scrollToRowRequested(m_selectedIndex);
}

void HistorySelection::setSelectedIds(const QSet<QUuid> &ids, bool multiSelectMode)
{
    if (ids == m_selectedIds && multiSelectMode == m_isMultiSelectMode)
        return;
    m_selectedIds = ids;
    m_isMultiSelectMode = multiSelectMode;
    m_filter.filteredItemsModel()->setSelectedIds(ids);
    emit selectedIdsChanged();
}

QList<std::shared_ptr<ClipboardItem>> HistorySelection::multiSelectedItems() const
{
    QList<std::shared_ptr<ClipboardItem>> items = m_filter.filteredItems();
    items.removeIf([this](const std::shared_ptr<ClipboardItem> &item) { return !m_selectedIds.contains(item->id()); });
    return items;
}

std::shared_ptr<ClipboardItem> HistorySelection::selectedItem() const
{
    const auto items = m_filter.filteredItems();
    return m_selectedIndex >= 0 && m_selectedIndex < items.size() ? items.at(m_selectedIndex) : nullptr;
}

bool HistorySelection::move(int delta)
{
    const int count = int(m_filter.filteredItems().size());
    int target = m_selectedIndex;
    if (delta > 0 && m_selectedIndex < count - 1)
        target = m_selectedIndex + 1;
    else if (delta < 0 && m_selectedIndex >= 1)
        target = std::min(m_selectedIndex - 1, std::max(count - 1, 0));
    if (target == m_selectedIndex)
        return false;
    setSelectedIndex(target);
    return true;
}

bool HistorySelection::extend(int direction)
{
    const auto items = m_filter.filteredItems();
    const int count = int(items.size());
    if (m_selectedIndex < 0 || m_selectedIndex >= count)
        return false;
    QSet<QUuid> ids = m_selectedIds;
    ids.insert(items.at(m_selectedIndex)->id());
    const int target = m_selectedIndex + direction;
    if (target < 0 || target >= count) {
        setSelectedIds(ids, m_isMultiSelectMode);
        return false;
    }
    setSelectedIndex(target);
    ids.insert(items.at(target)->id());
    setSelectedIds(ids, true);
    return true;
}

void HistorySelection::selectRow(int index, int modifiers)
{
    setSelectedIndex(index);
    if (Qt::KeyboardModifiers(modifiers).testFlag(Qt::ControlModifier)) {
        const auto items = m_filter.filteredItems();
        QSet<QUuid> ids = m_selectedIds;
        if (index >= 0 && index < items.size()) {
            const QUuid id = items.at(index)->id();
            if (!ids.remove(id))
                ids.insert(id);
        }
        setSelectedIds(ids, !ids.isEmpty());
    } else {
        clearSelectedIds();
    }
}

double HistorySelection::scaleForIndex(int index) const
{
    const int distance = std::abs(index - m_selectedIndex);
    if (distance == 0)
        return 1.0;
    if (distance == 1)
        return 1.03;
    if (distance == 2)
        return 1.01;
    return std::max(0.96, 1 - 0.008 * distance);
}
