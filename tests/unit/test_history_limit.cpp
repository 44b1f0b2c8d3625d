#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "capture/ClipboardMonitor.h"
#include "model/HistoryLimit.h"

#include <QTest>

/// The person's bound on the history: applied on every capture and when lowered, never to pinned
/// items, and never cutting an earlier version's history without the person's choice.
class TestHistoryLimit : public QObject {
    Q_OBJECT

    ManualClock m_clock;
    std::unique_ptr<TemporaryPreferences> m_settings;
    std::unique_ptr<TemporaryStore> m_store;

    Preferences &preferences() { return m_settings->preferences; }
    ModelContext &context() { return m_store->context(); }
    // Oldest first, stamped by the test's clock as captures are.
    void addItems(int unpinned, int pinned = 0)
    {
        for (int i = 0; i < unpinned + pinned; ++i) {
            m_clock.advance(1000);
            context().insert(ClipboardItem::create(QStringLiteral("item %1").arg(i), ClipboardItemType::text,
                std::nullopt, std::nullopt, std::nullopt, i < pinned, std::nullopt, m_clock.now()));
        }
        context().save();
    }

private slots:
    void init()
    {
        m_settings = std::make_unique<TemporaryPreferences>();
        m_store = std::make_unique<TemporaryStore>(m_clock);
        m_store->open();
    }

    void anEarlierHistoryAboveTheDefaultIsKeptWhole_data()
    {
        QTest::addColumn<int>("unpinned");
        QTest::addColumn<int>("pinned");
        QTest::addColumn<QVariant>("written"); // invalid: nothing written
        QTest::newRow("new store") << 0 << 0 << QVariant();
        QTest::newRow("exactly the default") << 500 << 40 << QVariant();
        QTest::newRow("one more than the default") << 501 << 0 << QVariant(10000);
        QTest::newRow("pinned items do not count") << 300 << 400 << QVariant();
    }

    void anEarlierHistoryAboveTheDefaultIsKeptWhole()
    {
        QFETCH(int, unpinned);
        QFETCH(int, pinned);
        QFETCH(QVariant, written);
        addItems(unpinned, pinned);
        HistoryLimit limit(context(), preferences());
        limit.keepEarlierHistory();
        const Preferences reread(m_settings->path());
        QCOMPARE(reread.isStored(Preferences::Key::maxHistoryCount) ? reread.value(Preferences::Key::maxHistoryCount)
                                                                    : QVariant(),
            written);
        QCOMPARE(context().count<ClipboardItem>(), unpinned + pinned);
        QCOMPARE(limit.prune(), 0);
    }

    void aChoiceOnceMadeIsNeverOverruled()
    {
        preferences().setMaxHistoryCount(250);
        addItems(600);
        HistoryLimit limit(context(), preferences());
        limit.keepEarlierHistory();
        QCOMPARE(preferences().maxHistoryCount(), 250);
        QCOMPARE(limit.deletionsFor(250), 350);
    }

    void everyCaptureKeepsTheBoundAndPinnedItemsStay()
    {
        addItems(3, 2); // "item 0" and "item 1" pinned, the oldest
        HistoryLimit limit(context(), preferences());
        preferences().setMaxHistoryCount(100);
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        ClipboardMonitor monitor(m_store->container(), pasteboard, workspace);
        monitor.setHistoryLimit(&limit);
        monitor.startMonitoring();
        for (int i = 0; i < 100; ++i) {
            m_clock.advance(1000);
            pasteboard.copy({{"text/plain", QByteArray("copy ") + QByteArray::number(i)}});
            monitor.checkClipboard();
        }
        QCOMPARE(monitor.pendingCaptures(), 0);
        QCOMPARE(context().unpinnedItemCount(), 100);
        QCOMPARE(context().count<ClipboardItem>(), 102);
        QVERIFY(context().newestItem(QStringLiteral("item 0"), ClipboardItemType::text));
        QVERIFY(context().newestItem(QStringLiteral("item 1"), ClipboardItemType::text));
        QVERIFY(!context().newestItem(QStringLiteral("item 4"), ClipboardItemType::text));
        QVERIFY(context().newestItem(QStringLiteral("copy 0"), ClipboardItemType::text));
        QVERIFY(context().waitForSaves());
        QCOMPARE(m_store->reopen().mainContext().count<ClipboardItem>(), 102);
    }

    void loweringPrunesAtOnceAndRaisingBringsNothingBack()
    {
        addItems(10, 1);
        HistoryLimit limit(context(), preferences());
        preferences().setMaxHistoryCount(4);
        QCOMPARE(context().unpinnedItemCount(), 4);
        preferences().setMaxHistoryCount(100);
        QCOMPARE(context().unpinnedItemCount(), 4);
        QVERIFY(context().waitForSaves());
        QCOMPARE(m_store->reopen().mainContext().count<ClipboardItem>(), 5);
    }

    void storedValuesOutsideTheRangeAreBounded_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("bound");
        QTest::newRow("zero keeps one") << 0 << 1;
        QTest::newRow("negative keeps one") << -5 << 1;
        QTest::newRow("above the store's bound") << 50000 << 10000;
        QTest::newRow("a value not offered") << 321 << 321;
    }

    void storedValuesOutsideTheRangeAreBounded()
    {
        QFETCH(int, stored);
        QFETCH(int, bound);
        preferences().setMaxHistoryCount(stored);
        const HistoryLimit limit(context(), preferences());
        QCOMPARE(limit.maxUnpinnedItems(), bound);
    }
};

QTEST_MAIN(TestHistoryLimit)
#include "test_history_limit.moc"
