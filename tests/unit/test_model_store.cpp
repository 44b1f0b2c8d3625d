#include "TemporaryStore.h"
#include "model/LiveQueryModel.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::shared_ptr<ClipboardItem> text(const QString &content)
{
    return ClipboardItem::create(content, ClipboardItemType::text);
}

// Runs statements on the store file through a connection of its own.
class SideConnection {
public:
    explicit SideConnection(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "side");
        db.setDatabaseName(path);
        db.open();
    }
    ~SideConnection()
    {
        QSqlDatabase::database("side").close();
        QSqlDatabase::removeDatabase("side");
    }
    bool exec(const QString &statement) { return QSqlQuery(QSqlDatabase::database("side")).exec(statement); }
    QVariant value(const QString &statement)
    {
        QSqlQuery query(QSqlDatabase::database("side"));
        return query.exec(statement) && query.next() ? query.value(0) : QVariant();
    }
};

} // namespace

class TestModelStore : public QObject {
    Q_OBJECT

private slots:
    void changesAreVisibleBeforeSaveAndPersistAfter()
    {
        TemporaryStore store;
        store.open();
        ModelContext &context = store.context();
        const auto a = text("a");
        const auto b = text("b");
        context.insert(a);
        context.insert(b);
        QCOMPARE(context.count<ClipboardItem>(), 2);
        QVERIFY(context.hasChanges());

        // Nothing is on disk before save.
        store.close();
        store.open();
        QCOMPARE(store.context().count<ClipboardItem>(), 0);

        ModelContext &reopened = store.context();
        const auto c = ClipboardItem::create(
            "c", ClipboardItemType::url, std::nullopt, QStringLiteral("Firefox"), QStringLiteral("firefox-esr"), true);
        c->setCategoryId(QUuid::createUuid());
        reopened.insert(text("a"));
        reopened.insert(c);
        QVERIFY(reopened.save());
        QVERIFY(!reopened.hasChanges());
        reopened.remove(reopened.fetch<ClipboardItem>().first());
        QCOMPARE(reopened.count<ClipboardItem>(), 1);
        c->setContent("changed");
        QVERIFY(reopened.save());

        store.close();
        store.open();
        const auto loaded = store.context().fetch<ClipboardItem>();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.first()->id(), c->id());
        QCOMPARE(loaded.first()->content(), QStringLiteral("changed"));
        QCOMPARE(loaded.first()->type(), ClipboardItemType::url);
        QCOMPARE(loaded.first()->sourceAppName(), QStringLiteral("Firefox"));
        QCOMPARE(loaded.first()->sourceAppBundleId(), QStringLiteral("firefox-esr"));
        QVERIFY(loaded.first()->isPinned());
        QCOMPARE(loaded.first()->categoryId(), c->categoryId());
        QCOMPARE(loaded.first()->createdAt(), c->createdAt());
        QVERIFY(!loaded.first()->hasImageData());
    }

    void storedColumnsFollowTheRecordFields()
    {
        TemporaryStore store;
        store.open();
        const auto item = ClipboardItem::create("x", ClipboardItemType::richText);
        store.context().insert(item);
        QVERIFY(store.context().save());
        SideConnection side(store.path());
        QCOMPARE(side.value("SELECT type FROM ClipboardItem").toString(), QStringLiteral("richText"));
        QCOMPARE(
            side.value("SELECT id FROM ClipboardItem").toString(), item->id().toString(QUuid::WithoutBraces).toUpper());
        QVERIFY(side.value("SELECT categoryId FROM ClipboardItem").isNull());
        QCOMPARE(side.value("SELECT group_concat(name) FROM pragma_table_info('ClipboardItem')").toString(),
            QStringLiteral("id,content,type,sourceAppName,sourceAppBundleId,isPinned,createdAt,"
                           "characterCount,categoryId,imageData"));
        QCOMPARE(side.value("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
        QCOMPARE(QFile::permissions(store.path()) & 0x0077, QFileDevice::Permissions());
    }

    void imageBytesAreReadOnDemand()
    {
        TemporaryStore store;
        store.open();
        const QByteArray bytes(300 * 1024, 'x');
        const auto item = ClipboardItem::create("Image (300 KB)", ClipboardItemType::image, bytes);
        store.context().insert(item);
        QVERIFY(store.context().save());
        QCOMPARE(item->imageData(), bytes);

        item->setPinned(true); // an update that must keep the stored bytes
        QVERIFY(store.context().save());
        store.close();
        store.open();
        const auto loaded = store.context().fetch<ClipboardItem>().first();
        QVERIFY(loaded->hasImageData());
        QCOMPARE(loaded->imageData(), bytes);
        loaded->setImageData(std::nullopt);
        QVERIFY(store.context().save());
        SideConnection side(store.path());
        QVERIFY(side.value("SELECT imageData FROM ClipboardItem").isNull());
    }

    void aDeletedRecordCanBeInsertedAgain()
    {
        TemporaryStore store;
        store.open();
        const QByteArray bytes(64 * 1024, 'i');
        const auto image = ClipboardItem::create("Image (64 KB)", ClipboardItemType::image, bytes);
        store.context().insert(image);
        QVERIFY(store.context().save());

        // Before the delete is saved: the row stays, with its image.
        store.context().remove(image);
        store.context().insert(image);
        image->setPinned(true);
        QVERIFY(store.context().save());
        store.close();
        store.open();
        auto items = store.context().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QVERIFY(items.first()->isPinned());
        QCOMPARE(items.first()->imageData(), bytes);

        // After the delete is saved: a new row, which no longer has the deleted bytes.
        const auto text = items.first();
        store.context().remove(text);
        QVERIFY(store.context().save());
        store.context().insert(text);
        QVERIFY(store.context().save());
        store.close();
        store.open();
        items = store.context().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->id(), image->id());
        QVERIFY(!items.first()->hasImageData());
    }

    void rowsOfUnknownTypeAreSkipped()
    {
        TemporaryStore store;
        store.open();
        store.context().insert(text("kept"));
        QVERIFY(store.context().save());
        store.close();
        {
            SideConnection side(store.path());
            QVERIFY(side.exec("INSERT INTO ClipboardItem (id, content, type, isPinned, createdAt, characterCount) "
                              "VALUES ('X', 'future', 'video', 0, 1, 6)"));
        }
        store.open();
        const auto items = store.context().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->content(), QStringLiteral("kept"));
        // Saving other changes leaves the unknown row as it was.
        items.first()->setPinned(true);
        QVERIFY(store.context().save());
        SideConnection side(store.path());
        QCOMPARE(side.value("SELECT count(*) FROM ClipboardItem WHERE type = 'video'").toInt(), 1);
    }

    void failedSaveIsReportedAndKeepsTheChanges()
    {
        TemporaryStore store;
        store.open();
        store.context().insert(text("first"));
        {
            SideConnection side(store.path());
            QVERIFY(side.exec("BEGIN EXCLUSIVE"));
            QVERIFY(!store.context().save());
            QVERIFY(store.context().hasChanges());
            QCOMPARE(store.context().count<ClipboardItem>(), 1);
            side.exec("ROLLBACK");
        }
        QVERIFY(store.context().save());
        store.close();
        store.open();
        QCOMPARE(store.context().count<ClipboardItem>(), 1);
    }

    void openingFailuresLeaveTheFileAlone()
    {
        QTemporaryDir dir;
        QString error;
        const QString corrupt = dir.filePath("Quillbox.sqlite");
        const QByteArray garbage(8192, '\x5a');
        {
            QFile file(corrupt);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        QVERIFY(!ModelContainer::open(corrupt, &error));
        QVERIFY2(error.contains("not a database"), qPrintable(error));
        QFile file(corrupt);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), garbage);

        // A folder that cannot be created: its parent is a file.
        error.clear();
        QVERIFY(!ModelContainer::open(dir.filePath("Quillbox.sqlite/inner/Quillbox.sqlite"), &error));
        QVERIFY(!error.isEmpty());

        // A store written by a newer version is not touched.
        const QString newer = dir.filePath("newer.sqlite");
        {
            SideConnection side(newer);
            side.exec("PRAGMA user_version = 99");
        }
        error.clear();
        QVERIFY(!ModelContainer::open(newer, &error));
        QVERIFY2(error.contains("newer"), qPrintable(error));
    }

    void fetchFiltersAndSortsStably()
    {
        TemporaryStore store;
        store.open();
        ModelContext &context = store.context();
        auto a = text("a");
        auto b = text("b");
        auto c = text("c");
        b->setPinned(true);
        for (const auto &item : {a, b, c})
            context.insert(item);
        const auto unpinned = context.fetch<ClipboardItem>({[](const ClipboardItem &item) { return !item.isPinned(); },
            SortDescriptor<ClipboardItem>(&ClipboardItem::content, Qt::DescendingOrder)});
        QCOMPARE(unpinned.size(), 2);
        QCOMPARE(unpinned.at(0), c);
        QCOMPARE(unpinned.at(1), a);
        // Equal keys keep the store's order.
        const auto byPin = context.fetch<ClipboardItem>({{}, SortDescriptor<ClipboardItem>(&ClipboardItem::isPinned)});
        QCOMPARE(byPin, QList({a, c, b}));
    }

    void capturesIndexesFollowChanges()
    {
        TemporaryStore store;
        store.open();
        ModelContext &context = store.context();
        auto older = text("same");
        context.insert(older);
        QTest::qWait(2);
        auto newer = text("same");
        context.insert(newer);
        context.insert(ClipboardItem::create("same", ClipboardItemType::url));
        QCOMPARE(context.newestItem("same", ClipboardItemType::text), newer);
        QVERIFY(!context.newestItem("Same", ClipboardItemType::text));
        context.remove(newer);
        QCOMPARE(context.newestItem("same", ClipboardItemType::text), older);
        older->setContent("other");
        QVERIFY(!context.newestItem("same", ClipboardItemType::text));
        QCOMPARE(context.newestItem("other", ClipboardItemType::text), older);

        QCOMPARE(context.unpinnedItemCount(), 2);
        older->setPinned(true);
        QCOMPARE(context.unpinnedItemCount(), 1);
        QCOMPARE(context.unpinnedItemsBeyond(0).size(), 1);
        QVERIFY(context.unpinnedItemsBeyond(1).isEmpty());
    }

    void liveQueryOrderMatchesAFetchThroughRandomChanges()
    {
        TemporaryStore store;
        store.open();
        ModelContext &context = store.context();
        LiveQuery<ClipCategory> live(context, SortDescriptor<ClipCategory>(&ClipCategory::sortOrder));
        // A list kept only from the model's row signals must always equal the model and a fetch.
        QList<ClipCategory *> mirror;
        connect(&live, &QAbstractItemModel::rowsInserted, this,
            [&](const QModelIndex &, int first) { mirror.insert(first, live.at(first).get()); });
        connect(&live, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [&](const QModelIndex &, int first) { mirror.removeAt(first); });
        connect(&live, &QAbstractItemModel::rowsMoved, this,
            [&](const QModelIndex &, int from, int, const QModelIndex &, int destination) {
                mirror.move(from, destination > from ? destination - 1 : destination);
            });

        QAbstractItemModelTester tester(&live, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reset(&live, &QAbstractItemModel::modelReset);
        QRandomGenerator random(7);
        QList<std::shared_ptr<ClipCategory>> records;
        for (int step = 0; step < 400; ++step) {
            const int action = records.size() < 5 ? 0 : int(random.bounded(4));
            if (action == 0) {
                records.append(ClipCategory::create("c", "#000000", "doc", int(random.bounded(6)), false));
                context.insert(records.last());
            } else if (action == 1) {
                context.remove(records.takeAt(random.bounded(records.size())));
            } else {
                records.at(random.bounded(records.size()))->setSortOrder(int(random.bounded(6)));
            }
            const auto fetched
                = context.fetch<ClipCategory>({{}, SortDescriptor<ClipCategory>(&ClipCategory::sortOrder)});
            QCOMPARE(live.count(), fetched.size());
            QCOMPARE(mirror.size(), fetched.size());
            for (int row = 0; row < live.count(); ++row) {
                QCOMPARE(mirror.at(row), live.at(row).get());
                QCOMPARE(live.at(row), fetched.at(row));
            }
        }
        QCOMPARE(reset.size(), 0);
    }

    void liveQueriesShowFieldsAndOnlyTheirType()
    {
        TemporaryStore store;
        store.open();
        ModelContext &context = store.context();
        LiveQuery<ClipboardItem> items(context, {&ClipboardItem::createdAt, Qt::DescendingOrder});
        QAbstractItemModelTester tester(&items, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(&items, &QAbstractItemModel::dataChanged);
        const auto a = text("a");
        QTest::qWait(2);
        const auto b = text("b");
        context.insert(a);
        context.insert(b);
        context.insert(ClipCategory::create("not an item", "#000000", "doc", 0, false));
        QCOMPARE(items.count(), 2);
        QCOMPARE(items.at(0), b);

        a->setPinned(true);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(items.data(items.index(1), items.roleNames().key("isPinned")).toBool(), true);
        QVERIFY(!items.roleNames().values().contains("imageData"));
    }
};

QTEST_GUILESS_MAIN(TestModelStore)
#include "test_model_store.moc"
