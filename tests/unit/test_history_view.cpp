#include "FakePasteboard.h"
#include "ManualClock.h"
#include "SmallTmpfs.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "services/AppActions.h"
#include "services/SoundPlayer.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/ClipboardItemRow.h"
#include "ui/panel/HistoryItemsModel.h"
#include "ui/panel/PanelKeyRouter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

struct CountingSound : SoundPlayer {
    int clicks = 0;
    void playNavigationClick() override { ++clicks; }
    void playCopySound() override { }
};

} // namespace

class TestHistoryView : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<TemporaryPreferences> m_settings;
    FakePasteboard m_pasteboard;
    AppActions m_actions;
    CountingSound m_sound;
    ManualClock m_clock;
    std::unique_ptr<ClipboardHistoryView> m_view;
    QList<std::shared_ptr<ClipboardItem>> m_pasted;
    QMetaObject::Connection m_pasteReceiver;
    bool m_copyFails = false;

    ModelContext &context() { return m_store->context(); }

    std::shared_ptr<ClipboardItem> add(const QString &content, ClipboardItemType type = ClipboardItemType::text,
        bool pinned = false, std::optional<QUuid> categoryId = {}, std::optional<QString> app = {})
    {
        return m_store->add(content, type, pinned, categoryId, app);
    }
    std::shared_ptr<ClipCategory> addCategory(const QString &name, int sortOrder = 0)
    {
        return m_store->addCategory(name, sortOrder);
    }

    std::shared_ptr<ClipCategory> categoryNamed(const QString &name)
    {
        const auto all = context().fetch<ClipCategory>();
        return *std::find_if(all.cbegin(), all.cend(), [&](const auto &category) { return category->name() == name; });
    }
    QStringList shown()
    {
        QStringList list;
        for (const auto &item : m_view->filter()->filteredItems())
            list.append(item->content());
        return list;
    }
    QSet<QString> shownSet()
    {
        const QStringList list = shown();
        return QSet<QString>(list.cbegin(), list.cend());
    }
    std::shared_ptr<ClipboardItem> addIn(const QString &content, const std::shared_ptr<ClipCategory> &category)
    {
        return add(content, ClipboardItemType::text, false, category->id());
    }
    void addNumbered(int count)
    {
        for (int i = 0; i < count; ++i)
            add(QString::number(i));
    }
    QString id(const std::shared_ptr<StoredRecord> &record) { return record->id().toString(); }
    int rowOf(const std::shared_ptr<ClipboardItem> &item)
    {
        return int(m_view->filter()->filteredItems().indexOf(item));
    }

    // Runs space-separated keys ("Down", "Shift+Down", "Ctrl+E", "a"; "m:" goes through the key monitor)
    // and actions ("row:N", "select:N", "ctrl-select:N", "filter:Name", "search", "edit", "pick",
    // "text:T", "wait:MS", "key:tab|slash"). Returns which keys were taken (1) or passed on (0), then
    // the state that keys change.
    QString run(const QString &steps)
    {
        QString taken;
        m_pasted.clear();
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            const QString arg = step.section(':', 1);
            if (step.startsWith("row:"))
                m_view->selection()->setSelectedIndex(arg.toInt());
            else if (step.startsWith("select:"))
                m_view->selection()->selectRow(arg.toInt(), {});
            else if (step.startsWith("ctrl-select:"))
                m_view->selection()->selectRow(arg.toInt(), Qt::ControlModifier);
            else if (step.startsWith("filter:"))
                m_view->filter()->setSelectedFilterId(arg.isEmpty() ? QString() : id(categoryNamed(arg)));
            else if (step == "search")
                m_view->openSearch();
            else if (step == "edit")
                m_view->startEditing(id(m_view->filter()->filteredItems().at(m_view->selection()->selectedIndex())));
            else if (step == "pick")
                m_view->pickCategory(0);
            else if (step.startsWith("text:"))
                m_view->filter()->setSearchText(arg);
            else if (step.startsWith("wait:"))
                m_clock.advance(arg.toInt());
            else if (step.startsWith("key:"))
                m_settings->preferences.setCategorySearchKey(
                    arg == "slash" ? Preferences::CategorySearchKey::slash : Preferences::CategorySearchKey::tab);
            else
                taken += press(step) ? '1' : '0';
        }
        return (taken + ' ' + state()).trimmed();
    }

    bool press(QString key)
    {
        const bool viaMonitor = key.startsWith("m:");
        key.remove(0, viaMonitor ? 2 : 0);
        Qt::KeyboardModifiers modifiers;
        for (const auto &[name, modifier] : {std::pair{QStringLiteral("Ctrl+"), Qt::ControlModifier},
                 {QStringLiteral("Shift+"), Qt::ShiftModifier}, {QStringLiteral("Alt+"), Qt::AltModifier}}) {
            if (key.startsWith(name) && key.size() > name.size()) {
                modifiers |= modifier;
                key.remove(0, name.size());
            }
        }
        static const QHash<QString, int> named = {{"Down", Qt::Key_Down}, {"Up", Qt::Key_Up}, {"Left", Qt::Key_Left},
            {"Right", Qt::Key_Right}, {"Return", Qt::Key_Return}, {"Esc", Qt::Key_Escape}, {"Tab", Qt::Key_Tab},
            {"Backspace", Qt::Key_Backspace}, {"Shift", Qt::Key_Shift}};
        const int code = named.value(key, key.size() == 1 ? key.at(0).toUpper().unicode() : 0);
        if (viaMonitor) {
            const bool taken = m_view->keys()->monitorKeyDown(code, modifiers);
            m_clock.advance(0);
            return taken;
        }
        QString text = key.size() == 1 ? key : code == Qt::Key_Tab ? QStringLiteral("\t") : QString();
        if (modifiers.testFlag(Qt::ControlModifier) && key.size() == 1)
            text = QChar(code - 'A' + 1);
        return m_view->handleKey(code, modifiers, text);
    }

    QString state()
    {
        QStringList state{QStringLiteral("row%1").arg(m_view->selection()->selectedIndex())};
        QStringList multi;
        for (const auto &item : m_view->selection()->multiSelectedItems())
            multi << QString::number(rowOf(item));
        if (m_view->selection()->selectedIdsCount())
            state << "multi:" + multi.join(',');
        if (const auto category = m_view->filter()->selectedCategory())
            state << category->name();
        if (m_view->filter()->isSearchExpanded() || !m_view->filter()->searchText().isEmpty())
            state << (m_view->filter()->isSearchExpanded() ? "search:" : "text:") + m_view->filter()->searchText();
        if (m_view->showCombinePanel())
            state << "combine:" + (m_view->combinePanel() ? QString::number(m_view->combinePanel()->itemCount()) : "-");
        const std::pair<bool, const char *> flags[] = {{m_view->categorySearch()->isSearching(), "categorySearch"},
            {m_view->editingItemId().has_value(), "editing"}, {m_view->isCreatingNew(), "creating"},
            {m_view->focus()->isSearchFocused(), "focus:search"},
            {m_view->focus()->isCategorySearchFocused(), "focus:category"},
            {m_view->focus()->isEditFocused(), "focus:edit"}};
        for (const auto &[on, name] : flags) {
            if (on)
                state << name;
        }
        for (const auto &item : m_pasted)
            state << QStringLiteral("pasted@%1").arg(rowOf(item));
        return state.join(' ');
    }

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        m_store->open();
        m_settings = std::make_unique<TemporaryPreferences>();
        m_sound.clicks = 0;
        m_pasted.clear();
        m_clock = {};
        m_view = std::make_unique<ClipboardHistoryView>(
            context(), m_pasteboard, m_settings->preferences, m_actions, &m_sound, m_clock);
        m_copyFails = false;
        m_pasteReceiver = connect(m_view.get(), &ClipboardHistoryView::itemSelected, this, [this](const auto &item) {
            m_pasted.append(item);
            if (m_copyFails)
                m_view->showCopyFailure(*item);
        });
    }

    void cleanup()
    {
        m_view.reset();
        m_store.reset();
    }

    void theRowsFollowTheSettingsAtOnce()
    {
        add("copied", ClipboardItemType::text, false, std::nullopt, QStringLiteral("Terminal"));
        m_clock.advance(100);
        HistoryItemsModel *rows = m_view->filter()->filteredItemsModel();
        const auto appName
            = [rows] { return rows->data(rows->index(0), HistoryItemsModel::SourceAppNameRole).toString(); };
        QCOMPARE(appName(), QStringLiteral("Terminal"));
        QSignalSpy rowChanges(rows, &QAbstractItemModel::dataChanged);
        m_settings->preferences.setShowSourceApp(false);
        QCOMPARE(appName(), QString());
        QCOMPARE(rowChanges.size(), 1);
        m_settings->preferences.setShowSourceApp(true);
        QCOMPARE(appName(), QStringLiteral("Terminal"));

        QSignalSpy glow(m_view.get(), &ClipboardHistoryView::borderColorChanged);
        m_settings->preferences.setBorderColorHex(QStringLiteral("#007AFF"));
        QCOMPARE(glow.size(), 1);
        QCOMPARE(m_view->borderColor().name(), QStringLiteral("#007aff"));
    }

    void aViewOpenedWithTheSourceHiddenHidesIt()
    {
        m_settings->preferences.setShowSourceApp(false);
        m_view = std::make_unique<ClipboardHistoryView>(
            context(), m_pasteboard, m_settings->preferences, m_actions, &m_sound, m_clock);
        add("copied", ClipboardItemType::text, false, std::nullopt, QStringLiteral("Terminal"));
        m_clock.advance(100);
        HistoryItemsModel *rows = m_view->filter()->filteredItemsModel();
        QCOMPARE(rows->data(rows->index(0), HistoryItemsModel::SourceAppNameRole).toString(), QString());
    }

    void theChipsAndTheMenuAct()
    {
        // The chip of the filtering category clears the filter; another chip sets it.
        const auto work = addCategory("Work");
        const auto home = addCategory("Home", 1);
        addIn("a", work);
        addIn("b", home);
        const QString workId = work->id().toString(QUuid::WithoutBraces);
        const std::pair<QString, QSet<QString>> clicks[] = {
            {workId, {"a"}},
            {home->id().toString(QUuid::WithoutBraces), {"b"}},
            {workId, {"a"}},
            {workId, {"b", "a"}},
            {"not an id", {"b", "a"}},
        };
        for (const auto &[chip, listed] : clicks) {
            m_view->filter()->clickCategoryChip(chip);
            m_clock.advance(1000);
            QCOMPARE(shownSet(), listed);
        }

        // "Settings..." asks whoever opens the settings.
        QObject observer;
        int opened = 0;
        connect(&m_actions, &AppActions::openSettingsRequested, &observer, [&] { ++opened; });
        m_view->openSettings();
        QCOMPARE(opened, 1);
    }

    void resetStateKeepsOpenCards()
    {
        const auto work = addCategory("Work");
        const auto a = addIn("a", work);
        addIn("b", work);
        m_view->startEditing(id(a));
        m_view->startCreatingNew();
        m_view->newItemEditor()->setText("draft");
        QCOMPARE(run("filter:Work text:a ctrl-select:0 wait:100"), "row0 multi:0 Work text:a editing creating");
        m_view->focus()->setSearchFocused(true);
        m_view->resetState();
        QCOMPARE(state(), "row0 editing creating focus:search");
        QCOMPARE(m_view->editingItemId(), a->id());
        QCOMPARE(m_view->newItemEditor()->text(), QStringLiteral("draft"));
        // The focus steps leave a focused search field alone, and take the focus once it is free.
        m_clock.advance(100);
        QVERIFY(m_view->focus()->isSearchFocused());
        m_view->focus()->setSearchFocused(false);
        m_clock.advance(500);
        QVERIFY(m_view->focus()->isViewFocused());
    }

    void keySequences_data()
    {
        // Each row: steps, then the expected result, alternating, on six text items and three categories.
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("arrows stop at the ends") << QStringList{"row:5 Down Up", "11 row4", "row:0 Up", "1 row0"};
        QTest::newRow("left and right cycle through the categories") << QStringList{"Right", "1 row0 Work", "Right",
            "1 row0 Home", "Right", "1 row0 Misc", "Right", "1 row0", "Right", "1 row0 Work", "filter: Left",
            "1 row0 Misc", "Left Left Left", "111 row0", "search Left", "0 row0 search:"};
        QTest::newRow("return picks the highlighted category and searches in it")
            << QStringList{"Tab", "1 row0 categorySearch", "Return wait:100", "1 row0 Work search: focus:search"};
        QTest::newRow("return pastes the selected item, or nothing out of range")
            << QStringList{"select:2 Return", "1 row2 pasted@2", "row:7 Return", "1 row7"};
        QTest::newRow("escape undoes one thing at a time")
            << QStringList{"filter:Work ctrl-select:0 Esc", "1 row0 Work", "Esc Esc", "10 row0",
                   // the search field closes before the filter is cleared
                   "filter:Work search Esc", "1 row0 Work",
                   // the edit card takes Escape through the key monitor, not the panel
                   "edit Esc m:Esc", "01 row0 Work"};
        QTest::newRow("shift arrows extend the selection, which is one item at either end")
            << QStringList{"m:Shift+Down m:Shift+Down m:Shift+Down", "111 row3 multi:0,1,2,3", "select:5 m:Shift+Down",
                   "1 row5 multi:5", "select:0 m:Shift+Up", "1 row0 multi:0"};
        QTest::newRow("text items combine, and the combine panel holds the arrows until escape")
            << QStringList{"m:Shift+Down m:Shift+Down m:Shift+Down Return Down m:Shift+Down",
                   "111100 row3 multi:0,1,2,3 combine:4", "Esc", "1 row3 multi:0,1,2,3"};
        QTest::newRow("typing opens the search, then belongs to the field")
            << QStringList{"Ctrl+A Shift Down + Alt+A", "00100 row1", "a", "1 row0 search:a focus:search",
                   // nothing later replaces the field's own typing
                   "text:al wait:500 l Left", "00 row0 search:al focus:search",
                   // deleting the last character closes the field
                   "text:", "row0"};
        QTest::newRow("the category search key can be slash, and tab is then typing")
            << QStringList{"key:slash Tab /", "01 row0 categorySearch", "wait:100",
                   "row0 categorySearch focus:category", "Esc", "1 row0", "key:tab /", "1 row0 search:/ focus:search"};
        QTest::newRow("the edit and new-item editors type tabs")
            << QStringList{"edit wait:100 Tab", "0 row0 editing focus:edit", "m:Esc Ctrl+N wait:100 Tab",
                   "110 row0 creating", "m:Esc wait:100 Tab", "11 row0 categorySearch"};
        QTest::newRow("backspace in the empty search of a picked category goes back to choosing") << QStringList{
            "Tab pick wait:100", "1 row0 Work search: focus:search", "m:Backspace", "1 row0 categorySearch", "wait:100",
            "row0 categorySearch focus:category", "pick text:x m:Backspace", "0 row0 Work search:x"};
    }

    void keySequences()
    {
        QFETCH(QStringList, steps);
        const auto work = addCategory("Work", 0);
        addCategory("Home", 1);
        addCategory("Misc", 2);
        addNumbered(4);
        addIn("4", work);
        addIn("5", work);
        for (int i = 0; i + 1 < steps.size(); i += 2)
            QCOMPARE(run(steps.at(i)), steps.at(i + 1));
    }

    void arrowsClickAndScrollTheList()
    {
        addNumbered(3);
        m_clock.advance(0);
        QSignalSpy scrolled(m_view.get(), &ClipboardHistoryView::scrollToRowRequested);
        QCOMPARE(run("row:2 Down Up"), "11 row1");
        QCOMPARE(m_sound.clicks, 1);
        QCOMPARE(scrolled.count(), 2);
        QCOMPARE(scrolled.last().at(0).toInt(), 1);
        m_settings->preferences.setPlaySoundOnNavigate(false);
        run("Up");
        QCOMPARE(m_sound.clicks, 1);
    }

    void returnHandsSeveralFilesOverAndFallsBackToTheClipboard()
    {
        const auto file = add("file:///tmp/a", ClipboardItemType::file);
        const auto image = add("b.png", ClipboardItemType::image);
        const auto text = add("text");
        QList<std::shared_ptr<ClipboardItem>> handedOver;
        connect(m_view.get(), &ClipboardHistoryView::multipleFilesSelected, this,
            [&](const auto &items) { handedOver = items; });
        m_view->selection()->selectRow(rowOf(file), Qt::ControlModifier);
        m_view->selection()->selectRow(rowOf(image), Qt::ControlModifier);
        QVERIFY(press("Return"));
        QCOMPARE(handedOver.size(), 2);
        QVERIFY(!m_view->showCombinePanel());

        disconnect(m_pasteReceiver);
        run(QStringLiteral("select:%1 Return").arg(rowOf(text)));
        QCOMPARE(m_pasteboard.string(), QStringLiteral("text"));
    }

    void anItemThatCannotBeWrittenKeepsTheClipboardAndSaysWhy()
    {
        add("https://example.com/edited into words", ClipboardItemType::url);
        m_pasteboard.copyText("kept");
        const qint64 changes = m_pasteboard.changeCount();
        m_copyFails = true;
        QVERIFY(press("Return"));
        QCOMPARE(m_view->notice()->text(), QStringLiteral("Can't copy this link: it is not a valid address"));
        m_clock.advance(3000);
        QVERIFY(!m_view->notice()->text().isEmpty());
        m_clock.advance(1000);
        QVERIFY(m_view->notice()->text().isEmpty());

        // Without a delegate the panel writes the clipboard itself, with the same care.
        disconnect(m_pasteReceiver);
        m_view->clickRow(0, {});
        QCOMPARE(m_pasteboard.changeCount(), changes);
        QCOMPARE(m_pasteboard.string(), QStringLiteral("kept"));
        QVERIFY(!m_view->notice()->text().isEmpty());
        // A second failure shows for its own full time; the next show starts without it.
        m_clock.advance(3000);
        m_view->pasteItem(id(m_view->filter()->filteredItems().first()));
        m_clock.advance(3000);
        QVERIFY(!m_view->notice()->text().isEmpty());
        m_view->resetState();
        QVERIFY(m_view->notice()->text().isEmpty());
    }

    void aFullDiskIsSaidUntilASaveIsWritten()
    {
        SmallTmpfs tmpfs;
        if (!tmpfs.isMounted())
            QSKIP(qPrintable(tmpfs.problem()));
        m_view.reset();
        m_store = std::make_unique<TemporaryStore>(m_clock, tmpfs.path());
        m_store->open();
        m_view = std::make_unique<ClipboardHistoryView>(
            context(), m_pasteboard, m_settings->preferences, m_actions, &m_sound, m_clock);
        const DiskFullNotice &notice = *m_view->diskFullNotice();
        add("saved");
        QVERIFY(context().waitForSaves());
        QVERIFY(!notice.isShown());

        QVERIFY(tmpfs.fill());
        add("copied while full");
        QVERIFY(!context().waitForSaves());
        QVERIFY(notice.isShown());
        QCOMPARE(notice.title(), QStringLiteral("Your history is not being saved: the disk is full"));
        QCOMPARE(notice.detail(), QStringLiteral("1 change is waiting and will be saved once space is freed."));
        add("copied while full, too");
        QCOMPARE(notice.detail(), QStringLiteral("2 changes are waiting and will be saved once space is freed."));
        QVERIFY(!context().waitForSaves());
        // Long after a notice line would have gone, and through refused retries, it stays.
        m_clock.advance(20000);
        context().waitForSaves();
        QVERIFY(notice.isShown());
        QCOMPARE(notice.detail(), QStringLiteral("2 changes are waiting and will be saved once space is freed."));

        tmpfs.free();
        m_clock.advance(30000);
        QVERIFY(context().waitForSaves());
        QVERIFY(!notice.isShown());
        QVERIFY(notice.detail().isEmpty());
        m_view.reset();
        m_store.reset();
    }

    void controlClickTogglesThenPastesOrCombines()
    {
        add("a");
        add("b");
        const auto items = m_view->filter()->filteredItems();
        m_view->clickRow(0, Qt::ControlModifier);
        QCOMPARE(state(), "row0 multi:0 pasted@0");
        m_view->clickRow(1, Qt::ControlModifier);
        QCOMPARE(state(), "row1 multi:0,1 combine:2 pasted@0");
        m_clock.advance(50);

        // The panel's combined text becomes the newest item and is pasted, and the panel closes.
        const QString combined = m_view->combinePanel()->preview();
        QVERIFY(combined.contains('a') && combined.contains('b'));
        m_view->combinePanel()->paste();
        QVERIFY(!m_view->showCombinePanel());
        QCOMPARE(m_pasted.last()->content(), combined);
        QCOMPARE(m_pasteboard.string(), combined);
        QCOMPARE(context().count<ClipboardItem>(), 3);
        // A plain click clears the multi-selection and pastes.
        m_view->selection()->selectRow(0, Qt::ControlModifier);
        m_view->clickRow(1, {});
        QVERIFY(m_view->selection()->selectedIds().isEmpty());
        QCOMPARE(m_pasted.size(), 3);
    }

    void scrollingMovesTheSelection()
    {
        addNumbered(4);
        m_view->selection()->setSelectedIndex(2);
        m_view->keys()->monitorScroll(8, true);
        m_view->keys()->monitorScroll(8, true);
        QCOMPARE(m_view->selection()->selectedIndex(), 2);
        m_view->keys()->monitorScroll(8, true);
        QCOMPARE(m_view->selection()->selectedIndex(), 1);
        QCOMPARE(m_view->keys()->scrollAccumulator(), 0.0);
        m_view->keys()->monitorScroll(-21, true);
        QCOMPARE(m_view->selection()->selectedIndex(), 2);
        m_view->keys()->monitorScroll(-120, false);
        QCOMPARE(m_view->selection()->selectedIndex(), 3);
        m_view->keys()->monitorScroll(120, false);
        QCOMPARE(m_view->selection()->selectedIndex(), 2);
        m_view->keys()->monitorScroll(240, false);
        QCOMPARE(m_view->selection()->selectedIndex(), 0);
        QCOMPARE(m_sound.clicks, 0);
    }

    void monitorsWatchWindowsOnly()
    {
        addNumbered(3);
        QWindow window;
        QObject item;
        m_view->setupMonitors();
        QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
        // Qt Quick hands the window's key event on to its items; only the window's copy counts.
        QVERIFY(!QCoreApplication::sendEvent(&item, &shiftDown));
        QVERIFY(QCoreApplication::sendEvent(&window, &shiftDown));
        m_clock.advance(0);
        QCOMPARE(m_view->selection()->selectedIndex(), 1);
        QWheelEvent line({}, {}, {}, {0, -120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QVERIFY(QCoreApplication::sendEvent(&window, &line));
        QCOMPARE(m_view->selection()->selectedIndex(), 2);
        QWheelEvent precise({}, {}, {0, 12}, {0, 12}, Qt::NoButton, Qt::NoModifier, Qt::ScrollUpdate, false);
        QVERIFY(QCoreApplication::sendEvent(&window, &precise));
        QCOMPARE(m_view->keys()->scrollAccumulator(), 12.0);
        // A touchpad on X11 sends small angle steps without pixels: a notch's worth moves one row.
        QWheelEvent step({}, {}, {}, {0, 8}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        for (int i = 0; i < 14; ++i)
            QCoreApplication::sendEvent(&window, &step);
        QCOMPARE(m_view->selection()->selectedIndex(), 2);
        QVERIFY(QCoreApplication::sendEvent(&window, &step));
        QCOMPARE(m_view->selection()->selectedIndex(), 1);
        // Turning back does not first undo what was gathered the other way.
        QWheelEvent back({}, {}, {}, {0, -8}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        for (int i = 0; i < 7; ++i)
            QCoreApplication::sendEvent(&window, &step);
        for (int i = 0; i < 15; ++i)
            QCoreApplication::sendEvent(&window, &back);
        QCOMPARE(m_view->selection()->selectedIndex(), 2);

        m_view->removeMonitors();
        QCoreApplication::sendEvent(&window, &shiftDown);
        m_clock.advance(0);
        QCOMPARE(m_view->selection()->selectedIndex(), 2);
    }

    void editingSavesInPlaceAndRecounts()
    {
        const auto item = add("hello");
        add("newer");
        const int row = rowOf(item);
        // Arrows and Return are the editor's while it is open; blank text is not saved.
        QCOMPARE(run(QStringLiteral("row:%1 Ctrl+E wait:100 Down").arg(row)),
            QStringLiteral("10 row%1 editing focus:edit").arg(row));
        QCOMPARE(m_view->editor()->text(), QStringLiteral("hello"));
        m_view->editor()->setText("   ");
        QCOMPARE(run("m:Return"), QStringLiteral("1 row%1 editing focus:edit").arg(row));
        QCOMPARE(item->content(), QStringLiteral("hello"));

        m_view->editor()->setText("hello\nworld");
        QVERIFY(run("m:Shift+Return m:Return").startsWith("01 ") && !m_view->editingItemId());
        QCOMPARE(item->content(), QStringLiteral("hello\nworld"));
        QCOMPARE(item->characterCount(), 11);
        QCOMPARE(rowOf(item), row);
        QVERIFY(!context().hasChanges());
    }

    void theEditCardClosesWhenItsItemGoes()
    {
        addNumbered(3);
        const auto edited = m_view->filter()->filteredItems().at(1);
        QCOMPARE(run("row:1 Ctrl+E wait:100"), "1 row1 editing focus:edit");
        context().remove(m_view->filter()->filteredItems().at(2));
        context().save();
        QVERIFY(m_view->editingItemId());

        // A repeat copy replaces the record: the old one goes, a new one comes.
        context().remove(edited);
        context().insert(ClipboardItem::create(edited->content(), ClipboardItemType::text));
        context().save();
        QCOMPARE(run("wait:100 Down Up a"), "111 row0 search:a focus:search");
        QVERIFY(m_view->editor()->text().isEmpty());

        // Escape closes a card and gives the list its keys back once the card is gone.
        m_view->closeSearch();
        QCOMPARE(run("row:0 edit wait:100"), "row0 editing focus:edit");
        QVERIFY(!m_view->focus()->isViewFocused());
        QCOMPARE(run("m:Esc wait:100"), "1 row0");
        QVERIFY(m_view->focus()->isViewFocused());
    }

    void newItemsAreTypedAndFiled_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("isUrl");
        QTest::newRow("url") << "  https://example.com/path \n"
                             << "https://example.com/path" << true;
        QTest::newRow("host only") << "example.com"
                                   << "example.com" << false;
    }

    void newItemsAreTypedAndFiled()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, isUrl);
        const auto text = addCategory("Text", 0);
        const auto url = addCategory("URL", 1);
        QSignalSpy scrolled(m_view.get(), &ClipboardHistoryView::scrollToCreateCardRequested);
        QVERIFY(press("Ctrl+N"));
        QCOMPARE(scrolled.count(), 1);
        m_view->newItemEditor()->setText(typed);
        QCOMPARE(run("m:Return"), "1 row0");
        const auto items = m_view->filter()->filteredItems();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->content(), stored);
        QCOMPARE(items.first()->type(), isUrl ? ClipboardItemType::url : ClipboardItemType::text);
        QCOMPARE(items.first()->categoryId(), isUrl ? url->id() : text->id());

        // An empty new item closes the card and stores nothing.
        m_view->startCreatingNew();
        m_view->newItemEditor()->setText(" \n");
        m_view->saveNewItem();
        QVERIFY(!m_view->isCreatingNew());
        QCOMPARE(context().count<ClipboardItem>(), 1);
    }

    void itemCommandsWriteTheStore()
    {
        addNumbered(3);
        const auto before = m_view->filter()->filteredItems();
        m_view->commands()->togglePin(id(before.last()));
        QVERIFY(before.last()->isPinned());
        QVERIFY(!context().hasChanges());
        m_view->commands()->togglePin(id(before.last()));
        QVERIFY(!before.last()->isPinned());
        add("pinned", ClipboardItemType::text, true);

        m_view->commands()->clearAllHistory();
        QCOMPARE(shown(), QStringList{"pinned"});
        QVERIFY(!context().hasChanges());

        const auto work = addCategory("Work");
        const auto note = addIn("note", work);
        m_view->commands()->assignCategory(id(note), {});
        QVERIFY(!note->categoryId());
        m_view->commands()->assignCategory(id(note), id(work));
        QCOMPARE(note->categoryId(), work->id());
        m_view->commands()->deleteItem(id(note));
        QCOMPARE(context().count<ClipboardItem>(), 1);
        QVERIFY(!context().hasChanges());
    }

    void rowTexts()
    {
        const QDateTime now = QDateTime::currentDateTime();
        const auto ago = [&](qint64 seconds) { return ClipboardItemRow::relativeDisplay(now.addSecs(-seconds), now); };
        QCOMPARE(QStringList({ago(59), ago(61), ago(3600), ago(25 * 3600), ago(-600)}),
            QStringList({"now", "1m", "1h", "1d", "now"}));
        QCOMPARE(ago(8 * 86400), QLocale().toString(now.addDays(-8).date(), QLocale::ShortFormat));

        // A row's age counts to the panel's clock, and moves on when the panel is shown again.
        context().insert(ClipboardItem::create(
            "aged", ClipboardItemType::text, {}, {}, {}, false, std::nullopt, m_clock.now().addSecs(-7200)));
        context().save();
        m_clock.advance(0);
        const auto age = [&] {
            const auto *model = m_view->filter()->filteredItemsModel();
            return model->data(model->index(0), HistoryItemsModel::RelativeTimeRole).toString();
        };
        QCOMPARE(age(), QStringLiteral("2h"));
        m_clock.advance(3600 * 1000);
        m_view->resetState();
        QCOMPARE(age(), QStringLiteral("3h"));

        QCOMPARE(ClipboardItemRow::imageFilePath("Pasted image", 5000), QStringLiteral("4 KB"));
        QCOMPARE(ClipboardItemRow::imageFilePath("Pasted image", std::nullopt), QString());
        QCOMPARE(ClipboardItemRow::imageFilePath("/shot.png", 5000), QStringLiteral("/"));
        QCOMPARE(ClipboardItemRow::imageFileName("/tmp/dir/"), QStringLiteral("dir"));
        // A broken escape is shown as it stands.
        QCOMPARE(ClipboardItem::filePath("file:///tmp/%FF%FE.txt"), QStringLiteral("/tmp/%FF%FE.txt"));
    }
};

QTEST_MAIN(TestHistoryView)
#include "test_history_view.moc"
