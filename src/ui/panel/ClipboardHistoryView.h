#pragma once

#include "CategorySearch.h"
#include "CombinePanel.h"
#include "DiskFullNotice.h"
#include "HistoryCommands.h"
#include "HistoryFilter.h"
#include "HistorySelection.h"
#include "ItemEditor.h"
#include "PanelFocus.h"
#include "PanelNotice.h"
#include "model/ClipboardItem.h"
#include "model/Clock.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>

class AppActions;
class HistoryPause;
class ModelContext;
class PanelKeyRouter;
class Pasteboard;
class Preferences;
class SoundPlayer;

/// The history panel: a facade over its parts (the filter and search, the category search, the
/// selection, the two editor cards, the focus and the key router) that holds the item commands and
/// the combine panel. QML only draws it and forwards input; tests drive it without drawing.
class ClipboardHistoryView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The panel owns its controller")

    Q_PROPERTY(HistoryFilter *filter READ filter CONSTANT)
    Q_PROPERTY(CategorySearch *categorySearch READ categorySearch CONSTANT)
    Q_PROPERTY(HistorySelection *selection READ selection CONSTANT)
    /// The edit card, drawn in place of the edited row.
    Q_PROPERTY(ItemEditor *editor READ editor CONSTANT)
    /// The new-item card, drawn above the rows.
    Q_PROPERTY(ItemEditor *newItemEditor READ newItemEditor CONSTANT)
    Q_PROPERTY(PanelFocus *focus READ focus CONSTANT)
    Q_PROPERTY(HistoryCommands *commands READ commands CONSTANT)
    /// A short line about what just failed, shown for a few seconds.
    Q_PROPERTY(PanelNotice *notice READ notice CONSTANT)
    /// Says that the history is not being saved, for as long as the disk stays full.
    Q_PROPERTY(DiskFullNotice *diskFullNotice READ diskFullNotice CONSTANT)
    Q_PROPERTY(bool showCombinePanel READ showCombinePanel NOTIFY showCombinePanelChanged)
    /// The open combine panel, given `multiSelectedItems`; null while `showCombinePanel` is false.
    Q_PROPERTY(CombinePanel *combinePanel READ combinePanel NOTIFY showCombinePanelChanged)
    Q_PROPERTY(bool isDark READ isDark WRITE setDark NOTIFY isDarkChanged)
    /// The selected row's glow, from "borderColorHex".
    Q_PROPERTY(QColor borderColor READ borderColor NOTIFY borderColorChanged)
    /// The history records no copies for now (see HistoryPause).
    Q_PROPERTY(bool isHistoryPaused READ isHistoryPaused NOTIFY historyPausedChanged)

public:
    /// `preferences` is read for "categorySearchKey", "playSoundOnNavigate" and "borderColorHex" each
    /// time they matter. `sound` may be null. Everything given must outlive the view.
    ClipboardHistoryView(ModelContext &context, Pasteboard &pasteboard, Preferences &preferences, AppActions &actions,
        SoundPlayer *sound, Clock &clock = Clock::system(), QObject *parent = nullptr);
    ~ClipboardHistoryView() override;

    HistoryFilter *filter() const { return m_filter; }
    CategorySearch *categorySearch() const { return m_categorySearch; }
    HistorySelection *selection() const { return m_selection; }
    ItemEditor *editor() const { return m_editor; }
    ItemEditor *newItemEditor() const { return m_newItemEditor; }
    PanelFocus *focus() const { return m_focus; }
    PanelKeyRouter *keys() const { return m_keys; }
    HistoryCommands *commands() const { return m_commands; }
    PanelNotice *notice() const { return m_notice; }
    DiskFullNotice *diskFullNotice() const { return m_diskFullNotice; }

    bool showCombinePanel() const { return m_combine != nullptr; }
    CombinePanel *combinePanel() const { return m_combine; }
    std::optional<QUuid> editingItemId() const { return m_editor->itemId(); }
    bool isCreatingNew() const { return m_newItemEditor->isOpen(); }
    bool isDark() const { return m_isDark; }
    void setDark(bool dark);
    /// The pause the panel shows and its menu sets; it must outlive the view.
    void setHistoryPause(HistoryPause *pause);
    bool isHistoryPaused() const;
    /// The panel menu's pause: for `seconds`, or until resumed when 0.
    Q_INVOKABLE void pauseHistory(int seconds);
    Q_INVOKABLE void resumeHistory();
    QColor borderColor() const;

    /// Runs on the first show and every time the panel is about to be shown.
    Q_INVOKABLE void resetState();

    // Input, handled by the key router
    bool handleKey(int key, Qt::KeyboardModifiers modifiers, const QString &text);
    /// Installs the key-down and scroll monitors as an application-wide event filter (at most once).
    void setupMonitors();
    void removeMonitors();

    Q_INVOKABLE void triggerCategorySearch() { m_categorySearch->toggle(); }
    /// Picks the category at `index` of `matchingCategories`, as Return does in the category search.
    Q_INVOKABLE void pickCategory(int index)
    {
        if (m_categorySearch->pick(index))
            m_selection->setSelectedIndex(0);
    }
    Q_INVOKABLE void openSearch();
    /// The panel menu's "Settings...": asks the application to open them.
    Q_INVOKABLE void openSettings();
    /// The search row's close button: closes the field, empties it and clears the filter.
    Q_INVOKABLE void closeSearch();
    /// A click on row `index`: select (Control toggles the multi-selection), then paste.
    Q_INVOKABLE void clickRow(int index, int modifiers);
    Q_INVOKABLE void pasteRow(int index);
    /// Return on the list: several selected items are handed over together or combined, else the
    /// highlighted one is pasted.
    void pasteSelection();
    /// The context menu's "Paste".
    Q_INVOKABLE void pasteItem(const QString &id);
    /// The receiver of `itemSelected` could not put `item` on the clipboard: the panel says why.
    void showCopyFailure(const ClipboardItem &item);

    // Combine panel callbacks
    /// Stores `text` as the newest item, puts it on the clipboard, closes the combine panel and
    /// clears the selection, then hands the new item on through `itemSelected`.
    Q_INVOKABLE void pasteCombined(const QString &text);
    Q_INVOKABLE void cancelCombine();

    // Commands
    Q_INVOKABLE void startEditing(const QString &id);
    void saveEdit();
    void cancelEdit() { m_editor->close(); }
    Q_INVOKABLE void startCreatingNew() { m_newItemEditor->open(QString()); }
    void saveNewItem();
    void cancelCreate() { m_newItemEditor->close(); }

signals:
    void historyPausedChanged();
    void showCombinePanelChanged();
    void isDarkChanged();
    void borderColorChanged();

    /// Paste `item`. Without a receiver the panel puts it on the clipboard itself; a receiver that
    /// cannot calls `showCopyFailure`.
    void itemSelected(const std::shared_ptr<ClipboardItem> &item);
    /// Paste several file or image items at once. Without a receiver they are combined instead.
    void multipleFilesSelected(const QList<std::shared_ptr<ClipboardItem>> &items);

    /// Keep row `row` of `filteredItems` in view, a fifth of the way down, without animation.
    void scrollToRowRequested(int row);
    /// Scroll the new-item card to the top of the list.
    void scrollToCreateCardRequested();
    /// Scroll the combine panel to the top of the list.
    void scrollToCombinePanelRequested();

private:
    void focusLater(PanelFocus::Field field);
    void setShowCombinePanel(bool show);
    void paste(const std::shared_ptr<ClipboardItem> &item);
    void searchTextEdited();

    ModelContext &m_context;
    Pasteboard &m_pasteboard;
    AppActions &m_actions;
    Preferences &m_preferences;
    Clock &m_clock;
    /// Drops tasks that come due after the view is gone.
    Scheduler m_schedule;
    HistoryFilter *m_filter;
    PanelFocus *m_focus;
    CategorySearch *m_categorySearch;
    HistorySelection *m_selection;
    ItemEditor *m_editor;
    ItemEditor *m_newItemEditor;
    PanelKeyRouter *m_keys;
    HistoryCommands *m_commands;
    PanelNotice *m_notice;
    DiskFullNotice *m_diskFullNotice;
    CombinePanel *m_combine = nullptr;
    bool m_isDark = false;
    HistoryPause *m_pause = nullptr;
};
