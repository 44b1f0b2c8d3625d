#include "FakePasteboard.h"
#include "ManualClock.h"
#include "TemporaryStore.h"
#include "platform/SoundPlayer.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/ClipboardItemRow.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSettings>
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
    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QSettings> m_settings;
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

    QStringList contents(const QList<std::shared_ptr<ClipboardItem>> &items)
    {
        QStringList list;
        for (const auto &item : items)
            list.append(item->content());
        return list;
    }
    QStringList shown() { return contents(m_view->filteredItems()); }
    QSet<QString> shownSet()
    {
        const QStringList list = shown();
        return QSet<QString>(list.cbegin(), list.cend());
    }

    bool key(int key, Qt::KeyboardModifiers modifiers = {}, const QString &text = {})
    {
        return m_view->handleKey(key, modifiers, text);
    }
    bool monitor(int key, Qt::KeyboardModifiers modifiers = {})
    {
        const bool consumed = m_view->monitorKeyDown(key, modifiers);
        m_clock.advance(0);
        return consumed;
    }
    QString id(const std::shared_ptr<StoredRecord> &record) { return record->id().toString(); }

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        m_store->open();
        m_settingsDir = std::make_unique<QTemporaryDir>();
        m_settings = std::make_unique<QSettings>(m_settingsDir->filePath("Quillbox.conf"), QSettings::IniFormat);
        m_sound.clicks = 0;
        m_pasted.clear();
        m_clock = {};
        m_view = std::make_unique<ClipboardHistoryView>(
            context(), m_pasteboard, *m_settings, &m_sound, m_clock.scheduler());
        m_view->onItemSelected = [this](const auto &item) { m_pasted.append(item); };
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
        add("text in Image", ClipboardItemType::text, false, image->id());
        add("https://a.example", ClipboardItemType::url);
        add("in lower image", ClipboardItemType::text, false, lowerImage->id());

        m_view->setSelectedFilterId(image->id().toString());
        QCOMPARE(shownSet(), QSet<QString>({"unassigned.png", "text in Image"}));
        m_view->setSelectedFilterId(lowerImage->id().toString());
        QCOMPARE(shown(), QStringList{"in lower image"});
        m_view->setSelectedFilterId(urls->id().toString());
        QCOMPARE(shown(), QStringList{});
        QCOMPARE(m_view->searchPlaceholder(), QStringLiteral("in URLs..."));

        // A filter whose category was deleted filters nothing.
        context().remove(urls);
        context().save();
        QCOMPARE(shown().size(), 5);
        QVERIFY(!m_view->selectedCategory());
        QCOMPARE(m_view->searchPlaceholder(), QStringLiteral("Search..."));
    }

    void searchFindsContentOrSourceAppCaseInsensitively()
    {
        add("git status");
        add("make install", ClipboardItemType::text, false, {}, QStringLiteral("Terminal"));
        add("nospace");
        add("café au lait");
        m_view->setSearchText("GIT");
        QCOMPARE(shown(), QStringList{"git status"});
        m_view->setSearchText("TERM");
        QCOMPARE(shown(), QStringList{"make install"});
        m_view->setSearchText(" ");
        QCOMPARE(shown().size(), 3);
        QVERIFY(!shown().contains("nospace"));
        m_view->setSearchText(" git");
        QCOMPARE(shown(), QStringList{});
        m_view->setSearchText("cafe"); // diacritics are kept
        QCOMPARE(shown(), QStringList{});
        m_view->setSearchText("CAFÉ");
        QCOMPARE(shown(), QStringList{"café au lait"});
    }

    void searchEqualsQtCaseInsensitiveContains()
    {
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

    void pinnedItemsComeFirstInDateOrder()
    {
        add("old pinned", ClipboardItemType::text, true);
        add("a");
        add("newer pinned", ClipboardItemType::text, true);
        add("b");
        QList<std::shared_ptr<ClipboardItem>> all = context().fetch<ClipboardItem>(
            {{}, SortDescriptor<ClipboardItem>(&ClipboardItem::createdAt, Qt::DescendingOrder)});
        QList<std::shared_ptr<ClipboardItem>> expected;
        std::copy_if(all.cbegin(), all.cend(), std::back_inserter(expected), [](auto &i) { return i->isPinned(); });
        std::copy_if(all.cbegin(), all.cend(), std::back_inserter(expected), [](auto &i) { return !i->isPinned(); });
        QCOMPARE(m_view->filteredItems(), expected);
        QVERIFY(m_view->filteredItems().at(0)->isPinned() && m_view->filteredItems().at(1)->isPinned());
    }

    void categorySearchOffersNamesContainingTheText()
    {
        addCategory("Work", 0);
        addCategory("Links", 1);
        addCategory("Password", 2);
        m_view->setCategorySearchText("wo");
        QCOMPARE(m_view->matchingCategories().size(), 2);
        QCOMPARE(m_view->matchingCategories().at(0)->name(), QStringLiteral("Work"));
        QCOMPARE(m_view->matchingCategories().at(1)->name(), QStringLiteral("Password"));
        QCOMPARE(m_view->matchingCategoriesModel()->rowCount(), 2);
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
        add("something");
        QVERIFY(!m_view->isFirstLaunch());
    }

    void resetStateKeepsOpenCards()
    {
        const auto work = addCategory("Work");
        const auto a = add("a", ClipboardItemType::text, false, work->id());
        add("b", ClipboardItemType::text, false, work->id());
        m_view->setSelectedFilterId(work->id().toString());
        m_view->setSearchText("a");
        m_view->startEditing(id(a));
        m_view->startCreatingNew();
        m_view->setNewItemText("draft");
        m_view->selectRow(0, Qt::ControlModifier);
        m_clock.advance(100);
        m_view->setSearchFocused(true);

        m_view->resetState();
        QCOMPARE(m_view->searchText(), QString());
        QVERIFY(!m_view->selectedFilterId());
        QVERIFY(m_view->selectedIds().isEmpty());
        QCOMPARE(m_view->selectedIndex(), 0);
        QCOMPARE(m_view->editingItemId(), a->id());
        QVERIFY(m_view->isCreatingNew());
        QCOMPARE(m_view->newItemText(), QStringLiteral("draft"));

        // The focus steps leave a focused search field alone, and take the focus once it is free.
        m_clock.advance(100);
        QVERIFY(m_view->isSearchFocused());
        m_view->setSearchFocused(false);
        m_clock.advance(500);
        QVERIFY(m_view->isViewFocused());
    }

    void arrowsMoveTheSelectionWithAClick()
    {
        add("1");
        add("2");
        add("3");
        m_clock.advance(0);
        QSignalSpy scrolled(m_view.get(), &ClipboardHistoryView::scrollToRowRequested);
        m_view->setSelectedIndex(2);
        QVERIFY(key(Qt::Key_Down));
        QCOMPARE(m_view->selectedIndex(), 2);
        QCOMPARE(m_sound.clicks, 0);
        QVERIFY(key(Qt::Key_Up));
        QCOMPARE(m_view->selectedIndex(), 1);
        QCOMPARE(m_sound.clicks, 1);
        QCOMPARE(scrolled.count(), 2);
        QCOMPARE(scrolled.last().at(0).toInt(), 1);
        m_settings->setValue("playSoundOnNavigate", false);
        QVERIFY(key(Qt::Key_Up));
        QCOMPARE(m_sound.clicks, 1);
    }

    void leftAndRightCycleThroughCategories()
    {
        const auto a = addCategory("A", 0);
        const auto b = addCategory("B", 1);
        const auto c = addCategory("C", 2);
        const QList<std::optional<QUuid>> rightCycle = {a->id(), b->id(), c->id(), std::nullopt, a->id()};
        for (const auto &expected : rightCycle) {
            QVERIFY(key(Qt::Key_Right));
            QCOMPARE(m_view->selectedFilterId(), expected);
        }
        m_view->setSelectedFilterId({});
        const QList<std::optional<QUuid>> leftCycle = {c->id(), b->id(), a->id(), std::nullopt};
        for (const auto &expected : leftCycle) {
            QVERIFY(key(Qt::Key_Left));
            QCOMPARE(m_view->selectedFilterId(), expected);
        }
        // The search field keeps Left and Right for its cursor.
        m_view->openSearch();
        QVERIFY(!key(Qt::Key_Left));
    }

    void returnTakesTheFirstMeaningThatApplies()
    {
        const auto work = addCategory("Work", 0);
        const auto file1 = add("file:///tmp/a", ClipboardItemType::file);
        const auto image = add("b.png", ClipboardItemType::image);
        const auto text = add("text");
        QList<std::shared_ptr<ClipboardItem>> handedOver;
        m_view->onMultipleFilesSelected = [&](const auto &items) { handedOver = items; };

        // Category search: pick the highlighted category and search within it.
        QVERIFY(key(Qt::Key_Tab));
        QVERIFY(m_view->isCategorySearching());
        QVERIFY(key(Qt::Key_Return));
        QCOMPARE(m_view->selectedFilterId(), work->id());
        QVERIFY(m_view->isSearchExpanded() && !m_view->isCategorySearching());
        m_clock.advance(100);
        QVERIFY(m_view->isSearchFocused());
        m_view->closeSearch();

        // Several files or images go to the multi-file callback.
        const int fileRow = int(m_view->filteredItems().indexOf(file1));
        const int imageRow = int(m_view->filteredItems().indexOf(image));
        m_view->selectRow(fileRow, Qt::ControlModifier);
        m_view->selectRow(imageRow, Qt::ControlModifier);
        QVERIFY(key(Qt::Key_Return));
        QCOMPARE(handedOver.size(), 2);
        QVERIFY(!m_view->showCombinePanel());

        // Plain: the selected item is pasted; without a callback it goes on the clipboard.
        m_view->selectRow(int(m_view->filteredItems().indexOf(text)), {});
        QVERIFY(key(Qt::Key_Return));
        QCOMPARE(m_pasted, QList{text});
        m_view->onItemSelected = nullptr;
        QVERIFY(key(Qt::Key_Return));
        QCOMPARE(m_pasteboard.string(), QStringLiteral("text"));

        // Out of range: nothing happens, but the key is handled.
        m_view->setSelectedIndex(7);
        QVERIFY(key(Qt::Key_Return));
    }

    void escapeUndoesOneThingAtATime()
    {
        const auto work = addCategory("Work");
        add("a", ClipboardItemType::text, false, work->id());
        add("b", ClipboardItemType::text, false, work->id());
        m_view->setSelectedFilterId(work->id().toString());
        m_view->selectRow(0, Qt::ControlModifier);
        QVERIFY(key(Qt::Key_Escape));
        QVERIFY(m_view->selectedIds().isEmpty());
        QCOMPARE(m_view->selectedFilterId(), work->id());
        QVERIFY(key(Qt::Key_Escape));
        QVERIFY(!m_view->selectedFilterId());
        QVERIFY(!key(Qt::Key_Escape));

        // The search field closes before the filter is cleared.
        m_view->setSelectedFilterId(work->id().toString());
        m_view->openSearch();
        QVERIFY(key(Qt::Key_Escape));
        QVERIFY(!m_view->isSearchExpanded());
        QCOMPARE(m_view->selectedFilterId(), work->id());

        // The edit card takes Escape through the key monitor, not the panel.
        m_view->startEditing(id(m_view->filteredItems().first()));
        QVERIFY(!key(Qt::Key_Escape));
        QVERIFY(monitor(Qt::Key_Escape));
        QVERIFY(!m_view->editingItemId());
    }

    void shiftArrowsExtendTheSelectionAtBothEnds()
    {
        for (int i = 0; i < 5; ++i)
            add(QString::number(i));
        const auto items = m_view->filteredItems();
        for (int i = 0; i < 3; ++i)
            QVERIFY(monitor(Qt::Key_Down, Qt::ShiftModifier));
        QCOMPARE(m_view->selectedIndex(), 3);
        QCOMPARE(m_view->multiSelectedItems(), items.mid(0, 4));
        QVERIFY(m_view->isMultiSelectMode());

        m_view->selectRow(4, {});
        QVERIFY(monitor(Qt::Key_Down, Qt::ShiftModifier));
        QCOMPARE(m_view->selectedIndex(), 4);
        QCOMPARE(m_view->multiSelectedItems(), QList{items.at(4)});

        m_view->selectRow(0, {});
        QVERIFY(monitor(Qt::Key_Up, Qt::ShiftModifier));
        QCOMPARE(m_view->multiSelectedItems(), QList{items.at(0)});

        // Four text items combine.
        m_view->selectRow(0, {});
        for (int i = 0; i < 3; ++i)
            monitor(Qt::Key_Down, Qt::ShiftModifier);
        QVERIFY(key(Qt::Key_Return));
        QVERIFY(m_view->showCombinePanel());
        QVERIFY(m_view->combinePanel());
        QCOMPARE(m_view->combinePanel()->itemCount(), 4);
        QVERIFY(!key(Qt::Key_Down));
        QVERIFY(!monitor(Qt::Key_Down, Qt::ShiftModifier));
        QVERIFY(key(Qt::Key_Escape));
        QVERIFY(!m_view->combinePanel());
        QCOMPARE(m_view->selectedIdsCount(), 4);
    }

    void typingOpensTheSearch()
    {
        add("alpha");
        QVERIFY(!key(Qt::Key_A, Qt::ControlModifier, "\x01"));
        QVERIFY(!key(Qt::Key_Shift));
        key(Qt::Key_Down);
        QVERIFY(!key(Qt::Key_Plus, {}, "+"));
        QVERIFY(!key(Qt::Key_A, Qt::AltModifier, "a"));
        QVERIFY(!m_view->isSearchExpanded());

        QVERIFY(key(Qt::Key_A, {}, "a"));
        QVERIFY(m_view->isSearchExpanded());
        QVERIFY(m_view->isSearchFocused());
        QCOMPARE(m_view->searchText(), QStringLiteral("a"));
        // The field's own typing comes next; nothing later replaces it.
        m_view->setSearchText("al");
        m_clock.advance(500);
        QCOMPARE(m_view->searchText(), QStringLiteral("al"));
        // Further typing belongs to the focused field.
        QVERIFY(!key(Qt::Key_L, {}, "l"));
        QVERIFY(!key(Qt::Key_Left));

        // Deleting the last character closes the field.
        m_view->setSearchText("");
        QVERIFY(!m_view->isSearchExpanded());
        QVERIFY(!m_view->isSearchFocused());
    }

    void categorySearchKeyFollowsThePreference()
    {
        addCategory("Work");
        m_settings->setValue("categorySearchKey", "slash");
        QVERIFY(!key(Qt::Key_Tab, {}, "\t"));
        QVERIFY(!m_view->isCategorySearching());
        QVERIFY(key(Qt::Key_Slash, {}, "/"));
        QVERIFY(m_view->isCategorySearching());
        m_clock.advance(100);
        QVERIFY(m_view->isCategorySearchFocused());
        QVERIFY(key(Qt::Key_Escape));
        QVERIFY(!m_view->isCategorySearching());

        m_settings->setValue("categorySearchKey", "tab");
        QVERIFY(key(Qt::Key_Slash, {}, "/")); // now just typing
        QVERIFY(m_view->isSearchExpanded());
    }

    void backspaceInAnEmptyCategorySearchGoesBackToChoosing()
    {
        const auto work = addCategory("Work");
        m_view->triggerCategorySearch();
        m_view->pickCategory(0);
        m_clock.advance(100);
        QVERIFY(m_view->isSearchExpanded());
        QVERIFY(monitor(Qt::Key_Backspace));
        QVERIFY(!m_view->selectedFilterId());
        QVERIFY(m_view->isCategorySearching());
        QVERIFY(!m_view->isSearchExpanded());
        m_clock.advance(100);
        QVERIFY(m_view->isCategorySearchFocused());
        // With text in the field Backspace is the field's.
        m_view->pickCategory(0);
        m_view->setSearchText("x");
        QVERIFY(!monitor(Qt::Key_Backspace));
        QCOMPARE(m_view->selectedFilterId(), work->id());
    }

    void controlClickTogglesThenPastesOrCombines()
    {
        add("a");
        add("b");
        const auto items = m_view->filteredItems();
        m_view->clickRow(0, Qt::ControlModifier);
        QCOMPARE(m_pasted, QList{items.at(0)});
        QCOMPARE(m_view->selectedIdsCount(), 1);
        m_view->clickRow(1, Qt::ControlModifier);
        QCOMPARE(m_pasted.size(), 1);
        QVERIFY(m_view->showCombinePanel());
        m_clock.advance(50);

        // The combined text becomes the newest item and is pasted.
        m_view->pasteCombined("a, b");
        QVERIFY(!m_view->showCombinePanel());
        QVERIFY(m_view->selectedIds().isEmpty());
        QCOMPARE(m_pasted.size(), 2);
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
        for (int i = 0; i < 4; ++i)
            add(QString::number(i));
        m_view->setSelectedIndex(2);
        m_view->monitorScroll(8, true);
        m_view->monitorScroll(8, true);
        QCOMPARE(m_view->selectedIndex(), 2);
        m_view->monitorScroll(8, true);
        QCOMPARE(m_view->selectedIndex(), 1);
        QCOMPARE(m_view->scrollAccumulator(), 0.0);
        m_view->monitorScroll(-21, true);
        QCOMPARE(m_view->selectedIndex(), 2);
        m_view->monitorScroll(-1, false);
        m_view->monitorScroll(-1, false);
        m_view->monitorScroll(-1, false);
        QCOMPARE(m_view->selectedIndex(), 3);
        m_view->monitorScroll(1, false);
        QCOMPARE(m_view->selectedIndex(), 2);
        QCOMPARE(m_sound.clicks, 0);
    }

    void monitorsWatchWindowsOnly()
    {
        for (int i = 0; i < 3; ++i)
            add(QString::number(i));
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

        m_view->removeMonitors();
        QCoreApplication::sendEvent(&window, &shiftDown);
        m_clock.advance(0);
        QCOMPARE(m_view->selectedIndex(), 2);
    }

    void editingSavesInPlaceAndRecounts()
    {
        const auto item = add("hello");
        add("newer");
        const int row = int(m_view->filteredItems().indexOf(item));
        m_view->setSelectedIndex(row);
        QVERIFY(key(Qt::Key_E, Qt::ControlModifier, "\x05"));
        QCOMPARE(m_view->editText(), QStringLiteral("hello"));
        m_clock.advance(100);
        QVERIFY(m_view->isEditFocused());
        // Arrows and Return are the editor's while it is open.
        QVERIFY(!key(Qt::Key_Down));

        m_view->setEditText("   ");
        QVERIFY(monitor(Qt::Key_Return));
        QVERIFY(m_view->editingItemId());
        QCOMPARE(item->content(), QStringLiteral("hello"));

        m_view->setEditText("hello\nworld");
        QVERIFY(!monitor(Qt::Key_Return, Qt::ShiftModifier));
        QVERIFY(monitor(Qt::Key_Return));
        QVERIFY(!m_view->editingItemId());
        QCOMPARE(item->content(), QStringLiteral("hello\nworld"));
        QCOMPARE(item->characterCount(), 11);
        QCOMPARE(m_view->filteredItems().indexOf(item), row);
        QVERIFY(!context().hasChanges());
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
        QTest::newRow("mail") << "mailto:a@b.c"
                              << "mailto:a@b.c" << false;
        QTest::newRow("words") << "two words"
                               << "two words" << false;
    }

    void newItemsAreTypedAndFiled()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, isUrl);
        const auto text = addCategory("Text", 0);
        const auto url = addCategory("URL", 1);
        QSignalSpy scrolled(m_view.get(), &ClipboardHistoryView::scrollToCreateCardRequested);
        QVERIFY(key(Qt::Key_N, Qt::ControlModifier, "\x0e"));
        QCOMPARE(scrolled.count(), 1);
        m_view->setNewItemText(typed);
        QVERIFY(monitor(Qt::Key_Return));
        QVERIFY(!m_view->isCreatingNew());
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

    void clearAllHistoryKeepsPinnedItems()
    {
        add("p1", ClipboardItemType::text, true);
        add("p2", ClipboardItemType::text, true);
        for (int i = 0; i < 5; ++i)
            add(QString::number(i));
        m_view->clearAllHistory();
        QCOMPARE(shownSet(), QSet<QString>({"p1", "p2"}));
        QVERIFY(!context().hasChanges());
    }

    void pinningMovesToTheTopAndBack()
    {
        QList<std::shared_ptr<ClipboardItem>> items;
        for (int i = 0; i < 10; ++i)
            items.append(add(QString::number(i)));
        const auto before = m_view->filteredItems();
        const auto tenth = before.at(9);
        m_view->togglePin(id(tenth));
        QCOMPARE(m_view->filteredItems().first(), tenth);
        m_view->togglePin(id(tenth));
        QCOMPARE(m_view->filteredItems(), before);

        // Unassigning an unassigned-type match keeps it under its type filter.
        const auto image = addCategory("Image");
        const auto picture = add("x.png", ClipboardItemType::image, false, image->id());
        const auto note = add("note", ClipboardItemType::text, false, image->id());
        m_view->setSelectedFilterId(image->id().toString());
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
        QVERIFY(!value(file, "fileIconName").toString().isEmpty());
        QCOMPARE(value(image, "label").toString(), QStringLiteral("Image"));
        QCOMPARE(value(image, "imageFileName").toString(), QStringLiteral("shot.png"));
        QCOMPARE(value(image, "imageFilePath").toString(), QStringLiteral("/home/me/Pictures"));
        QCOMPARE(value(image, "relativeTime").toString(), QStringLiteral("now"));

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
        QCOMPARE(ClipboardItemRow::relativeDisplay(now.addSecs(-59), now), QStringLiteral("now"));
        QCOMPARE(ClipboardItemRow::relativeDisplay(now.addSecs(-61), now), QStringLiteral("1m"));
        QCOMPARE(ClipboardItemRow::relativeDisplay(now.addSecs(-3600), now), QStringLiteral("1h"));
        QCOMPARE(ClipboardItemRow::relativeDisplay(now.addSecs(-25 * 3600), now), QStringLiteral("1d"));
        QCOMPARE(ClipboardItemRow::relativeDisplay(now.addDays(-8), now),
            QLocale().toString(now.addDays(-8).date(), QLocale::ShortFormat));
        QCOMPARE(ClipboardItemRow::relativeDisplay(now.addSecs(600), now), QStringLiteral("now"));

        QCOMPARE(ClipboardItemRow::typeLabel(ClipboardItemType::richText), QStringLiteral("Richtext"));
        QCOMPARE(ClipboardItemRow::typeLabel(ClipboardItemType::url), QStringLiteral("Url"));
        QCOMPARE(ClipboardItemRow::imageFileName("Pasted image"), QStringLiteral("Pasted image"));
        QCOMPARE(ClipboardItemRow::imageFilePath("Pasted image", 5000), QStringLiteral("4 KB"));
        QCOMPARE(ClipboardItemRow::imageFilePath("Pasted image", std::nullopt), QString());
        QCOMPARE(ClipboardItemRow::imageFilePath("/shot.png", 5000), QStringLiteral("/"));
        QCOMPARE(ClipboardItemRow::imageFileName("/tmp/dir/"), QStringLiteral("dir"));
        // A broken escape is shown as it stands.
        QCOMPARE(ClipboardItemRow::filePath("file:///tmp/%FF%FE.txt"), QStringLiteral("/tmp/%FF%FE.txt"));
        QCOMPARE(ClipboardItemRow::glowColor("nonsense"), QColor::fromRgb(255, 149, 0));
        QCOMPARE(ClipboardItemRow::sidebarColor(QColor::fromRgbF(1, 0, 0), true), QColor::fromRgbF(0.3f, 0, 0));
    }
};

QTEST_MAIN(TestHistoryView)
#include "test_history_view.moc"
