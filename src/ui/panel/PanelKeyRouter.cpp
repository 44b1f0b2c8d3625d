#include "PanelKeyRouter.h"

#include "CategorySearch.h"
#include "ClipboardHistoryView.h"
#include "HistoryFilter.h"
#include "HistorySelection.h"
#include "model/Preferences.h"
#include "services/SoundPlayer.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWheelEvent>

namespace {

constexpr double scrollThreshold = 20;
constexpr double wheelNotch = 120; // QWheelEvent::angleDelta of one notch of a mouse wheel

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

bool isReturn(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

PanelKeyRouter::PanelKeyRouter(
    ClipboardHistoryView &view, Preferences &preferences, SoundPlayer *sound, Scheduler schedule, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_preferences(preferences)
    , m_sound(sound)
    , m_schedule(std::move(schedule))
{
}

PanelKeyRouter::~PanelKeyRouter()
{
    removeMonitors();
}

void PanelKeyRouter::later(int delayMs, std::function<void()> task)
{
    m_schedule(delayMs, [self = QPointer(this), task = std::move(task)] {
        if (self)
            task();
    });
}

void PanelKeyRouter::focusLater(PanelFocus::Field field)
{
    later(100, [this, field] { m_view.focus()->set(field, true); });
}

bool PanelKeyRouter::playSoundOnNavigate() const
{
    return m_preferences.playSoundOnNavigate();
}

void PanelKeyRouter::playClick()
{
    if (m_sound && playSoundOnNavigate())
        m_sound->playNavigationClick();
}

bool PanelKeyRouter::handleKey(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    const bool control = modifiers.testFlag(Qt::ControlModifier);
    const bool editorOpen = m_view.editingItemId().has_value() || m_view.isCreatingNew();
    PanelFocus &focus = *m_view.focus();
    HistoryFilter &filter = *m_view.filter();
    CategorySearch &categorySearch = *m_view.categorySearch();

    if (focus.isTextFieldFocused()) {
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
            if (focus.isEditFocused() || focus.isCreateFocused())
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
        if (editorOpen || m_view.showCombinePanel())
            return false;
        const int direction = key == Qt::Key_Down ? 1 : -1;
        if (categorySearch.isSearching() ? categorySearch.moveIndex(direction) : m_view.selection()->move(direction))
            playClick();
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return handleReturn();
    case Qt::Key_Escape:
        return handleEscape();
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (categorySearch.isSearching() || filter.isSearchExpanded() || editorOpen)
            return false;
        m_view.filter()->navigateCategory(key == Qt::Key_Left ? -1 : 1);
        playClick();
        return true;
    default:
        break;
    }

    if (control) {
        if (key == Qt::Key_E) {
            if (const auto item = m_view.selection()->selectedItem())
                m_view.startEditing(item->id().toString());
            return true;
        }
        if (key == Qt::Key_N) {
            m_view.startCreatingNew();
            return true;
        }
        if (key == Qt::Key_F) {
            toggleSearch();
            return true;
        }
    }

    const bool slashChosen = m_preferences.categorySearchKey() == Preferences::CategorySearchKey::slash;
    if (slashChosen ? text == QLatin1String("/") : key == Qt::Key_Tab) {
        m_view.triggerCategorySearch();
        return true;
    }

    return typeToSearch(modifiers, text);
}

void PanelKeyRouter::toggleSearch()
{
    HistoryFilter &filter = *m_view.filter();
    filter.setSearchExpanded(!filter.isSearchExpanded());
    if (filter.isSearchExpanded()) {
        focusLater(PanelFocus::Field::search);
    } else {
        filter.setSearchText(QString());
        m_view.focus()->set(PanelFocus::Field::search, false);
        focusLater(PanelFocus::Field::view);
    }
}

bool PanelKeyRouter::handleReturn()
{
    if (m_view.editingItemId() || m_view.isCreatingNew() || m_view.showCombinePanel())
        return false;
    if (m_view.categorySearch()->isSearching())
        m_view.pickCategory(m_view.categorySearch()->index());
    else
        m_view.pasteSelection();
    return true;
}

bool PanelKeyRouter::handleEscape()
{
    if (m_view.editingItemId() || m_view.isCreatingNew())
        return false;
    HistoryFilter &filter = *m_view.filter();
    CategorySearch &categorySearch = *m_view.categorySearch();
    PanelFocus &focus = *m_view.focus();
    if (m_view.showCombinePanel()) {
        m_view.cancelCombine();
    } else if (m_view.selection()->selectedIdsCount() > 0) {
        m_view.selection()->clearSelectedIds();
    } else if (categorySearch.isSearching()) {
        categorySearch.close();
    } else if (filter.isSearchExpanded()) {
        filter.setSearchExpanded(false);
        filter.setSearchText(QString());
        focus.set(PanelFocus::Field::search, false);
        focusLater(PanelFocus::Field::view);
    } else if (filter.selectedFilterId()) {
        filter.setSelectedFilter(std::nullopt);
        m_view.selection()->setSelectedIndex(0);
    } else {
        return false;
    }
    return true;
}

bool PanelKeyRouter::typeToSearch(Qt::KeyboardModifiers modifiers, const QString &text)
{
    HistoryFilter &filter = *m_view.filter();
    if (filter.isSearchExpanded() || m_view.categorySearch()->isSearching() || m_view.editingItemId()
        || m_view.isCreatingNew())
        return false;
    // Control stands for Command; Alt and Meta chords are shortcuts of their own, not typing.
    if (text.isEmpty() || (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (!opensSearch(text))
        return false;
    filter.setSearchExpanded(true);
    m_view.focus()->set(PanelFocus::Field::search, true);
    // At once rather than a moment later: keys typed meanwhile go into the field, and replacing its
    // text after them would drop them.
    filter.setSearchText(text);
    return true;
}

bool PanelKeyRouter::monitorKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const HistoryFilter &filter = *m_view.filter();
    if (key == Qt::Key_Backspace && filter.isSearchExpanded() && filter.searchText().isEmpty()
        && filter.selectedFilterId()) {
        // Back from searching in a picked category to choosing one.
        later(0, [this] { m_view.categorySearch()->reopen(); });
        return true;
    }
    if (isReturn(key) && (m_view.editingItemId() || m_view.isCreatingNew())) {
        if (shift)
            return false;
        later(0, [this, editing = m_view.editingItemId().has_value()] {
            editing ? m_view.saveEdit() : m_view.saveNewItem();
        });
        return true;
    }
    if (key == Qt::Key_Escape && (m_view.editingItemId() || m_view.isCreatingNew())) {
        later(0, [this, editing = m_view.editingItemId().has_value()] {
            editing ? m_view.cancelEdit() : m_view.cancelCreate();
        });
        return true;
    }
    if (shift && !m_view.categorySearch()->isSearching() && !m_view.editingItemId() && !m_view.isCreatingNew()
        && !m_view.showCombinePanel() && (key == Qt::Key_Down || key == Qt::Key_Up)) {
        const int direction = key == Qt::Key_Down ? 1 : -1;
        later(0, [this, direction] {
            if (m_view.selection()->extend(direction))
                playClick();
        });
        return true;
    }
    return false;
}

void PanelKeyRouter::monitorScroll(double deltaY, bool isPrecise)
{
    HistorySelection &selection = *m_view.selection();
    if (isPrecise) {
        m_scrollAccumulator += deltaY;
        if (m_scrollAccumulator > scrollThreshold) {
            m_scrollAccumulator = 0;
            selection.move(-1);
        } else if (m_scrollAccumulator < -scrollThreshold) {
            m_scrollAccumulator = 0;
            selection.move(1);
        }
    } else {
        // A touchpad without pixel deltas sends many small steps where a wheel sends one notch.
        if (deltaY * m_wheelAccumulator < 0)
            m_wheelAccumulator = 0; // turning back answers at once
        m_wheelAccumulator += deltaY;
        for (; m_wheelAccumulator >= wheelNotch; m_wheelAccumulator -= wheelNotch)
            selection.move(-1);
        for (; m_wheelAccumulator <= -wheelNotch; m_wheelAccumulator += wheelNotch)
            selection.move(1);
    }
}

void PanelKeyRouter::installMonitors()
{
    if (m_monitorsInstalled)
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_monitorsInstalled = true;
}

void PanelKeyRouter::removeMonitors()
{
    if (!m_monitorsInstalled)
        return;
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    m_monitorsInstalled = false;
}

bool PanelKeyRouter::eventFilter(QObject *watched, QEvent *event)
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
