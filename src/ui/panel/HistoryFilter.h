#pragma once

#include "CategoryListModel.h"
#include "HistoryItemsModel.h"
#include "model/ClipboardItem.h"
#include "model/Clock.h"
#include "model/ItemSearchText.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>

class ClipCategory;
class ModelContext;
class StoredRecord;
template <class T> class LiveQuery;

/// The history as the panel lists it: every item and category of the store, the search text and
/// the category filter, and the filtered, ordered list with its list model, kept current as the
/// store changes.
class HistoryFilter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(bool isSearchExpanded READ isSearchExpanded NOTIFY isSearchExpandedChanged)
    /// The filtering category's id as text; empty when no filter is set.
    Q_PROPERTY(QString selectedFilterId READ selectedFilterIdText NOTIFY selectedFilterIdChanged)
    Q_PROPERTY(HistoryItemsModel *filteredItems READ filteredItemsModel CONSTANT)
    /// Roles: id, name, icon, color (QColor), dimmedColor (QColor).
    Q_PROPERTY(CategoryListModel *categories READ categoriesModel CONSTANT)
    /// {id, name, icon, color, dimmedColor}; empty when no filter is set or its category is gone.
    Q_PROPERTY(QVariantMap selectedCategory READ selectedCategoryMap NOTIFY selectedCategoryChanged)
    Q_PROPERTY(bool isFirstLaunch READ isFirstLaunch NOTIFY isFirstLaunchChanged)
    /// "Search..." or "in <category>...".
    Q_PROPERTY(QString searchPlaceholder READ searchPlaceholder NOTIFY selectedCategoryChanged)
    /// The empty state's line under "No items found".
    Q_PROPERTY(QString emptyStateLine READ emptyStateLine NOTIFY searchTextChanged)

public:
    /// `clock` queues the list model's updates and dates the rows.
    HistoryFilter(ModelContext &context, Clock &clock, QObject *parent = nullptr);
    ~HistoryFilter() override;

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    /// How long the search text must rest before its results are announced.
    static constexpr int resultsSettleMs = 500;
    /// "1 item", "12 items": the number of results as a screen reader says it.
    Q_INVOKABLE static QString resultsText(int count);
    bool isSearchExpanded() const { return m_isSearchExpanded; }
    void setSearchExpanded(bool expanded);
    std::optional<QUuid> selectedFilterId() const { return m_selectedFilterId; }
    QString selectedFilterIdText() const;
    Q_INVOKABLE void setSelectedFilterId(const QString &id);
    void setSelectedFilter(const std::optional<QUuid> &id);
    /// The next category (`direction` > 0) or the previous one as the filter; past either end, none.
    void navigateCategory(int direction);
    /// The category chip under the bar: the filtered chip clears the filter, another one sets it.
    Q_INVOKABLE void clickCategoryChip(const QString &categoryId);
    void setDark(bool dark);

    QList<std::shared_ptr<ClipboardItem>> filteredItems() const;
    /// Every item, newest first.
    const LiveQuery<ClipboardItem> &allItems() const { return *m_allItems; }
    std::shared_ptr<ClipboardItem> itemWithId(const QUuid &id) const;
    /// Every category, in `sortOrder` order.
    QList<std::shared_ptr<ClipCategory>> categories() const;
    std::shared_ptr<ClipCategory> categoryWithId(const QUuid &id) const;
    std::shared_ptr<ClipCategory> selectedCategory() const;
    QVariantMap selectedCategoryMap() const;
    bool isFirstLaunch() const;
    QString searchPlaceholder() const;
    QString emptyStateLine() const;
    HistoryItemsModel *filteredItemsModel() const { return m_itemsModel; }
    CategoryListModel *categoriesModel() const;
    /// The list model has not caught up with `filteredItems` yet; `listModelSynced` follows.
    bool isSyncPending() const { return m_syncPending; }

signals:
    void searchTextChanged();
    void isSearchExpandedChanged();
    void selectedFilterIdChanged();
    void selectedCategoryChanged();
    void isFirstLaunchChanged();
    void categoriesChanged();
    void itemRemoved(const QUuid &id);
    void listModelSynced();
    /// Typing in the search has stopped for `resultsSettleMs`: `text` ("12 items") is what a screen
    /// reader announces.
    void resultsSettled(const QString &text);

private:
    void itemRecordChanged(const std::shared_ptr<StoredRecord> &record, bool removed);
    void categoryRecordChanged();
    /// The filtered list is out of date: drop it and refresh the list model on the next turn.
    void invalidateList();
    void syncListModel();
    void notifyFirstLaunch();

    ModelContext &m_context;
    Scheduler m_schedule;
    LiveQuery<ClipboardItem> *m_allItems = nullptr;
    LiveQuery<ClipCategory> *m_categories = nullptr;
    HistoryItemsModel *m_itemsModel = nullptr;
    CategoryListModel *m_categoriesModel = nullptr;

    QString m_searchText;
    // Grows with every keystroke: an announcement scheduled before the last one says nothing.
    quint64 m_searchGeneration = 0;
    bool m_isSearchExpanded = false;
    std::optional<QUuid> m_selectedFilterId;
    bool m_isDark = false;

    mutable std::optional<QList<std::shared_ptr<ClipboardItem>>> m_filtered;
    QSet<const ClipboardItem *> m_changedItems;
    bool m_syncPending = false;
    bool m_categoriesChanged = false;
    bool m_lastFirstLaunch = false;
};
