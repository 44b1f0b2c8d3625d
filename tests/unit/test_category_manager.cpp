#include "ManualClock.h"
#include "TemporaryStore.h"
#include "ui/panel/CategoryListModel.h"
#include "ui/panel/CategoryManagerView.h"
#include "ui/panel/HistoryFilter.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

/// The category manager's operations on a real store, with the history panel's own category list
/// beside it, which must follow every change.
class TestCategoryManager : public QObject {
    Q_OBJECT

    ManualClock m_clock;
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<CategoryManagerView> m_manager;
    std::unique_ptr<HistoryFilter> m_panel;
    int m_nextRandom = 0;

    ModelContext &context() { return m_store->context(); }
    CategoryManagerView &manager() { return *m_manager; }

    QStringList names() const
    {
        QStringList list;
        for (int row = 0; row < m_manager->count(); ++row)
            list << m_manager->categoryAt(row)->name();
        return list;
    }
    // What the panel's category chips show, once its batched update has run.
    QStringList panelNames()
    {
        m_clock.advance(100);
        QStringList list;
        CategoryListModel *chips = m_panel->categoriesModel();
        for (int row = 0; row < chips->rowCount(); ++row)
            list << chips->data(chips->index(row), CategoryListModel::NameRole).toString();
        return list;
    }
    QList<int> sortOrders() const
    {
        QList<int> list;
        for (int row = 0; row < m_manager->count(); ++row)
            list << m_manager->categoryAt(row)->sortOrder();
        return list;
    }
    // The file as a later run reads it.
    QStringList storedNames()
    {
        m_manager.reset();
        m_panel.reset();
        m_store->reopen();
        QStringList list;
        for (const auto &category : context().fetch<ClipCategory>({{}, {&ClipCategory::sortOrder}}))
            list << category->name();
        return list;
    }

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>(m_clock);
        m_store->open();
        ClipCategory::insertDefaults(context());
        m_nextRandom = 0;
        m_manager = std::make_unique<CategoryManagerView>(context(), [this](int bound) {
            Q_ASSERT(bound == 12);
            return m_nextRandom;
        });
        m_panel = std::make_unique<HistoryFilter>(context(), m_clock);
        new QAbstractItemModelTester(
            m_manager->categories(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_manager.get());
    }
    void cleanup()
    {
        m_manager.reset();
        m_panel.reset();
        m_store.reset();
    }

    void addingPutsTheCategoryLastWithAPaletteColour()
    {
        m_nextRandom = 4;
        manager().startAdding();
        QVERIFY(manager().isAddingNew());
        QCOMPARE(manager().newColorHex(), QStringLiteral("#E84855"));
        QVERIFY(!manager().canSave());
        manager().addCategory(); // disabled while the name is empty
        QCOMPARE(manager().count(), 5);
        manager().setNewName(QStringLiteral(" "));
        QVERIFY(manager().canSave());
        manager().setNewName(QStringLiteral("Work"));
        manager().addCategory();
        QVERIFY(!manager().isAddingNew());
        const auto work = manager().categoryAt(5);
        QCOMPARE(work->name(), QStringLiteral("Work"));
        QCOMPARE(work->sortOrder(), 5);
        QVERIFY(!work->isDefault());
        QCOMPARE(work->icon(), QStringLiteral("tag.fill"));
        QCOMPARE(work->colorHex(), QStringLiteral("#E84855"));
        QCOMPARE(panelNames().last(), QStringLiteral("Work"));
        QCOMPARE(storedNames().last(), QStringLiteral("Work"));
    }

    void cancellingTheFormKeepsItsFieldsAndStoresNothing()
    {
        manager().startAdding();
        manager().setNewName(QStringLiteral("Draft"));
        manager().cancelAdding();
        QVERIFY(!manager().isAddingNew());
        QCOMPARE(manager().newName(), QStringLiteral("Draft"));
        QCOMPARE(manager().count(), 5);
        // Opened again: a fresh form.
        manager().startAdding();
        QVERIFY(manager().newName().isEmpty());
    }

    void editingChangesNameAndColourAndKeepsTheSymbol()
    {
        manager().beginEdit(4); // Rich Text
        QCOMPARE(manager().editingRow(), 4);
        QCOMPARE(manager().newName(), QStringLiteral("Rich Text"));
        QCOMPARE(manager().newColorHex(), QStringLiteral("#9A4DD8")); // purple, as in the palette
        const QString icon = manager().newIcon();
        manager().setNewName(QStringLiteral("Formatted"));
        manager().setNewColorHex(QStringLiteral("#808594"));
        manager().saveEdit();
        QCOMPARE(manager().editingRow(), -1);
        const auto edited = manager().categoryAt(4);
        QCOMPARE(edited->name(), QStringLiteral("Formatted"));
        QCOMPARE(edited->colorHex(), QStringLiteral("#808594"));
        QCOMPARE(edited->icon(), icon);
        QCOMPARE(panelNames().at(4), QStringLiteral("Formatted"));

        manager().beginEdit(0);
        manager().setNewName(QStringLiteral("Changed my mind"));
        manager().cancelEdit();
        QCOMPARE(manager().categoryAt(0)->name(), QStringLiteral("Text"));
        QCOMPARE(storedNames().at(4), QStringLiteral("Formatted"));
    }

    void movingSwapsTwoSortOrdersOnly()
    {
        manager().moveCategory(0, -1); // the first cannot go up
        manager().moveCategory(4, +1); // nor the last down
        QCOMPARE(sortOrders(), (QList<int>{0, 1, 2, 3, 4}));
        manager().moveCategory(1, -1);
        QCOMPARE(names(), (QStringList{"URL", "Text", "Image", "File", "Rich Text"}));
        QCOMPARE(sortOrders(), (QList<int>{0, 1, 2, 3, 4}));
        QCOMPARE(panelNames(), names());
        manager().moveCategory(0, +1);
        QCOMPARE(names(), (QStringList{"Text", "URL", "Image", "File", "Rich Text"}));
        manager().moveCategory(2, +1);
        QCOMPARE(storedNames(), (QStringList{"Text", "URL", "File", "Image", "Rich Text"}));
    }

    void theEditedRowFollowsAMove()
    {
        manager().beginEdit(2); // Image
        manager().moveCategory(2, -1);
        QCOMPARE(manager().editingRow(), 1);
        manager().setNewName(QStringLiteral("Pictures"));
        manager().saveEdit();
        QCOMPARE(names().at(1), QStringLiteral("Pictures"));
    }

    void deletingLeavesNoItemFiledUnderAMissingCategory()
    {
        const auto work = m_store->addCategory(QStringLiteral("Work"), 5);
        const auto text = context().fetch<ClipCategory>().first();
        const auto filed = m_store->add(QStringLiteral("report"), ClipboardItemType::text, false, work->id());
        const auto other = m_store->add(QStringLiteral("note"), ClipboardItemType::text, false, text->id());
        QCOMPARE(manager().count(), 6);

        manager().deleteCategory(0); // a default stays
        QCOMPARE(manager().count(), 6);
        manager().beginEdit(5);
        manager().deleteCategory(5);
        QCOMPARE(names(), (QStringList{"Text", "URL", "Image", "File", "Rich Text"}));
        QCOMPARE(manager().editingRow(), -1);
        QVERIFY(!filed->categoryId());
        QCOMPARE(other->categoryId(), std::optional(text->id()));
        QCOMPARE(panelNames(), names());

        const QUuid filedId = filed->id();
        storedNames();
        const auto reread = context().fetch<ClipboardItem>(
            {[&](const ClipboardItem &item) { return item.id() == filedId; }, std::nullopt});
        QVERIFY(!reread.first()->categoryId());
    }

    void restoreDefaultsRefillsOnlyAnEmptyList()
    {
        manager().restoreDefaults();
        QCOMPARE(manager().count(), 5);
        QVERIFY(!manager().canRestoreDefaults());

        QSignalSpy countChanges(m_manager.get(), &CategoryManagerView::countChanged);
        for (const auto &category : context().fetch<ClipCategory>())
            context().remove(category);
        context().save();
        QVERIFY(manager().canRestoreDefaults());
        QVERIFY(!countChanges.isEmpty());
        QVERIFY(panelNames().isEmpty());
        manager().restoreDefaults();
        QCOMPARE(names(), (QStringList{"Text", "URL", "Image", "File", "Rich Text"}));
        QCOMPARE(sortOrders(), (QList<int>{0, 1, 2, 3, 4}));
        QVERIFY(manager().categoryAt(0)->isDefault());
        QCOMPARE(panelNames(), names());
        QCOMPARE(storedNames().size(), 5);
    }
};

QTEST_MAIN(TestCategoryManager)
#include "test_category_manager.moc"
