#pragma once

#include "CombinePanel.h"
#include "HistoryItemsModel.h"
#include "model/ClipboardItem.h"
#include "model/Clock.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class ClipCategory;
class LiveQueryModel;
class ModelContext;
class Pasteboard;
class Preferences;
class SoundPlayer;
class StoredRecord;
template <class T> class LiveQuery;

/// The behaviour of the history panel: its state, the filtered and ordered list, key, scroll and
/// click handling, and the item commands. QML only draws it and forwards input; tests drive it
/// without drawing.
///
/// Key shortcuts that the platform the panel was designed for gives to Command use Control here.
/// Key codes are Qt::Key values.
class ClipboardHistoryView : public QObject {
    Q_OBJECT

    // State
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    /// The filtering category's id as text; empty when no filter is set.
    Q_PROPERTY(QString selectedFilterId READ selectedFilterIdText NOTIFY selectedFilterIdChanged)
    Q_PROPERTY(int selectedIndex READ selectedIndex WRITE setSelectedIndex NOTIFY selectedIndexChanged)
    Q_PROPERTY(bool isSearchExpanded READ isSearchExpanded NOTIFY isSearchExpandedChanged)
    Q_PROPERTY(bool isCategorySearching READ isCategorySearching NOTIFY isCategorySearchingChanged)
    Q_PROPERTY(
        QString categorySearchText READ categorySearchText WRITE setCategorySearchText NOTIFY categorySearchTextChanged)
    Q_PROPERTY(int categorySearchIndex READ categorySearchIndex NOTIFY categorySearchIndexChanged)
    Q_PROPERTY(bool isSearchFocused READ isSearchFocused WRITE setSearchFocused NOTIFY focusChanged)
    Q_PROPERTY(
        bool isCategorySearchFocused READ isCategorySearchFocused WRITE setCategorySearchFocused NOTIFY focusChanged)
    Q_PROPERTY(bool isViewFocused READ isViewFocused WRITE setViewFocused NOTIFY focusChanged)
    Q_PROPERTY(bool isEditFocused READ isEditFocused WRITE setEditFocused NOTIFY focusChanged)
    Q_PROPERTY(bool isCreateFocused READ isCreateFocused WRITE setCreateFocused NOTIFY focusChanged)
    Q_PROPERTY(int selectedIdsCount READ selectedIdsCount NOTIFY selectedIdsChanged)
    Q_PROPERTY(bool isMultiSelectMode READ isMultiSelectMode NOTIFY selectedIdsChanged)
    Q_PROPERTY(bool showCombinePanel READ showCombinePanel NOTIFY showCombinePanelChanged)
    /// The open combine panel, given `multiSelectedItems`; null while `showCombinePanel` is false.
    Q_PROPERTY(CombinePanel *combinePanel READ combinePanel NOTIFY showCombinePanelChanged)
    /// The edited item's id as text; empty when nothing is edited.
    Q_PROPERTY(QString editingItemId READ editingItemIdText NOTIFY editingItemIdChanged)
    Q_PROPERTY(QString editText READ editText WRITE setEditText NOTIFY editTextChanged)
    Q_PROPERTY(bool isCreatingNew READ isCreatingNew NOTIFY isCreatingNewChanged)
    Q_PROPERTY(QString newItemText READ newItemText WRITE setNewItemText NOTIFY newItemTextChanged)
    /// The cards' "Save" is enabled only for text that is more than white space.
    Q_PROPERTY(bool canSaveEdit READ canSaveEdit NOTIFY editTextChanged)
    Q_PROPERTY(bool canSaveNewItem READ canSaveNewItem NOTIFY newItemTextChanged)
    Q_PROPERTY(bool isDark READ isDark WRITE setDark NOTIFY isDarkChanged)
    /// A short line about what just failed, shown for a few seconds; empty otherwise.
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)

    // Derived
    Q_PROPERTY(HistoryItemsModel *filteredItems READ filteredItemsModel CONSTANT)
    /// Roles: id, name, icon, color (QColor), dimmedColor (QColor).
    Q_PROPERTY(QAbstractItemModel *categories READ categoriesModel CONSTANT)
    /// Same roles as `categories`.
    Q_PROPERTY(QAbstractItemModel *matchingCategories READ matchingCategoriesModel CONSTANT)
    /// {id, name, icon, color, dimmedColor}; empty when no filter is set or its category is gone.
    Q_PROPERTY(QVariantMap selectedCategory READ selectedCategoryMap NOTIFY selectedCategoryChanged)
    Q_PROPERTY(bool isFirstLaunch READ isFirstLaunch NOTIFY isFirstLaunchChanged)
    /// "Search..." or "in <category>...".
    Q_PROPERTY(QString searchPlaceholder READ searchPlaceholder NOTIFY selectedCategoryChanged)
    /// The empty state's line under "No items found".
    Q_PROPERTY(QString emptyStateLine READ emptyStateLine NOTIFY searchTextChanged)
    /// The selected row's glow, from "borderColorHex".
    Q_PROPERTY(QColor borderColor READ borderColor NOTIFY borderColorChanged)

public:
    /// True when the item reached the clipboard.
    using ItemCallback = std::function<bool(const std::shared_ptr<ClipboardItem> &)>;
    using ItemsCallback = std::function<void(const QList<std::shared_ptr<ClipboardItem>> &)>;

    /// `preferences` is read for "categorySearchKey", "playSoundOnNavigate" and "borderColorHex" each
    /// time they matter. `sound` may be null. Everything given must outlive the view.
    ClipboardHistoryView(ModelContext &context, Pasteboard &pasteboard, Preferences &preferences, SoundPlayer *sound,
        Scheduler scheduler = {}, QObject *parent = nullptr);
    ~ClipboardHistoryView() override;

    ItemCallback onItemSelected;
    ItemsCallback onMultipleFilesSelected;

    // State
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    std::optional<QUuid> selectedFilterId() const { return m_selectedFilterId; }
    QString selectedFilterIdText() const;
    Q_INVOKABLE void setSelectedFilterId(const QString &id);
    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index);
    bool isSearchExpanded() const { return m_isSearchExpanded; }
    bool isCategorySearching() const { return m_isCategorySearching; }
    QString categorySearchText() const { return m_categorySearchText; }
    void setCategorySearchText(const QString &text);
    int categorySearchIndex() const { return m_categorySearchIndex; }
    bool isSearchFocused() const { return m_isSearchFocused; }
    void setSearchFocused(bool focused);
    bool isCategorySearchFocused() const { return m_isCategorySearchFocused; }
    void setCategorySearchFocused(bool focused);
    bool isViewFocused() const { return m_isViewFocused; }
    void setViewFocused(bool focused);
    bool isEditFocused() const { return m_isEditFocused; }
    void setEditFocused(bool focused);
    bool isCreateFocused() const { return m_isCreateFocused; }
    void setCreateFocused(bool focused);
    const QSet<QUuid> &selectedIds() const { return m_selectedIds; }
    int selectedIdsCount() const { return int(m_selectedIds.size()); }
    bool isMultiSelectMode() const { return m_isMultiSelectMode; }
    bool showCombinePanel() const { return m_showCombinePanel; }
    CombinePanel *combinePanel() const;
    std::optional<QUuid> editingItemId() const { return m_editingItemId; }
    QString editingItemIdText() const;
    QString editText() const { return m_editText; }
    void setEditText(const QString &text);
    bool isCreatingNew() const { return m_isCreatingNew; }
    QString newItemText() const { return m_newItemText; }
    void setNewItemText(const QString &text);
    bool canSaveEdit() const { return !m_editText.trimmed().isEmpty(); }
    bool canSaveNewItem() const { return !m_newItemText.trimmed().isEmpty(); }
    bool isDark() const { return m_isDark; }
    void setDark(bool dark);
    QString notice() const { return m_notice; }
    double scrollAccumulator() const { return m_scrollAccumulator; }
    /// "tab" or "slash".
    QString categorySearchKey() const;
    bool playSoundOnNavigate() const;

    // Derived
    QList<std::shared_ptr<ClipboardItem>> filteredItems() const;
    QList<std::shared_ptr<ClipCategory>> matchingCategories() const;
    std::shared_ptr<ClipCategory> selectedCategory() const;
    QList<std::shared_ptr<ClipboardItem>> multiSelectedItems() const;
    bool isFirstLaunch() const;
    /// Every category, in `sortOrder` order.
    QList<std::shared_ptr<ClipCategory>> categories() const;
    std::shared_ptr<ClipCategory> categoryWithId(const QUuid &id) const;
    HistoryItemsModel *filteredItemsModel() const;
    QAbstractItemModel *categoriesModel() const;
    QAbstractItemModel *matchingCategoriesModel() const;
    QVariantMap selectedCategoryMap() const;
    QString searchPlaceholder() const;
    QString emptyStateLine() const;
    QColor borderColor() const;
    /// Why `copyToPasteboard` could not write `item`, in words for the panel.
    static QString copyFailureNotice(const ClipboardItem &item);

    /// Runs on the first show and on every "Quillbox.panelWillShow".
    Q_INVOKABLE void resetState();

    // Input
    /// The panel's own key handlers: true when the key was handled. A key that a focused text field
    /// consumes (printable text without Control, Left, Right) is left to the field.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers, const QString &text);
    /// The application-wide key-down monitor: true consumes the key, its action queued on the event loop.
    bool monitorKeyDown(int key, Qt::KeyboardModifiers modifiers);
    /// The application-wide scroll monitor; every scroll is consumed. `deltaY` is in pixels when
    /// precise, otherwise in eighths of a degree (120 a wheel notch, which moves one row).
    void monitorScroll(double deltaY, bool isPrecise);
    /// Installs the key-down and scroll monitors as an application-wide event filter (at most once).
    void setupMonitors();
    void removeMonitors();
    bool hasMonitors() const { return m_monitorsInstalled; }

    Q_INVOKABLE void navigateCategory(int direction);
    Q_INVOKABLE void triggerCategorySearch();
    /// Picks the category at `index` of `matchingCategories`, as Return does in the category search.
    Q_INVOKABLE void pickCategory(int index);
    /// The category chip under the bar: the filtered chip clears the filter, another one sets it.
    Q_INVOKABLE void clickCategoryChip(const QString &categoryId);
    Q_INVOKABLE void openSearch();
    /// The search row's close button: closes the field, empties it and clears the filter.
    Q_INVOKABLE void closeSearch();
    Q_INVOKABLE double scaleForIndex(int index) const;
    /// A click on row `index`: select (Control toggles the multi-selection), then paste.
    Q_INVOKABLE void clickRow(int index, int modifiers);
    Q_INVOKABLE void selectRow(int index, int modifiers);
    Q_INVOKABLE void pasteRow(int index);
    /// The context menu's "Paste".
    Q_INVOKABLE void pasteItem(const QString &id);

    // Combine panel callbacks
    /// Stores `text` as the newest item, puts it on the clipboard, closes the combine panel and
    /// clears the selection, then hands the new item to `onItemSelected`.
    Q_INVOKABLE void pasteCombined(const QString &text);
    Q_INVOKABLE void cancelCombine();

    // Commands
    Q_INVOKABLE void startEditing(const QString &id);
    Q_INVOKABLE void saveEdit();
    Q_INVOKABLE void cancelEdit();
    Q_INVOKABLE void startCreatingNew();
    Q_INVOKABLE void saveNewItem();
    Q_INVOKABLE void cancelCreate();
    Q_INVOKABLE void deleteItem(const QString &id);
    Q_INVOKABLE void togglePin(const QString &id);
    /// An empty `categoryId` removes the assignment.
    Q_INVOKABLE void assignCategory(const QString &id, const QString &categoryId);
    /// Deletes every unpinned item.
    Q_INVOKABLE void clearAllHistory();

signals:
    void searchTextChanged();
    void selectedFilterIdChanged();
    void selectedIndexChanged();
    void isSearchExpandedChanged();
    void isCategorySearchingChanged();
    void categorySearchTextChanged();
    void categorySearchIndexChanged();
    void focusChanged();
    void selectedIdsChanged();
    void showCombinePanelChanged();
    void editingItemIdChanged();
    void editTextChanged();
    void isCreatingNewChanged();
    void newItemTextChanged();
    void isDarkChanged();
    void selectedCategoryChanged();
    void isFirstLaunchChanged();
    void borderColorChanged();
    void noticeChanged();

    /// Keep row `row` of `filteredItems` in view, a fifth of the way down, without animation.
    void scrollToRowRequested(int row);
    /// Scroll the new-item card to the top of the list.
    void scrollToCreateCardRequested();
    /// Scroll the combine panel to the top of the list.
    void scrollToCombinePanelRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;

    enum class Focus { search, categorySearch, view, edit, create };
    void setFocus(Focus field, bool focused);
    /// Runs `task` `delayMs` from now unless the view is gone by then.
    void later(int delayMs, std::function<void()> task);
    /// Folds the search text of the items from `row` on, a slice per turn of the event loop.
    void foldAhead(int row);
    void playClick();
    void setSearchExpanded(bool expanded);
    void setCategorySearching(bool searching);
    void setCategorySearchIndex(int index);
    void setSelectedFilter(const std::optional<QUuid> &id);
    void setSelectedIds(const QSet<QUuid> &ids, bool multiSelectMode);
    void setShowCombinePanel(bool show);
    void setEditingItemId(const std::optional<QUuid> &id);
    void setCreatingNew(bool creating);
    void moveSelection(int delta, bool withClick);
    void extendSelection(int direction);
    void paste(const std::shared_ptr<ClipboardItem> &item);
    void showNotice(const QString &text);
    bool handleReturn();
    bool handleEscape();
    bool typeToSearch(Qt::KeyboardModifiers modifiers, const QString &text);
    std::shared_ptr<ClipboardItem> itemWithId(const QUuid &id) const;
    void itemRecordChanged(const std::shared_ptr<StoredRecord> &record, bool removed);
    void categoryRecordChanged();
    /// The filtered list is out of date: drop it and refresh the list model on the next turn.
    void invalidateList();
    void syncListModel();
    void updateMatchingCategories();
    void notifyFirstLaunch();

    QString m_searchText;
    std::optional<QUuid> m_selectedFilterId;
    int m_selectedIndex = 0;
    bool m_isSearchExpanded = false;
    bool m_isCategorySearching = false;
    QString m_categorySearchText;
    int m_categorySearchIndex = 0;
    bool m_isSearchFocused = false;
    bool m_isCategorySearchFocused = false;
    bool m_isViewFocused = false;
    bool m_isEditFocused = false;
    bool m_isCreateFocused = false;
    double m_scrollAccumulator = 0;
    double m_wheelAccumulator = 0;
    QSet<QUuid> m_selectedIds;
    bool m_isMultiSelectMode = false;
    bool m_showCombinePanel = false;
    std::optional<QUuid> m_editingItemId;
    QString m_editText;
    bool m_isCreatingNew = false;
    QString m_newItemText;
    bool m_isDark = false;
    QString m_notice;
    int m_noticeGeneration = 0;
    bool m_monitorsInstalled = false;
};
