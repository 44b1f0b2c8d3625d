#include "ClipboardHistoryView.h"

#include "CategoryListModel.h"
#include "ClipboardItemRow.h"
#include "FoldedText.h"
#include "capture/Pasteboard.h"
#include "model/LiveQueryModel.h"
#include "model/ModelContext.h"
#include "model/Preferences.h"
#include "platform/SoundPlayer.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QUrl>
#include <QWheelEvent>

namespace {

constexpr double scrollThreshold = 20;
constexpr double wheelNotch = 120; // QWheelEvent::angleDelta of one notch of a mouse wheel
constexpr int noticeDurationMs = 4000;

struct FoldedItem {
    FoldedText content;
    std::optional<FoldedText> sourceAppName;
};

std::optional<ClipboardItemType> typeOfTypeCategory(const QString &name)
{
    for (const ClipboardItemType type : allClipboardItemTypes) {
        if (defaultCategoryName(type) == name)
            return type;
    }
    return std::nullopt;
}

/// Letters, digits, marks, punctuation or white space; control characters (Tab, Return) are not.
bool opensSearch(const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        if (QChar::category(c) == QChar::Other_Control)
            continue;
        if (QChar::isLetterOrNumber(c) || QChar::isMark(c) || QChar::isPunct(c) || QChar::isSpace(c))
            return true;
    }
    return false;
}

/// Text a focused field would insert.
bool isPrintable(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.category() != QChar::Other_Control; });
}

std::optional<QUuid> uuidFromText(const QString &text)
{
    const QUuid id = QUuid::fromString(text);
    return id.isNull() ? std::nullopt : std::optional<QUuid>(id);
}

bool isReturn(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

struct ClipboardHistoryView::Private {
    Private(
        ModelContext &context, Pasteboard &pasteboard, Preferences &preferences, SoundPlayer *sound, Scheduler schedule)
        : context(context)
        , pasteboard(pasteboard)
        , preferences(preferences)
        , sound(sound)
        , schedule(std::move(schedule))
    {
    }

    ModelContext &context;
    Pasteboard &pasteboard;
    Preferences &preferences;
    SoundPlayer *sound;
    Scheduler schedule;

    LiveQuery<ClipboardItem> *allItems = nullptr;
    LiveQuery<ClipCategory> *categories = nullptr;
    HistoryItemsModel *itemsModel = nullptr;
    CategoryListModel *categoriesModel = nullptr;
    CategoryListModel *matchingModel = nullptr;
    CombinePanel *combine = nullptr;

    std::optional<QList<std::shared_ptr<ClipboardItem>>> filtered;
    QHash<const ClipboardItem *, FoldedItem> folded;
    QSet<const ClipboardItem *> changedItems;
    bool syncPending = false;
    bool categoriesChanged = false;
    bool scrollAfterSync = false;
    bool lastFirstLaunch = false;

    const FoldedItem &foldedOf(const ClipboardItem &item)
    {
        auto it = folded.constFind(&item);
        if (it == folded.constEnd()) {
            FoldedItem entry{FoldedText(item.content()), std::nullopt};
            if (item.sourceAppName())
                entry.sourceAppName.emplace(*item.sourceAppName());
            it = folded.insert(&item, std::move(entry));
        }
        return *it;
    }
};

ClipboardHistoryView::ClipboardHistoryView(ModelContext &context, Pasteboard &pasteboard, Preferences &preferences,
    SoundPlayer *sound, Scheduler scheduler, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(
          context, pasteboard, preferences, sound, scheduler ? std::move(scheduler) : Clock::system().scheduler(this)))
{
    // The queries connect to the context first, so they are up to date when the handlers below run.
    d->allItems = new LiveQuery<ClipboardItem>(context, {&ClipboardItem::createdAt, Qt::DescendingOrder}, this);
    d->categories = new LiveQuery<ClipCategory>(context, {&ClipCategory::sortOrder}, this);
    d->itemsModel = new HistoryItemsModel(this);
    d->itemsModel->m_view = this;
    d->categoriesModel = new CategoryListModel(this);
    d->matchingModel = new CategoryListModel(this);

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

    d->categoriesModel->setCategories(categories());
    updateMatchingCategories();
    d->itemsModel->setItems(filteredItems(), {});
    d->lastFirstLaunch = isFirstLaunch();
}

ClipboardHistoryView::~ClipboardHistoryView()
{
    removeMonitors();
    disconnect(&d->context, nullptr, this, nullptr);
    delete d->combine;
}

// ---- State

void ClipboardHistoryView::later(int delayMs, std::function<void()> task)
{
    d->schedule(delayMs, [self = QPointer(this), task = std::move(task)] {
        if (self)
            task();
    });
}

void ClipboardHistoryView::foldAhead(int row)
{
    constexpr int slice = 500;
    const int end = std::min(row + slice, d->allItems->count());
    for (; row < end; ++row)
        d->foldedOf(*d->allItems->at(row));
    if (row < d->allItems->count())
        later(0, [this, row] { foldAhead(row); });
}

void ClipboardHistoryView::playClick()
{
    if (d->sound && playSoundOnNavigate())
        d->sound->playNavigationClick();
}

QString ClipboardHistoryView::categorySearchKey() const
{
    return d->preferences.categorySearchKey();
}

bool ClipboardHistoryView::playSoundOnNavigate() const
{
    return d->preferences.playSoundOnNavigate();
}

void ClipboardHistoryView::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    emit searchTextChanged();
    invalidateList();
    notifyFirstLaunch();
    setSelectedIndex(0);
    if (text.isEmpty() && m_isSearchExpanded) {
        // Deleting the last character closes the field.
        setSearchExpanded(false);
        setFocus(Focus::search, false);
        later(100, [this] { setFocus(Focus::view, true); });
    }
}

QString ClipboardHistoryView::selectedFilterIdText() const
{
    return m_selectedFilterId ? m_selectedFilterId->toString(QUuid::WithoutBraces) : QString();
}

void ClipboardHistoryView::setSelectedFilterId(const QString &id)
{
    setSelectedFilter(uuidFromText(id));
}

void ClipboardHistoryView::setSelectedFilter(const std::optional<QUuid> &id)
{
    if (id == m_selectedFilterId)
        return;
    m_selectedFilterId = id;
    emit selectedFilterIdChanged();
    emit selectedCategoryChanged();
    invalidateList();
    notifyFirstLaunch();
    setSelectedIndex(0);
}

void ClipboardHistoryView::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    emit selectedIndexChanged();
    if (d->syncPending)
        d->scrollAfterSync = true; // the list model has not caught up yet
    else if (index >= 0 && index < d->itemsModel->count())
        emit scrollToRowRequested(index);
}

void ClipboardHistoryView::setSearchExpanded(bool expanded)
{
    if (expanded == m_isSearchExpanded)
        return;
    m_isSearchExpanded = expanded;
    emit isSearchExpandedChanged();
}

void ClipboardHistoryView::setCategorySearching(bool searching)
{
    if (searching == m_isCategorySearching)
        return;
    m_isCategorySearching = searching;
    emit isCategorySearchingChanged();
}

void ClipboardHistoryView::setCategorySearchText(const QString &text)
{
    if (text == m_categorySearchText)
        return;
    m_categorySearchText = text;
    emit categorySearchTextChanged();
    updateMatchingCategories();
}

void ClipboardHistoryView::setCategorySearchIndex(int index)
{
    if (index == m_categorySearchIndex)
        return;
    m_categorySearchIndex = index;
    emit categorySearchIndexChanged();
}

void ClipboardHistoryView::setFocus(Focus field, bool focused)
{
    bool *flags[]
        = {&m_isSearchFocused, &m_isCategorySearchFocused, &m_isViewFocused, &m_isEditFocused, &m_isCreateFocused};
    bool changed = false;
    for (size_t i = 0; i < std::size(flags); ++i) {
        // One place has the keyboard focus at a time.
        const bool value = i == size_t(field) ? focused : (focused ? false : *flags[i]);
        if (*flags[i] != value) {
            *flags[i] = value;
            changed = true;
        }
    }
    if (changed)
        emit focusChanged();
}

void ClipboardHistoryView::setSearchFocused(bool focused)
{
    setFocus(Focus::search, focused);
}

void ClipboardHistoryView::setCategorySearchFocused(bool focused)
{
    setFocus(Focus::categorySearch, focused);
}

void ClipboardHistoryView::setViewFocused(bool focused)
{
    setFocus(Focus::view, focused);
}

void ClipboardHistoryView::setEditFocused(bool focused)
{
    setFocus(Focus::edit, focused);
}

void ClipboardHistoryView::setCreateFocused(bool focused)
{
    setFocus(Focus::create, focused);
}

void ClipboardHistoryView::setSelectedIds(const QSet<QUuid> &ids, bool multiSelectMode)
{
    if (ids == m_selectedIds && multiSelectMode == m_isMultiSelectMode)
        return;
    const bool idsChanged = ids != m_selectedIds;
    m_selectedIds = ids;
    m_isMultiSelectMode = multiSelectMode;
    emit selectedIdsChanged();
    if (idsChanged)
        d->itemsModel->refreshRoles({HistoryItemsModel::IsMultiSelectedRole});
}

CombinePanel *ClipboardHistoryView::combinePanel() const
{
    return d->combine;
}

void ClipboardHistoryView::setShowCombinePanel(bool show)
{
    if (show == m_showCombinePanel)
        return;
    m_showCombinePanel = show;
    if (show) {
        // The panel outlives neither its showing nor its own delayed steps.
        auto panel = std::make_shared<QPointer<CombinePanel>>();
        Scheduler panelScheduler = [schedule = d->schedule, panel](int delayMs, std::function<void()> task) {
            schedule(delayMs, [panel, task = std::move(task)] {
                if (*panel)
                    task();
            });
        };
        d->combine = new CombinePanel(
            d->context, multiSelectedItems(), [this](const QString &text) { pasteCombined(text); },
            [this] { cancelCombine(); }, std::move(panelScheduler), this);
        *panel = d->combine;
        d->combine->shown();
    } else if (d->combine) {
        // The panel may be calling us from inside its own handler: silence it now, delete it later.
        d->combine->removeKeyMonitor();
        d->combine->deleteLater();
        d->combine = nullptr;
    }
    emit showCombinePanelChanged();
    if (show) {
        later(50, [this] {
            if (m_showCombinePanel)
                emit scrollToCombinePanelRequested();
        });
    }
}

QString ClipboardHistoryView::editingItemIdText() const
{
    return m_editingItemId ? m_editingItemId->toString(QUuid::WithoutBraces) : QString();
}

void ClipboardHistoryView::setEditingItemId(const std::optional<QUuid> &id)
{
    if (id == m_editingItemId)
        return;
    m_editingItemId = id;
    emit editingItemIdChanged();
}

void ClipboardHistoryView::setEditText(const QString &text)
{
    if (text == m_editText)
        return;
    m_editText = text;
    emit editTextChanged();
}

void ClipboardHistoryView::setCreatingNew(bool creating)
{
    if (creating == m_isCreatingNew)
        return;
    m_isCreatingNew = creating;
    emit isCreatingNewChanged();
    if (creating)
        emit scrollToCreateCardRequested();
}

void ClipboardHistoryView::setNewItemText(const QString &text)
{
    if (text == m_newItemText)
        return;
    m_newItemText = text;
    emit newItemTextChanged();
}

void ClipboardHistoryView::setDark(bool dark)
{
    if (dark == m_isDark)
        return;
    m_isDark = dark;
    emit isDarkChanged();
    d->categoriesModel->setDark(dark);
    d->matchingModel->setDark(dark);
    d->itemsModel->refreshRoles({HistoryItemsModel::SidebarColorRole});
    emit selectedCategoryChanged();
}

// ---- Derived

QList<std::shared_ptr<ClipCategory>> ClipboardHistoryView::categories() const
{
    QList<std::shared_ptr<ClipCategory>> list;
    list.reserve(d->categories->count());
    for (int row = 0; row < d->categories->count(); ++row)
        list.append(d->categories->at(row));
    return list;
}

std::shared_ptr<ClipCategory> ClipboardHistoryView::categoryWithId(const QUuid &id) const
{
    for (int row = 0; row < d->categories->count(); ++row) {
        if (d->categories->recordAt(row)->id() == id)
            return d->categories->at(row);
    }
    return nullptr;
}

std::shared_ptr<ClipboardItem> ClipboardHistoryView::itemWithId(const QUuid &id) const
{
    for (int row = 0; row < d->allItems->count(); ++row) {
        if (d->allItems->recordAt(row)->id() == id)
            return d->allItems->at(row);
    }
    return nullptr;
}

QList<std::shared_ptr<ClipboardItem>> ClipboardHistoryView::filteredItems() const
{
    if (d->filtered)
        return *d->filtered;

    std::optional<QUuid> categoryId;
    std::optional<ClipboardItemType> categoryType;
    if (m_selectedFilterId) {
        if (const auto category = categoryWithId(*m_selectedFilterId)) {
            categoryId = category->id();
            categoryType = typeOfTypeCategory(category->name());
        }
    }
    const std::optional<FoldedText::Needle> needle
        = m_searchText.isEmpty() ? std::nullopt : std::optional(FoldedText::Needle(m_searchText));

    QList<std::shared_ptr<ClipboardItem>> pinned;
    QList<std::shared_ptr<ClipboardItem>> unpinned;
    const auto &records = d->allItems->records();
    unpinned.reserve(records.size());
    for (const auto &record : records) {
        const auto &item = static_cast<const ClipboardItem &>(*record);
        if (categoryId) {
            const bool assignedHere = item.categoryId() == categoryId;
            const bool unassignedOfType = categoryType && !item.categoryId() && item.type() == *categoryType;
            if (!assignedHere && !unassignedOfType)
                continue;
        }
        if (needle) {
            const FoldedItem &folded = d->foldedOf(item);
            if (!needle->isIn(folded.content) && !(folded.sourceAppName && needle->isIn(*folded.sourceAppName)))
                continue;
        }
        (item.isPinned() ? pinned : unpinned).append(std::static_pointer_cast<ClipboardItem>(record));
    }
    pinned.append(unpinned);
    d->filtered = std::move(pinned);
    return *d->filtered;
}

QList<std::shared_ptr<ClipCategory>> ClipboardHistoryView::matchingCategories() const
{
    QList<std::shared_ptr<ClipCategory>> matching = categories();
    if (!m_categorySearchText.isEmpty()) {
        matching.removeIf([this](const std::shared_ptr<ClipCategory> &category) {
            return !category->name().contains(m_categorySearchText, Qt::CaseInsensitive);
        });
    }
    return matching;
}

std::shared_ptr<ClipCategory> ClipboardHistoryView::selectedCategory() const
{
    return m_selectedFilterId ? categoryWithId(*m_selectedFilterId) : nullptr;
}

QList<std::shared_ptr<ClipboardItem>> ClipboardHistoryView::multiSelectedItems() const
{
    QList<std::shared_ptr<ClipboardItem>> items = filteredItems();
    items.removeIf([this](const std::shared_ptr<ClipboardItem> &item) { return !m_selectedIds.contains(item->id()); });
    return items;
}

bool ClipboardHistoryView::isFirstLaunch() const
{
    return d->allItems->count() == 0 && m_searchText.isEmpty() && !m_selectedFilterId;
}

HistoryItemsModel *ClipboardHistoryView::filteredItemsModel() const
{
    return d->itemsModel;
}

QAbstractItemModel *ClipboardHistoryView::categoriesModel() const
{
    return d->categoriesModel;
}

QAbstractItemModel *ClipboardHistoryView::matchingCategoriesModel() const
{
    return d->matchingModel;
}

QVariantMap ClipboardHistoryView::selectedCategoryMap() const
{
    const auto category = selectedCategory();
    return category ? CategoryListModel::describe(*category, m_isDark) : QVariantMap();
}

QString ClipboardHistoryView::searchPlaceholder() const
{
    // The prompt names the filter as long as one is set, even when its category is gone.
    if (!m_selectedFilterId)
        return QStringLiteral("Search...");
    const auto category = selectedCategory();
    return category ? QStringLiteral("in ") + category->name() + QStringLiteral("...") : QStringLiteral("Search...");
}

QString ClipboardHistoryView::emptyStateLine() const
{
    return m_searchText.isEmpty() ? QStringLiteral("Copy something to get started")
                                  : QStringLiteral("Try a different search term");
}

QColor ClipboardHistoryView::borderColor() const
{
    return ClipboardItemRow::glowColor(d->preferences.borderColorHex());
}

// ---- Keeping the list model current

void ClipboardHistoryView::itemRecordChanged(const std::shared_ptr<StoredRecord> &record, bool removed)
{
    const auto *item = static_cast<const ClipboardItem *>(record.get());
    d->folded.remove(item);
    if (removed) {
        d->itemsModel->forget(item->id());
        d->changedItems.remove(item);
        // Its card is gone with its row; left open, it would keep the list keys from the list.
        if (item->id() == m_editingItemId)
            cancelEdit();
    } else {
        d->changedItems.insert(item);
    }
    invalidateList();
    notifyFirstLaunch();
}

void ClipboardHistoryView::categoryRecordChanged()
{
    d->categoriesModel->setCategories(categories());
    for (const auto &category : categories())
        d->categoriesModel->refresh(*category);
    updateMatchingCategories();
    d->categoriesChanged = true;
    emit selectedCategoryChanged();
    invalidateList();
}

void ClipboardHistoryView::updateMatchingCategories()
{
    const auto matching = matchingCategories();
    d->matchingModel->setCategories(matching);
    for (const auto &category : matching)
        d->matchingModel->refresh(*category);
}

void ClipboardHistoryView::invalidateList()
{
    d->filtered.reset();
    if (d->syncPending)
        return;
    d->syncPending = true;
    // Bursts of changes (a clear, a prune, typing) reach the list view as one update.
    later(0, [this] { syncListModel(); });
}

void ClipboardHistoryView::syncListModel()
{
    d->syncPending = false;
    const QSet<const ClipboardItem *> changed = std::exchange(d->changedItems, {});
    d->itemsModel->setItems(filteredItems(), changed);
    if (std::exchange(d->categoriesChanged, false)) {
        d->itemsModel->refreshRoles({HistoryItemsModel::LabelRole, HistoryItemsModel::IconRole,
            HistoryItemsModel::ColorForTypeRole, HistoryItemsModel::SidebarColorRole});
    }
    if (std::exchange(d->scrollAfterSync, false) && m_selectedIndex >= 0 && m_selectedIndex < d->itemsModel->count())
        emit scrollToRowRequested(m_selectedIndex);
}

void ClipboardHistoryView::notifyFirstLaunch()
{
    const bool value = isFirstLaunch();
    if (value != d->lastFirstLaunch) {
        d->lastFirstLaunch = value;
        emit isFirstLaunchChanged();
    }
}

// ---- Showing

void ClipboardHistoryView::resetState()
{
    setSelectedIndex(0);
    setSearchText(QString());
    setSearchExpanded(false);
    setCategorySearching(false);
    setCategorySearchText(QString());
    setSelectedFilter(std::nullopt);
    setSelectedIds({}, false);
    setShowCombinePanel(false);
    if (!m_notice.isEmpty()) {
        m_notice.clear();
        emit noticeChanged();
    }
    d->itemsModel->refreshRoles({HistoryItemsModel::RelativeTimeRole});
    // The window takes focus some time after it is shown; asking again covers a slow window manager.
    for (const int delay : {50, 150, 300, 500}) {
        later(delay, [this] {
            if (!m_isSearchFocused && !m_isCategorySearchFocused)
                setFocus(Focus::view, true);
        });
    }
}

void ClipboardHistoryView::setupMonitors()
{
    if (m_monitorsInstalled)
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_monitorsInstalled = true;
    // The first search would otherwise fold the whole history while the user waits.
    later(0, [this] { foldAhead(0); });
    // After the view's, so that the combine panel sees its keys first.
    if (d->combine)
        d->combine->setupKeyMonitor();
}

void ClipboardHistoryView::removeMonitors()
{
    if (!m_monitorsInstalled)
        return;
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    m_monitorsInstalled = false;
    if (d->combine)
        d->combine->removeKeyMonitor();
}

bool ClipboardHistoryView::eventFilter(QObject *watched, QEvent *event)
{
    // Qt Quick forwards a window's key events to its items; the window sees each event first.
    if (!watched->isWindowType())
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        return monitorKeyDown(key->key(), key->modifiers());
    }
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        if (!wheel->pixelDelta().isNull())
            monitorScroll(wheel->pixelDelta().y(), true);
        else
            monitorScroll(wheel->angleDelta().y(), false);
        return true;
    }
    return false;
}

// ---- Keys

bool ClipboardHistoryView::handleKey(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    const bool control = modifiers.testFlag(Qt::ControlModifier);
    const bool editing = m_editingItemId.has_value();

    if (m_isSearchFocused || m_isCategorySearchFocused || m_isEditFocused || m_isCreateFocused) {
        switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return false;
        case Qt::Key_Tab:
            // A snippet may hold tabs: the edit and new-item editors type them.
            if (m_isEditFocused || m_isCreateFocused)
                return false;
            break;
        default:
            if (!control && isPrintable(text))
                return false;
        }
    }

    switch (key) {
    case Qt::Key_Down:
    case Qt::Key_Up: {
        if (editing || m_isCreatingNew || m_showCombinePanel)
            return false;
        const int direction = key == Qt::Key_Down ? 1 : -1;
        if (m_isCategorySearching) {
            const int count = int(matchingCategories().size());
            if (direction > 0 && m_categorySearchIndex < count - 1) {
                setCategorySearchIndex(m_categorySearchIndex + 1);
                playClick();
            } else if (direction < 0 && m_categorySearchIndex >= 1) {
                setCategorySearchIndex(std::min(m_categorySearchIndex - 1, std::max(count - 1, 0)));
                playClick();
            }
        } else {
            moveSelection(direction, true);
        }
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return handleReturn();
    case Qt::Key_Escape:
        return handleEscape();
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (m_isCategorySearching || m_isSearchExpanded || editing || m_isCreatingNew)
            return false;
        navigateCategory(key == Qt::Key_Left ? -1 : 1);
        playClick();
        return true;
    default:
        break;
    }

    if (control) {
        if (key == Qt::Key_E) {
            const auto items = filteredItems();
            if (m_selectedIndex >= 0 && m_selectedIndex < items.size())
                startEditing(items.at(m_selectedIndex)->id().toString());
            return true;
        }
        if (key == Qt::Key_N) {
            startCreatingNew();
            return true;
        }
        if (key == Qt::Key_F) {
            setSearchExpanded(!m_isSearchExpanded);
            if (m_isSearchExpanded) {
                later(100, [this] { setFocus(Focus::search, true); });
            } else {
                setSearchText(QString());
                setFocus(Focus::search, false);
                later(100, [this] { setFocus(Focus::view, true); });
            }
            return true;
        }
    }

    const bool slashChosen = categorySearchKey() == QLatin1String("slash");
    if (slashChosen ? text == QLatin1String("/") : key == Qt::Key_Tab) {
        triggerCategorySearch();
        return true;
    }

    return typeToSearch(modifiers, text);
}

bool ClipboardHistoryView::handleReturn()
{
    if (m_editingItemId || m_isCreatingNew || m_showCombinePanel)
        return false;
    if (m_isCategorySearching) {
        pickCategory(m_categorySearchIndex);
        return true;
    }
    if (m_selectedIds.size() >= 2) {
        const auto items = multiSelectedItems();
        const bool allFiles = std::all_of(items.cbegin(), items.cend(), [](const auto &item) {
            return item->type() == ClipboardItemType::file || item->type() == ClipboardItemType::image;
        });
        if (!items.isEmpty() && allFiles && onMultipleFilesSelected)
            onMultipleFilesSelected(items);
        else
            setShowCombinePanel(true);
        return true;
    }
    const auto items = filteredItems();
    if (m_selectedIndex >= 0 && m_selectedIndex < items.size())
        paste(items.at(m_selectedIndex));
    return true;
}

bool ClipboardHistoryView::handleEscape()
{
    if (m_editingItemId || m_isCreatingNew)
        return false;
    if (m_showCombinePanel) {
        setShowCombinePanel(false);
    } else if (!m_selectedIds.isEmpty()) {
        setSelectedIds({}, false);
    } else if (m_isCategorySearching) {
        setCategorySearching(false);
        setCategorySearchText(QString());
        if (m_isCategorySearchFocused)
            setFocus(Focus::view, true);
    } else if (m_isSearchExpanded) {
        setSearchExpanded(false);
        setSearchText(QString());
        setFocus(Focus::search, false);
        later(100, [this] { setFocus(Focus::view, true); });
    } else if (m_selectedFilterId) {
        setSelectedFilter(std::nullopt);
        setSelectedIndex(0);
    } else {
        return false;
    }
    return true;
}

bool ClipboardHistoryView::typeToSearch(Qt::KeyboardModifiers modifiers, const QString &text)
{
    if (m_isSearchExpanded || m_isCategorySearching || m_editingItemId || m_isCreatingNew)
        return false;
    // Control stands for Command; Alt and Meta chords are shortcuts of their own, not typing.
    if (text.isEmpty() || (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (!opensSearch(text))
        return false;
    setSearchExpanded(true);
    setFocus(Focus::search, true);
    // At once rather than a moment later: keys typed meanwhile go into the field, and replacing its
    // text after them would drop them.
    setSearchText(text);
    return true;
}

void ClipboardHistoryView::moveSelection(int delta, bool withClick)
{
    const int count = int(filteredItems().size());
    int target = m_selectedIndex;
    if (delta > 0 && m_selectedIndex < count - 1)
        target = m_selectedIndex + 1;
    else if (delta < 0 && m_selectedIndex >= 1)
        target = std::min(m_selectedIndex - 1, std::max(count - 1, 0));
    if (target == m_selectedIndex)
        return;
    setSelectedIndex(target);
    if (withClick)
        playClick();
}

bool ClipboardHistoryView::monitorKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    if (key == Qt::Key_Backspace && m_isSearchExpanded && m_searchText.isEmpty() && m_selectedFilterId) {
        later(0, [this] {
            setSelectedFilter(std::nullopt);
            setCategorySearching(true);
            setSearchExpanded(false);
            setFocus(Focus::search, false);
            later(100, [this] { setFocus(Focus::categorySearch, true); });
        });
        return true;
    }
    if (isReturn(key) && m_editingItemId) {
        if (shift)
            return false;
        later(0, [this] { saveEdit(); });
        return true;
    }
    if (isReturn(key) && m_isCreatingNew) {
        if (shift)
            return false;
        later(0, [this] { saveNewItem(); });
        return true;
    }
    if (key == Qt::Key_Escape && (m_editingItemId || m_isCreatingNew)) {
        if (m_editingItemId)
            later(0, [this] { cancelEdit(); });
        else
            later(0, [this] { cancelCreate(); });
        return true;
    }
    if (shift && !m_isCategorySearching && !m_editingItemId && !m_isCreatingNew && !m_showCombinePanel
        && (key == Qt::Key_Down || key == Qt::Key_Up)) {
        const int direction = key == Qt::Key_Down ? 1 : -1;
        later(0, [this, direction] { extendSelection(direction); });
        return true;
    }
    return false;
}

void ClipboardHistoryView::extendSelection(int direction)
{
    const auto items = filteredItems();
    const int count = int(items.size());
    if (m_selectedIndex < 0 || m_selectedIndex >= count)
        return;
    QSet<QUuid> ids = m_selectedIds;
    ids.insert(items.at(m_selectedIndex)->id());
    const int target = m_selectedIndex + direction;
    if (target < 0 || target >= count) {
        setSelectedIds(ids, m_isMultiSelectMode);
        return;
    }
    setSelectedIndex(target);
    ids.insert(items.at(target)->id());
    setSelectedIds(ids, true);
    playClick();
}

void ClipboardHistoryView::monitorScroll(double deltaY, bool isPrecise)
{
    if (isPrecise) {
        m_scrollAccumulator += deltaY;
        if (m_scrollAccumulator > scrollThreshold) {
            m_scrollAccumulator = 0;
            moveSelection(-1, false);
        } else if (m_scrollAccumulator < -scrollThreshold) {
            m_scrollAccumulator = 0;
            moveSelection(1, false);
        }
    } else {
        // A touchpad without pixel deltas sends many small steps where a wheel sends one notch.
        if (deltaY * m_wheelAccumulator < 0)
            m_wheelAccumulator = 0; // turning back answers at once
        m_wheelAccumulator += deltaY;
        for (; m_wheelAccumulator >= wheelNotch; m_wheelAccumulator -= wheelNotch)
            moveSelection(-1, false);
        for (; m_wheelAccumulator <= -wheelNotch; m_wheelAccumulator += wheelNotch)
            moveSelection(1, false);
    }
}

// ---- Categories and search

void ClipboardHistoryView::navigateCategory(int direction)
{
    const auto list = categories();
    if (list.isEmpty())
        return;
    qsizetype position = -1;
    if (m_selectedFilterId) {
        const auto it = std::find_if(
            list.cbegin(), list.cend(), [this](const auto &category) { return category->id() == *m_selectedFilterId; });
        position = it == list.cend() ? -1 : it - list.cbegin();
    }
    if (position >= 0) {
        const qsizetype next = position + (direction < 0 ? -1 : 1);
        setSelectedFilter(next >= 0 && next < list.size() ? std::optional(list.at(next)->id()) : std::nullopt);
    } else {
        setSelectedFilter(direction < 0 ? list.last()->id() : list.first()->id());
    }
    setSelectedIndex(0);
}

void ClipboardHistoryView::triggerCategorySearch()
{
    setCategorySearching(!m_isCategorySearching);
    if (m_isCategorySearching) {
        setCategorySearchIndex(0);
        later(100, [this] { setFocus(Focus::categorySearch, true); });
    } else {
        setCategorySearchText(QString());
        if (m_isCategorySearchFocused)
            setFocus(Focus::view, true);
    }
}

void ClipboardHistoryView::pickCategory(int index)
{
    const auto matching = matchingCategories();
    if (index < 0 || index >= matching.size())
        return;
    setSelectedFilter(matching.at(index)->id());
    setCategorySearching(false);
    setCategorySearchText(QString());
    setFocus(Focus::categorySearch, false);
    setSearchExpanded(true);
    setSelectedIndex(0);
    later(100, [this] { setFocus(Focus::search, true); });
}

void ClipboardHistoryView::clickCategoryChip(const QString &categoryId)
{
    const auto id = uuidFromText(categoryId);
    setSelectedFilter(id == m_selectedFilterId ? std::nullopt : id);
    setSelectedIndex(0);
}

void ClipboardHistoryView::openSearch()
{
    setSearchExpanded(true);
    later(100, [this] { setFocus(Focus::search, true); });
}

void ClipboardHistoryView::closeSearch()
{
    setSearchExpanded(false);
    setSearchText(QString());
    setSelectedFilter(std::nullopt);
    setFocus(Focus::view, true);
}

double ClipboardHistoryView::scaleForIndex(int index) const
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

// ---- Clicks and pasting

void ClipboardHistoryView::clickRow(int index, int modifiers)
{
    selectRow(index, modifiers);
    pasteRow(index);
}

void ClipboardHistoryView::selectRow(int index, int modifiers)
{
    setSelectedIndex(index);
    if (Qt::KeyboardModifiers(modifiers).testFlag(Qt::ControlModifier)) {
        const auto items = filteredItems();
        QSet<QUuid> ids = m_selectedIds;
        if (index >= 0 && index < items.size()) {
            const QUuid id = items.at(index)->id();
            if (!ids.remove(id))
                ids.insert(id);
        }
        setSelectedIds(ids, !ids.isEmpty());
    } else {
        setSelectedIds({}, false);
    }
}

void ClipboardHistoryView::pasteRow(int index)
{
    if (m_selectedIds.size() >= 2) {
        setShowCombinePanel(true);
        return;
    }
    const auto items = filteredItems();
    if (index >= 0 && index < items.size())
        paste(items.at(index));
}

void ClipboardHistoryView::pasteItem(const QString &id)
{
    if (const auto uuid = uuidFromText(id)) {
        if (const auto item = itemWithId(*uuid))
            paste(item);
    }
}

void ClipboardHistoryView::paste(const std::shared_ptr<ClipboardItem> &item)
{
    const bool copied = onItemSelected ? onItemSelected(item) : item->copyToPasteboard(d->pasteboard);
    if (!copied)
        showNotice(copyFailureNotice(*item));
}

QString ClipboardHistoryView::copyFailureNotice(const ClipboardItem &item)
{
    switch (item.type()) {
    case ClipboardItemType::url:
        return QStringLiteral("Can't copy this link: it is not a valid address");
    case ClipboardItemType::file:
        return QStringLiteral("Can't copy this file: its location is not valid");
    case ClipboardItemType::image:
        return QStringLiteral("Can't copy this image: its data is missing or damaged");
    case ClipboardItemType::text:
    case ClipboardItemType::richText:
        break;
    }
    return QStringLiteral("Can't copy this item");
}

void ClipboardHistoryView::showNotice(const QString &text)
{
    const int generation = ++m_noticeGeneration;
    if (text != m_notice) {
        m_notice = text;
        emit noticeChanged();
    }
    later(noticeDurationMs, [this, generation] {
        // A later notice keeps its own full time.
        if (generation == m_noticeGeneration && !m_notice.isEmpty()) {
            m_notice.clear();
            emit noticeChanged();
        }
    });
}

void ClipboardHistoryView::pasteCombined(const QString &text)
{
    auto item = ClipboardItem::create(text, ClipboardItemType::text);
    d->context.insert(item);
    d->context.save();
    d->pasteboard.clearContents();
    d->pasteboard.setString(text);
    setShowCombinePanel(false);
    setSelectedIds({}, false);
    if (onItemSelected)
        onItemSelected(item);
}

void ClipboardHistoryView::cancelCombine()
{
    setShowCombinePanel(false);
}

// ---- Commands

void ClipboardHistoryView::startEditing(const QString &id)
{
    const auto uuid = uuidFromText(id);
    const auto item = uuid ? itemWithId(*uuid) : nullptr;
    if (!item)
        return;
    setEditingItemId(item->id());
    setEditText(item->content());
    later(100, [this] { setFocus(Focus::edit, true); });
}

void ClipboardHistoryView::saveEdit()
{
    if (!m_editingItemId || m_editText.trimmed().isEmpty())
        return;
    const auto item = itemWithId(*m_editingItemId);
    if (!item)
        return;
    item->setContent(m_editText);
    item->setCharacterCount(ClipboardItem::countCharacters(m_editText));
    d->context.save();
    setEditingItemId(std::nullopt);
    setEditText(QString());
    setFocus(Focus::edit, false);
    later(100, [this] { setFocus(Focus::view, true); });
}

void ClipboardHistoryView::cancelEdit()
{
    setEditingItemId(std::nullopt);
    setEditText(QString());
    setFocus(Focus::edit, false);
    later(100, [this] { setFocus(Focus::view, true); });
}

void ClipboardHistoryView::startCreatingNew()
{
    setCreatingNew(true);
    setNewItemText(QString());
    later(100, [this] { setFocus(Focus::create, true); });
}

void ClipboardHistoryView::saveNewItem()
{
    const QString text = m_newItemText.trimmed();
    if (text.isEmpty()) {
        setCreatingNew(false);
        setFocus(Focus::create, false);
        return;
    }
    const QUrl url(text, QUrl::StrictMode);
    const bool isUrl = url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty();
    const auto type = isUrl ? ClipboardItemType::url : ClipboardItemType::text;
    auto item = ClipboardItem::create(text, type);
    const QString categoryName = isUrl ? QStringLiteral("URL") : QStringLiteral("Text");
    for (const auto &category : categories()) {
        if (category->name() == categoryName) {
            item->setCategoryId(category->id());
            break;
        }
    }
    d->context.insert(item);
    d->context.save();
    setCreatingNew(false);
    setNewItemText(QString());
    setSelectedIndex(0);
    setFocus(Focus::create, false);
    later(100, [this] { setFocus(Focus::view, true); });
}

void ClipboardHistoryView::cancelCreate()
{
    setCreatingNew(false);
    setNewItemText(QString());
    setFocus(Focus::create, false);
    later(100, [this] { setFocus(Focus::view, true); });
}

void ClipboardHistoryView::deleteItem(const QString &id)
{
    const auto uuid = uuidFromText(id);
    if (const auto item = uuid ? itemWithId(*uuid) : nullptr) {
        d->context.remove(item);
        d->context.save();
    }
}

void ClipboardHistoryView::togglePin(const QString &id)
{
    const auto uuid = uuidFromText(id);
    if (const auto item = uuid ? itemWithId(*uuid) : nullptr) {
        item->setPinned(!item->isPinned());
        d->context.save();
    }
}

void ClipboardHistoryView::assignCategory(const QString &id, const QString &categoryId)
{
    const auto uuid = uuidFromText(id);
    if (const auto item = uuid ? itemWithId(*uuid) : nullptr) {
        item->setCategoryId(uuidFromText(categoryId));
        d->context.save();
    }
}

void ClipboardHistoryView::clearAllHistory()
{
    QList<std::shared_ptr<ClipboardItem>> unpinned;
    for (int row = 0; row < d->allItems->count(); ++row) {
        auto item = d->allItems->at(row);
        if (!item->isPinned())
            unpinned.append(std::move(item));
    }
    for (const auto &item : unpinned)
        d->context.remove(item);
    d->context.save();
}
