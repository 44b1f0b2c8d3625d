#include "FakePasteboard.h"
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "services/SoundPlayer.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/ClipboardItemRow.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

struct CountingSound : SoundPlayer {
    int clicks = 0;
    void playNavigationClick() override { ++clicks; }
};

} // namespace

class TestHistoryView : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<TemporaryPreferences> m_settings;
    FakePasteboard m_pasteboard;
    CountingSound m_sound;
    ManualClock m_clock;
    std::unique_ptr<ClipboardHistoryView> m_view;
    QList<std::shared_ptr<ClipboardItem>> m_pasted;

    ModelContext &context() { return m_store->context(); }

    std::shared_ptr<ClipboardItem> add(const QString &content, ClipboardItemType type = ClipboardItemType::text,
        bool pinned = false, std::optional<QUuid> categoryId = {}, std::optional<QString> app = {})
    {
        auto item = ClipboardItem::create(content, type, std::nullopt, app, std::nullopt, pinned);
        item->setCategoryId(categoryId);
        context().insert(item);
        context().save();
        return item;
    }

    std::shared_ptr<ClipCategory> addCategory(const QString &name, int sortOrder = 0)
    {
        auto category = ClipCategory::create(name, "#FF0000", "folder", sortOrder, false);
        context().insert(category);
        context().save();
        return category;
    }

    std::shared_ptr<ClipCategory> categoryNamed(const QString &name)
    {
        const auto all = context().fetch<ClipCategory>();
        return *std::find_if(all.cbegin(), all.cend(), [&](const auto &category) { return category->name() == name; });
    }
    QStringList shown()
    {
        QStringList list;
        for (const auto &item : m_view->filteredItems())
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
    int rowOf(const std::shared_ptr<ClipboardItem> &item) { return int(m_view->filteredItems().indexOf(item)); }

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
                m_view->setSelectedIndex(arg.toInt());
            else if (step.startsWith("select:"))
                m_view->selectRow(arg.toInt(), {});
            else if (step.startsWith("ctrl-select:"))
                m_view->selectRow(arg.toInt(), Qt::ControlModifier);
            else if (step.startsWith("filter:"))
                m_view->setSelectedFilterId(arg.isEmpty() ? QString() : id(categoryNamed(arg)));
            else if (step == "search")
                m_view->openSearch();
            else if (step == "edit")
                m_view->startEditing(id(m_view->filteredItems().at(m_view->selectedIndex())));
            else if (step == "pick")
                m_view->pickCategory(0);
            else if (step.startsWith("text:"))
                m_view->setSearchText(arg);
            else if (step.startsWith("wait:"))
                m_clock.advance(arg.toInt());
            else if (step.startsWith("key:"))
                m_settings->preferences.setCategorySearchKey(arg);
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
            const bool taken = m_view->monitorKeyDown(code, modifiers);
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
        QStringList state{QStringLiteral("row%1").arg(m_view->selectedIndex())};
        QStringList multi;
        for (const auto &item : m_view->multiSelectedItems())
            multi << QString::number(rowOf(item));
        if (m_view->selectedIdsCount())
            state << "multi:" + multi.join(',');
        if (const auto category = m_view->selectedCategory())
            state << category->name();
        if (m_view->isSearchExpanded() || !m_view->searchText().isEmpty())
            state << (m_view->isSearchExpanded() ? "search:" : "text:") + m_view->searchText();
        if (m_view->showCombinePanel())
            state << "combine:" + (m_view->combinePanel() ? QString::number(m_view->combinePanel()->itemCount()) : "-");
        const std::pair<bool, const char *> flags[]
            = {{m_view->isCategorySearching(), "categorySearch"}, {m_view->editingItemId().has_value(), "editing"},
                {m_view->isCreatingNew(), "creating"}, {m_view->isSearchFocused(), "focus:search"},
                {m_view->isCategorySearchFocused(), "focus:category"}, {m_view->isEditFocused(), "focus:edit"}};
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
            context(), m_pasteboard, m_settings->preferences, &m_sound, m_clock.scheduler());
        m_view->onItemSelected = [this](const auto &item) {
            m_pasted.append(item);
            return true;
        };
    }

    void cleanup()
    {
        m_view.reset();
        m_store.reset();
    }

    void categoryFilterMatchesTypeNamesExactly()
    {
        const auto image = addCategory("Image", 0);
        const auto lowerImage = addCategory("image", 1);
        const auto urls = addCategory("URLs", 2);
        const auto work = addCategory("Work", 3);
        add("unassigned.png", ClipboardItemType::image);
        add("work.png", ClipboardItemType::image, false, work->id());
        addIn("text in Image", image);
        add("https://a.example", ClipboardItemType::url);
        addIn("in lower image", lowerImage);

        m_view->setSelectedFilterId(id(image));
        QCOMPARE(shownSet(), QSet<QString>({"unassigned.png", "text in Image"}));
        m_view->setSelectedFilterId(id(lowerImage));
        QCOMPARE(shown(), QStringList{"in lower image"});
        m_view->setSelectedFilterId(id(urls));
        QCOMPARE(shown(), QStringList{});
        QCOMPARE(m_view->searchPlaceholder(), QStringLiteral("in URLs..."));

        // A filter whose category was deleted filters nothing.
        context().remove(urls);
        context().save();
        QCOMPARE(shown().size(), 5);
        QVERIFY(!m_view->selectedCategory());
        QCOMPARE(m_view->searchPlaceholder(), QStringLiteral("Search..."));
    }

    void searchEqualsQtCaseInsensitiveContains()
    {
        // The source app is searched too, and diacritics are kept.
        const auto fixed = {add("make install", ClipboardItemType::text, false, {}, "Terminal"), add("café au lait")};
        m_view->setSearchText("TERM");
        QCOMPARE(shown(), QStringList{"make install"});
        m_view->setSearchText("cafe");
        QCOMPARE(shown(), QStringList{});
        for (const auto &item : fixed)
            context().remove(item);
        // Latin-1 texts are searched as bytes, sixteen at a time, and the others as UTF-16; both must
        // agree with QString::contains.
        const QList<uint> wide = QStringLiteral("aAbBsSßẞſkKKıIİσςΣµμÿŸéÉ 𐐀𐐨").toUcs4();
        const QList<uint> latin1 = QStringLiteral("aAbBsSßÿéÉ k").toUcs4();
        const QList<uint> latin1WithMicro = QStringLiteral("aAbsSµ").toUcs4();
        auto randomText = [](const QList<uint> &alphabet, int length) {
            QString text;
            for (int i = 0; i < length; ++i) {
                const char32_t c = alphabet.at(QRandomGenerator::global()->bounded(int(alphabet.size())));
                text += QString::fromUcs4(&c, 1);
            }
            return text;
        };
        QList<std::shared_ptr<ClipboardItem>> items;
        for (int i = 0; i < 90; ++i) {
            const auto &alphabet = i % 3 == 0 ? wide : i % 3 == 1 ? latin1 : latin1WithMicro;
            items.append(add(randomText(alphabet, 1 + (i * 7) % 60)));
        }
        for (int round = 0; round < 300; ++round) {
            const QString needle = randomText(round % 2 ? wide : latin1, 1 + round % 4);
            m_view->setSearchText(needle);
            QSet<QString> expected;
            for (const auto &item : items) {
                if (item->content().contains(needle, Qt::CaseInsensitive))
                    expected.insert(item->content());
            }
            QVERIFY2(shownSet() == expected, qPrintable(needle));
        }
    }

    void categorySearchOffersNamesContainingTheText()
    {
        addCategory("Work", 0);
        addCategory("Links", 1);
        addCategory("Password", 2);
        m_view->setCategorySearchText("wo");
        const auto matches = m_view->matchingCategories();
        QCOMPARE(matches.size(), 2);
        QVERIFY(matches.at(0)->name() == "Work" && matches.at(1)->name() == "Password");
        m_view->setCategorySearchText("");
        QCOMPARE(m_view->matchingCategoriesModel()->rowCount(), 3);
    }

    void emptyStates()
    {
        QVERIFY(m_view->isFirstLaunch());
        m_view->setSearchText("x");
        QVERIFY(!m_view->isFirstLaunch());
        QCOMPARE(m_view->emptyStateLine(), QStringLiteral("Try a different search term"));
        m_view->setSearchText("");
        QCOMPARE(m_view->emptyStateLine(), QStringLiteral("Copy something to get started"));
    }

    void resetStateKeepsOpenCards()
    {
        const auto work = addCategory("Work");
        const auto a = addIn("a", work);
        addIn("b", work);
        m_view->startEditing(id(a));
        m_view->startCreatingNew();
        m_view->setNewItemText("draft");
        QCOMPARE(run("filter:Work text:a ctrl-select:0 wait:100"), "row0 multi:0 Work text:a editing creating");
        m_view->setSearchFocused(true);
        m_view->resetState();
        QCOMPARE(state(), "row0 editing creating focus:search");
        QCOMPARE(m_view->editingItemId(), a->id());
        QCOMPARE(m_view->newItemText(), QStringLiteral("draft"));
        // The focus steps leave a focused search field alone, and take the focus once it is free.
        m_clock.advance(100);
        QVERIFY(m_view->isSearchFocused());
        m_view->setSearchFocused(false);
        m_clock.advance(500);
        QVERIFY(m_view->isViewFocused());
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
        m_view->onMultipleFilesSelected = [&](const auto &items) { handedOver = items; };
        m_view->selectRow(rowOf(file), Qt::ControlModifier);
        m_view->selectRow(rowOf(image), Qt::ControlModifier);
        QVERIFY(press("Return"));
        QCOMPARE(handedOver.size(), 2);
        QVERIFY(!m_view->showCombinePanel());

        m_view->onItemSelected = nullptr;
        run(QStringLiteral("select:%1 Return").arg(rowOf(text)));
        QCOMPARE(m_pasteboard.string(), QStringLiteral("text"));
    }

    void anItemThatCannotBeWrittenKeepsTheClipboardAndSaysWhy()
    {
        add("https://example.com/edited into words", ClipboardItemType::url);
        m_pasteboard.copyText("kept");
        const qint64 changes = m_pasteboard.changeCount();
        m_view->onItemSelected = [](const auto &) { return false; };
        QVERIFY(press("Return"));
        QCOMPARE(m_view->notice(), QStringLiteral("Can't copy this link: it is not a valid address"));
        m_clock.advance(3000);
        QVERIFY(!m_view->notice().isEmpty());
        m_clock.advance(1000);
        QVERIFY(m_view->notice().isEmpty());

        // Without a delegate the panel writes the clipboard itself, with the same care.
        m_view->onItemSelected = nullptr;
        m_view->clickRow(0, {});
        QCOMPARE(m_pasteboard.changeCount(), changes);
        QCOMPARE(m_pasteboard.string(), QStringLiteral("kept"));
        QVERIFY(!m_view->notice().isEmpty());
        // A second failure shows for its own full time; the next show starts without it.
        m_clock.advance(3000);
        m_view->pasteItem(id(m_view->filteredItems().first()));
        m_clock.advance(3000);
        QVERIFY(!m_view->notice().isEmpty());
        m_view->resetState();
        QVERIFY(m_view->notice().isEmpty());
    }

    void controlClickTogglesThenPastesOrCombines()
    {
        add("a");
        add("b");
        const auto items = m_view->filteredItems();
        m_view->clickRow(0, Qt::ControlModifier);
        QCOMPARE(state(), "row0 multi:0 pasted@0");
        m_view->clickRow(1, Qt::ControlModifier);
        QCOMPARE(state(), "row1 multi:0,1 combine:2 pasted@0");
        m_clock.advance(50);

        // The combined text becomes the newest item and is pasted.
        m_view->pasteCombined("a, b");
        QCOMPARE(m_pasted.last()->content(), QStringLiteral("a, b"));
        QCOMPARE(m_pasteboard.string(), QStringLiteral("a, b"));
        QCOMPARE(context().count<ClipboardItem>(), 3);
        // A plain click clears the multi-selection and pastes.
        m_view->selectRow(0, Qt::ControlModifier);
        m_view->clickRow(1, {});
        QVERIFY(m_view->selectedIds().isEmpty());
        QCOMPARE(m_pasted.size(), 3);
    }

    void scrollingMovesTheSelection()
    {
        addNumbered(4);
        m_view->setSelectedIndex(2);
        m_view->monitorScroll(8, true);
        m_view->monitorScroll(8, true);
        QCOMPARE(m_view->selectedIndex(), 2);
        m_view->monitorScroll(8, true);
        QCOMPARE(m_view->selectedIndex(), 1);
        QCOMPARE(m_view->scrollAccumulator(), 0.0);
        m_view->monitorScroll(-21, true);
        QCOMPARE(m_view->selectedIndex(), 2);
        m_view->monitorScroll(-120, false);
        QCOMPARE(m_view->selectedIndex(), 3);
        m_view->monitorScroll(120, false);
        QCOMPARE(m_view->selectedIndex(), 2);
        m_view->monitorScroll(240, false);
        QCOMPARE(m_view->selectedIndex(), 0);
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
        QCOMPARE(m_view->selectedIndex(), 1);
        QWheelEvent line({}, {}, {}, {0, -120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QVERIFY(QCoreApplication::sendEvent(&window, &line));
        QCOMPARE(m_view->selectedIndex(), 2);
        QWheelEvent precise({}, {}, {0, 12}, {0, 12}, Qt::NoButton, Qt::NoModifier, Qt::ScrollUpdate, false);
        QVERIFY(QCoreApplication::sendEvent(&window, &precise));
        QCOMPARE(m_view->scrollAccumulator(), 12.0);
        // A touchpad on X11 sends small angle steps without pixels: a notch's worth moves one row.
        QWheelEvent step({}, {}, {}, {0, 8}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        for (int i = 0; i < 14; ++i)
            QCoreApplication::sendEvent(&window, &step);
        QCOMPARE(m_view->selectedIndex(), 2);
        QVERIFY(QCoreApplication::sendEvent(&window, &step));
        QCOMPARE(m_view->selectedIndex(), 1);
        // Turning back does not first undo what was gathered the other way.
        QWheelEvent back({}, {}, {}, {0, -8}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        for (int i = 0; i < 7; ++i)
            QCoreApplication::sendEvent(&window, &step);
        for (int i = 0; i < 15; ++i)
            QCoreApplication::sendEvent(&window, &back);
        QCOMPARE(m_view->selectedIndex(), 2);

        m_view->removeMonitors();
        QCoreApplication::sendEvent(&window, &shiftDown);
        m_clock.advance(0);
        QCOMPARE(m_view->selectedIndex(), 2);
    }

    void editingSavesInPlaceAndRecounts()
    {
        const auto item = add("hello");
        add("newer");
        const int row = rowOf(item);
        // Arrows and Return are the editor's while it is open; blank text is not saved.
        QCOMPARE(run(QStringLiteral("row:%1 Ctrl+E wait:100 Down").arg(row)),
            QStringLiteral("10 row%1 editing focus:edit").arg(row));
        QCOMPARE(m_view->editText(), QStringLiteral("hello"));
        m_view->setEditText("   ");
        QCOMPARE(run("m:Return"), QStringLiteral("1 row%1 editing focus:edit").arg(row));
        QCOMPARE(item->content(), QStringLiteral("hello"));

        m_view->setEditText("hello\nworld");
        QVERIFY(run("m:Shift+Return m:Return").startsWith("01 ") && !m_view->editingItemId());
        QCOMPARE(item->content(), QStringLiteral("hello\nworld"));
        QCOMPARE(item->characterCount(), 11);
        QCOMPARE(rowOf(item), row);
        QVERIFY(!context().hasChanges());
    }

    void theEditCardClosesWhenItsItemGoes()
    {
        addNumbered(3);
        const auto edited = m_view->filteredItems().at(1);
        QCOMPARE(run("row:1 Ctrl+E wait:100"), "1 row1 editing focus:edit");
        context().remove(m_view->filteredItems().at(2));
        context().save();
        QVERIFY(m_view->editingItemId());

        // A repeat copy replaces the record: the old one goes, a new one comes.
        context().remove(edited);
        context().insert(ClipboardItem::create(edited->content(), ClipboardItemType::text));
        context().save();
        QCOMPARE(run("wait:100 Down Up a"), "111 row0 search:a focus:search");
        QVERIFY(m_view->editText().isEmpty());
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
        m_view->setNewItemText(typed);
        QCOMPARE(run("m:Return"), "1 row0");
        const auto items = m_view->filteredItems();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->content(), stored);
        QCOMPARE(items.first()->type(), isUrl ? ClipboardItemType::url : ClipboardItemType::text);
        QCOMPARE(items.first()->categoryId(), isUrl ? url->id() : text->id());

        // An empty new item closes the card and stores nothing.
        m_view->startCreatingNew();
        m_view->setNewItemText(" \n");
        m_view->saveNewItem();
        QVERIFY(!m_view->isCreatingNew());
        QCOMPARE(context().count<ClipboardItem>(), 1);
    }

    void pinnedItemsComeFirstInDateOrder()
    {
        addNumbered(10);
        const auto before = m_view->filteredItems();
        m_view->togglePin(id(before.last()));
        QCOMPARE(m_view->filteredItems().first(), before.last());
        m_view->togglePin(id(before.last()));
        QCOMPARE(m_view->filteredItems(), before);
        add("old pinned", ClipboardItemType::text, true);
        add("newer pinned", ClipboardItemType::text, true);
        auto expected = context().fetch<ClipboardItem>(
            {{}, SortDescriptor<ClipboardItem>(&ClipboardItem::createdAt, Qt::DescendingOrder)});
        std::stable_partition(expected.begin(), expected.end(), [](const auto &item) { return item->isPinned(); });
        QCOMPARE(m_view->filteredItems(), expected);

        m_view->clearAllHistory();
        QCOMPARE(shownSet(), QSet<QString>({"old pinned", "newer pinned"}));
        QVERIFY(!context().hasChanges());

        // Unassigning an unassigned-type match keeps it under its type filter.
        const auto image = addCategory("Image");
        const auto picture = add("x.png", ClipboardItemType::image, false, image->id());
        const auto note = addIn("note", image);
        m_view->setSelectedFilterId(id(image));
        m_view->assignCategory(id(picture), {});
        m_view->assignCategory(id(note), {});
        QCOMPARE(m_view->filteredItems(), QList{picture});
    }

    void listModelFollowsWithRowSignals()
    {
        QAbstractItemModelTester tester(
            m_view->filteredItemsModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(m_view->filteredItemsModel(), &QAbstractItemModel::modelAboutToBeReset);
        const auto work = addCategory("Work");
        auto *random = QRandomGenerator::global();
        const QStringList words = {"alpha", "beta", "gamma", "delta", "Alpha beta"};
        for (int step = 0; step < 300; ++step) {
            const auto all = context().fetch<ClipboardItem>();
            const auto pick = [&] { return all.at(random->bounded(int(all.size()))); };
            switch (all.isEmpty() ? 0 : random->bounded(7)) {
            case 0:
            case 1:
                add(words.at(random->bounded(int(words.size()))), ClipboardItemType::text, random->bounded(4) == 0);
                break;
            case 2:
                m_view->deleteItem(id(pick()));
                break;
            case 3:
                m_view->togglePin(id(pick()));
                break;
            case 4:
                m_view->assignCategory(id(pick()), random->bounded(2) ? id(work) : QString());
                break;
            case 5:
                m_view->setSearchText(
                    random->bounded(3) ? QString() : words.at(random->bounded(int(words.size()))).left(3));
                break;
            case 6:
                m_view->setSelectedFilterId(random->bounded(2) ? id(work) : QString());
                break;
            }
            if (random->bounded(3) == 0) {
                m_clock.advance(0);
                QCOMPARE(m_view->filteredItemsModel()->items(), m_view->filteredItems());
            }
        }
        m_clock.advance(0);
        QCOMPARE(m_view->filteredItemsModel()->items(), m_view->filteredItems());
        QCOMPARE(resets.count(), 0);
    }

    void listModelRowsDescribeTheItems()
    {
        const auto red = addCategory("Red");
        const auto image = add("/home/me/Pictures/shot.png", ClipboardItemType::image);
        const auto file = add("file:///home/me/My%20Docs/report%20v2.txt", ClipboardItemType::file, false, red->id());
        m_clock.advance(0);
        auto *model = m_view->filteredItemsModel();
        const auto roles = model->roleNames();
        const auto value = [&](const std::shared_ptr<ClipboardItem> &item, const QByteArray &name) {
            return model->data(model->index(int(model->items().indexOf(item))), roles.key(name));
        };
        QCOMPARE(value(file, "fileName").toString(), QStringLiteral("report v2.txt"));
        QCOMPARE(value(file, "fileFolder").toString(), QStringLiteral("/home/me/My Docs"));
        QCOMPARE(value(file, "label").toString(), QStringLiteral("Red"));
        QCOMPARE(value(file, "colorForType").value<QColor>(), red->color());
        QCOMPARE(value(image, "label").toString(), QStringLiteral("Image"));
        QCOMPARE(value(image, "imageFilePath").toString(), QStringLiteral("/home/me/Pictures"));

        // Renaming the category relabels its rows.
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        red->setName("Crimson");
        m_clock.advance(0);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(value(file, "label").toString(), QStringLiteral("Crimson"));
    }

    void rowTexts()
    {
        const QDateTime now = QDateTime::currentDateTime();
        const auto ago = [&](qint64 seconds) { return ClipboardItemRow::relativeDisplay(now.addSecs(-seconds), now); };
        QCOMPARE(QStringList({ago(59), ago(61), ago(3600), ago(25 * 3600), ago(-600)}),
            QStringList({"now", "1m", "1h", "1d", "now"}));
        QCOMPARE(ago(8 * 86400), QLocale().toString(now.addDays(-8).date(), QLocale::ShortFormat));

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
