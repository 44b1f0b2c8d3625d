#include "ClipboardHistoryView.h"

#include "ClipboardItemRow.h"
#include "HistoryItemsModel.h"
#include "PanelKeyRouter.h"
#include "capture/Pasteboard.h"
#include "capture/PasteboardWriter.h"
#include "model/ModelContext.h"
#include "model/Preferences.h"
#include "services/AppActions.h"
#include "services/HistoryPause.h"

#include <QMetaMethod>

ClipboardHistoryView::ClipboardHistoryView(ModelContext &context, Pasteboard &pasteboard, Preferences &preferences,
    AppActions &actions, SoundPlayer *sound, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_pasteboard(pasteboard)
    , m_actions(actions)
    , m_preferences(preferences)
    , m_clock(clock)
    , m_schedule(clock.scheduler(this))
    , m_filter(new HistoryFilter(context, clock, this))
    , m_focus(new PanelFocus(this))
    , m_categorySearch(new CategorySearch(*m_filter, *m_focus, m_schedule, this))
    , m_selection(new HistorySelection(*m_filter, this))
    , m_editor(new ItemEditor(*m_focus, PanelFocus::Field::edit, m_schedule, this))
    , m_newItemEditor(new ItemEditor(*m_focus, PanelFocus::Field::create, m_schedule, this))
    , m_keys(new PanelKeyRouter(*this, preferences, sound, m_schedule, this))
    , m_commands(new HistoryCommands(context, *m_filter, this))
    , m_notice(new PanelNotice(m_schedule, this))
    , m_diskFullNotice(new DiskFullNotice(context, this))
{
    connect(m_filter, &HistoryFilter::searchTextChanged, this, &ClipboardHistoryView::searchTextEdited);
    connect(
        m_filter, &HistoryFilter::selectedFilterIdChanged, m_selection, [this] { m_selection->setSelectedIndex(0); });
    connect(m_filter, &HistoryFilter::itemRemoved, this, [this](const QUuid &id) {
        // Its card is gone with its row; left open, it would keep the list keys from the list.
        if (id == m_editor->itemId())
            cancelEdit();
    });
    // Changed in the settings while the panel lives: the rows follow at once.
    m_filter->filteredItemsModel()->setShowsSourceApp(m_preferences.showSourceApp());
    connect(&m_preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        if (key == Preferences::Key::borderColorHex)
            emit borderColorChanged();
        else if (key == Preferences::Key::showSourceApp)
            m_filter->filteredItemsModel()->setShowsSourceApp(m_preferences.showSourceApp());
    });
    connect(m_selection, &HistorySelection::scrollToRowRequested, this, &ClipboardHistoryView::scrollToRowRequested);
    connect(m_editor, &ItemEditor::saveRequested, this, &ClipboardHistoryView::saveEdit);
    connect(m_newItemEditor, &ItemEditor::saveRequested, this, &ClipboardHistoryView::saveNewItem);
    connect(m_newItemEditor, &ItemEditor::isOpenChanged, this, [this] {
        if (m_newItemEditor->isOpen())
            emit scrollToCreateCardRequested();
    });
}

ClipboardHistoryView::~ClipboardHistoryView()
{
    removeMonitors();
    delete m_combine;
}

void ClipboardHistoryView::focusLater(PanelFocus::Field field)
{
    // The field's card or row is drawn first.
    m_schedule(100, [this, field] { m_focus->set(field, true); });
}

void ClipboardHistoryView::searchTextEdited()
{
    m_selection->setSelectedIndex(0);
    if (m_filter->searchText().isEmpty() && m_filter->isSearchExpanded()) {
        // Deleting the last character closes the field.
        m_filter->setSearchExpanded(false);
        m_focus->set(PanelFocus::Field::search, false);
        focusLater(PanelFocus::Field::view);
    }
}

void ClipboardHistoryView::setShowCombinePanel(bool show)
{
    if (show == showCombinePanel())
        return;
    if (show) {
        m_combine = new CombinePanel(m_context, m_selection->multiSelectedItems(), m_clock, this);
        connect(m_combine, &CombinePanel::pasteRequested, this, &ClipboardHistoryView::pasteCombined);
        connect(m_combine, &CombinePanel::cancelRequested, this, &ClipboardHistoryView::cancelCombine);
        m_combine->shown();
    } else {
        // The panel may be calling us from inside its own handler: silence it now, delete it later.
        m_combine->removeKeyMonitor();
        m_combine->deleteLater();
        m_combine = nullptr;
    }
    emit showCombinePanelChanged();
    if (show) {
        m_schedule(50, [this] {
            if (m_combine)
                emit scrollToCombinePanelRequested();
        });
    }
}

void ClipboardHistoryView::setHistoryPause(HistoryPause *pause)
{
    m_pause = pause;
    connect(pause, &HistoryPause::pausedChanged, this, &ClipboardHistoryView::historyPausedChanged);
    emit historyPausedChanged();
}

bool ClipboardHistoryView::isHistoryPaused() const
{
    return m_pause && m_pause->isPaused();
}

void ClipboardHistoryView::pauseHistory(int seconds)
{
    if (m_pause)
        m_pause->pause(std::chrono::seconds(std::max(0, seconds)));
}

void ClipboardHistoryView::resumeHistory()
{
    if (m_pause)
        m_pause->resume();
}

void ClipboardHistoryView::setDark(bool dark)
{
    if (dark == m_isDark)
        return;
    m_isDark = dark;
    emit isDarkChanged();
    m_categorySearch->setDark(dark);
    m_filter->setDark(dark);
}

QColor ClipboardHistoryView::borderColor() const
{
    return ClipboardItemRow::glowColor(m_preferences.borderColorHex());
}

// ---- Showing

void ClipboardHistoryView::resetState()
{
    m_selection->setSelectedIndex(0);
    m_filter->setSearchText(QString());
    m_filter->setSearchExpanded(false);
    m_categorySearch->setSearching(false);
    m_categorySearch->setText(QString());
    m_filter->setSelectedFilter(std::nullopt);
    m_selection->clearSelectedIds();
    setShowCombinePanel(false);
    m_notice->clear();
    m_filter->filteredItemsModel()->refreshRelativeTimes();
    // The window takes focus some time after it is shown; asking again covers a slow window manager.
    for (const int delay : {50, 150, 300, 500}) {
        m_schedule(delay, [this] {
            if (!m_focus->isSearchFocused() && !m_focus->isCategorySearchFocused())
                m_focus->set(PanelFocus::Field::view, true);
        });
    }
}

bool ClipboardHistoryView::handleKey(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    return m_keys->handleKey(key, modifiers, text);
}

void ClipboardHistoryView::setupMonitors()
{
    if (m_keys->hasMonitors())
        return;
    m_keys->installMonitors();
    // After the view's, so that the combine panel sees its keys first.
    if (m_combine)
        m_combine->setupKeyMonitor();
}

void ClipboardHistoryView::removeMonitors()
{
    if (!m_keys->hasMonitors())
        return;
    m_keys->removeMonitors();
    if (m_combine)
        m_combine->removeKeyMonitor();
}

// ---- Categories and search

void ClipboardHistoryView::openSettings()
{
    emit m_actions.openSettingsRequested();
}

void ClipboardHistoryView::openSearch()
{
    m_filter->setSearchExpanded(true);
    focusLater(PanelFocus::Field::search);
}

void ClipboardHistoryView::closeSearch()
{
    m_filter->setSearchExpanded(false);
    m_filter->setSearchText(QString());
    m_filter->setSelectedFilter(std::nullopt);
    m_focus->set(PanelFocus::Field::view, true);
}

// ---- Clicks and pasting

void ClipboardHistoryView::clickRow(int index, int modifiers)
{
    m_selection->selectRow(index, modifiers);
    pasteRow(index);
}

void ClipboardHistoryView::pasteRow(int index)
{
    if (m_selection->selectedIdsCount() >= 2) {
        setShowCombinePanel(true);
        return;
    }
    const auto items = m_filter->filteredItems();
    if (index >= 0 && index < items.size())
        paste(items.at(index));
}

void ClipboardHistoryView::pasteSelection()
{
    if (m_selection->selectedIdsCount() >= 2) {
        const auto items = m_selection->multiSelectedItems();
        const bool allFiles = std::all_of(items.cbegin(), items.cend(), [](const auto &item) {
            return item->type() == ClipboardItemType::file || item->type() == ClipboardItemType::image;
        });
        if (!items.isEmpty() && allFiles
            && isSignalConnected(QMetaMethod::fromSignal(&ClipboardHistoryView::multipleFilesSelected)))
            emit multipleFilesSelected(items);
        else
            setShowCombinePanel(true);
        return;
    }
    if (const auto item = m_selection->selectedItem())
        paste(item);
}

void ClipboardHistoryView::pasteItem(const QString &id)
{
    if (const auto item = m_commands->itemWithId(id))
        paste(item);
}

void ClipboardHistoryView::paste(const std::shared_ptr<ClipboardItem> &item)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&ClipboardHistoryView::itemSelected)))
        emit itemSelected(item);
    else if (!PasteboardWriter::copyToPasteboard(*item, m_pasteboard))
        showCopyFailure(*item);
}

void ClipboardHistoryView::showCopyFailure(const ClipboardItem &item)
{
    m_notice->show(PanelNotice::copyFailure(item));
}

void ClipboardHistoryView::pasteCombined(const QString &text)
{
    const auto item = m_commands->createTextItem(text);
    m_pasteboard.clearContents();
    m_pasteboard.setString(text);
    setShowCombinePanel(false);
    m_selection->clearSelectedIds();
    emit itemSelected(item);
}

void ClipboardHistoryView::cancelCombine()
{
    setShowCombinePanel(false);
}

// ---- Commands

void ClipboardHistoryView::startEditing(const QString &id)
{
    // For image and file items the label or file URL is edited, not the image.
    if (const auto item = m_commands->itemWithId(id))
        m_editor->open(item->content(), item->id());
}

void ClipboardHistoryView::saveEdit()
{
    if (m_editor->itemId() && m_editor->canSave() && m_commands->saveContent(*m_editor->itemId(), m_editor->text()))
        cancelEdit();
}

void ClipboardHistoryView::saveNewItem()
{
    // Saving white space only closes the card without storing anything.
    if (m_newItemEditor->canSave()) {
        m_commands->createItem(m_newItemEditor->text());
        m_selection->setSelectedIndex(0);
    }
    cancelCreate();
}
