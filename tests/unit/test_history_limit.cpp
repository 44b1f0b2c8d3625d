#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "capture/ClipboardMonitor.h"
#include "model/HistoryLimit.h"

#include <QFile>
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
        QVERIFY(context().newestItem(ItemText(QStringLiteral("item 0")), ClipboardItemType::text));
        QVERIFY(context().newestItem(ItemText(QStringLiteral("item 1")), ClipboardItemType::text));
        QVERIFY(!context().newestItem(ItemText(QStringLiteral("item 4")), ClipboardItemType::text));
        QVERIFY(context().newestItem(ItemText(QStringLiteral("copy 0")), ClipboardItemType::text));
        QVERIFY(context().waitForSaves());
        QCOMPARE(m_store->reopen().mainContext().count<ClipboardItem>(), 102);
    }

    void loweringPrunesAtOnceAndRaisingBringsNothingBack()
    {
        addItems(110, 1);
        HistoryLimit limit(context(), preferences());
        preferences().setMaxHistoryCount(100);
        QCOMPARE(context().unpinnedItemCount(), 100);
        preferences().setMaxHistoryCount(250);
        QCOMPARE(context().unpinnedItemCount(), 100);
        QVERIFY(context().waitForSaves());
        QCOMPARE(m_store->reopen().mainContext().count<ClipboardItem>(), 101);
    }

    void onlyTheWindowsChoicesPrune_data()
    {
        QTest::addColumn<QByteArray>("line"); // in Quillbox.conf; empty: none
        QTest::addColumn<int>("bound");
        QTest::newRow("absent: the default") << QByteArray() << 500;
        QTest::newRow("a choice") << QByteArray("maxHistoryCount=250") << 250;
        QTest::newRow("Unlimited") << QByteArray("maxHistoryCount=10000") << 10000;
        // Written by hand, never asked about: none of them may delete what the window would ask about.
        QTest::newRow("zero") << QByteArray("maxHistoryCount=0") << 10000;
        QTest::newRow("negative") << QByteArray("maxHistoryCount=-5") << 10000;
        QTest::newRow("a value not offered") << QByteArray("maxHistoryCount=321") << 10000;
        QTest::newRow("above the store's bound") << QByteArray("maxHistoryCount=50000") << 10000;
        QTest::newRow("not a number") << QByteArray("maxHistoryCount=lots") << 10000;
        QTest::newRow("empty") << QByteArray("maxHistoryCount=") << 10000;
    }

    void onlyTheWindowsChoicesPrune()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, bound);
        {
            QFile file(m_settings->path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[General]\n" + line + "\n");
        }
        preferences().reload();
        addItems(30, 2);
        HistoryLimit limit(context(), preferences());
        limit.keepEarlierHistory();
        QCOMPARE(limit.maxUnpinnedItems(), bound);
        // Said once at start when the value is not used, never rewritten behind the person's back.
        QCOMPARE(limit.problem().isEmpty(), bound != 10000 || line.endsWith("10000"));
        QCOMPARE(preferences().writtenValue(Preferences::Key::maxHistoryCount).isValid(), !line.isEmpty());

        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        ClipboardMonitor monitor(m_store->container(), pasteboard, workspace);
        monitor.setHistoryLimit(&limit);
        monitor.startMonitoring();
        pasteboard.copy({{"text/plain", QByteArray("the next copy")}});
        monitor.checkClipboard();
        QCOMPARE(context().count<ClipboardItem>(), 33);
    }
};

QTEST_MAIN(TestHistoryLimit)
#include "test_history_limit.moc"
