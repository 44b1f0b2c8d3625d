#include "ManualClock.h"
#include "SmallTmpfs.h"
#include "TemporaryStore.h"
#include "TestImages.h"
#include "model/ImageDigest.h"
#include "model/LiveQueryModel.h"

#include <QAbstractItemModelTester>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <future>

#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

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

using namespace Qt::StringLiterals;

class TestModelStore : public QObject {
    Q_OBJECT

    ManualClock m_clock;
    std::unique_ptr<TemporaryStore> m_store;

    // Each a millisecond after the one before.
    std::shared_ptr<ClipboardItem> item(
        const QString &content, ClipboardItemType type, const std::optional<QByteArray> &imageData = std::nullopt)
    {
        m_clock.advance(1);
        return ClipboardItem::create(content, type, imageData, {}, {}, false, {}, m_clock.now());
    }
    std::shared_ptr<ClipboardItem> text(const QString &content) { return item(content, ClipboardItemType::text); }

    ModelContext &context() { return m_store->context(); }
    void reopen() { m_store->reopen(); }
    bool save()
    {
        context().save();
        return context().waitForSaves();
    }
    QStringList storedContents()
    {
        QStringList contents;
        for (const auto &item : context().fetch<ClipboardItem>())
            contents.append(item->content());
        return contents;
    }

    // A store as the first version wrote it: no digest column; two images, a text and bytes that
    // are no image.
    static void writeVersion1Store(const QString &path, const QByteArray &png, const QByteArray &jpeg)
    {
        SideConnection side(path);
        QVERIFY(side.exec("CREATE TABLE ClipboardItem (id TEXT NOT NULL, content TEXT NOT NULL, "
                          "type TEXT NOT NULL, sourceAppName TEXT, sourceAppBundleId TEXT, "
                          "isPinned INTEGER NOT NULL, createdAt REAL NOT NULL, characterCount INTEGER NOT NULL, "
                          "categoryId TEXT, imageData BLOB)"));
        QVERIFY(side.exec("CREATE TABLE ClipCategory (id TEXT NOT NULL, name TEXT NOT NULL, colorHex TEXT "
                          "NOT NULL, icon TEXT NOT NULL, sortOrder INTEGER NOT NULL, isDefault INTEGER NOT NULL, "
                          "createdAt REAL NOT NULL)"));
        QVERIFY(side.exec("CREATE TABLE PasteTemplate (id TEXT NOT NULL, name TEXT NOT NULL, separator TEXT "
                          "NOT NULL, itemPrefix TEXT NOT NULL, itemSuffix TEXT NOT NULL, wrapPrefix TEXT NOT "
                          "NULL, wrapSuffix TEXT NOT NULL, sortOrder INTEGER NOT NULL, isDefault INTEGER NOT "
                          "NULL)"));
        QSqlQuery insert(QSqlDatabase::database("side"));
        insert.prepare("INSERT INTO ClipboardItem (id, content, type, sourceAppName, isPinned, createdAt, "
                       "characterCount, imageData) VALUES (?, ?, ?, 'Viewer', ?, ?, 1, ?)");
        const QList<QVariantList> rows{
            {"A0000000-0000-0000-0000-000000000001", "Image (1 KB)", "image", 0, 100.5, png},
            {"A0000000-0000-0000-0000-000000000002", "text", "text", 1, 101.0, QVariant()},
            {"A0000000-0000-0000-0000-000000000003", "/home/me/green.jpg", "image", 0, 102.0, jpeg},
            {"A0000000-0000-0000-0000-000000000004", "Image (0 KB)", "image", 0, 103.0, QByteArray("broken")},
        };
        for (const auto &row : rows) {
            for (const auto &value : row)
                insert.addBindValue(value);
            QVERIFY(insert.exec());
        }
        QVERIFY(side.exec("PRAGMA user_version = 1"));
    }

    static QByteArray checksum(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&file);
        return hash.result();
    }

    // What SQLite leaves beside a file it wrote to, or set up for writing.
    static QStringList journals(const QString &path)
    {
        QStringList found;
        for (const char *suffix : {"-wal", "-shm", "-journal"}) {
            if (QFile::exists(path + suffix))
                found.append(path + suffix);
        }
        return found;
    }

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>(m_clock);
        m_store->open();
    }
    void cleanup() { m_store.reset(); }

    void changesAreVisibleBeforeSaveAndPersistAfter()
    {
        const auto a = text("a");
        const auto b = text("b");
        context().insert(a);
        context().insert(b);
        QCOMPARE(context().count<ClipboardItem>(), 2);
        QVERIFY(context().hasChanges());

        // Nothing is on disk before save.
        reopen();
        QCOMPARE(context().count<ClipboardItem>(), 0);

        const auto c = ClipboardItem::create(
            "c", ClipboardItemType::url, std::nullopt, QStringLiteral("Firefox"), QStringLiteral("firefox-esr"), true);
        c->setCategoryId(QUuid::createUuid());
        context().insert(text("a"));
        context().insert(c);
        QVERIFY(save());
        QVERIFY(!context().hasChanges());
        context().remove(context().fetch<ClipboardItem>().first());
        QCOMPARE(context().count<ClipboardItem>(), 1);
        c->setContent("changed");
        QVERIFY(save());

        reopen();
        const auto loaded = context().fetch<ClipboardItem>();
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
        const auto item = ClipboardItem::create("x", ClipboardItemType::richText);
        context().insert(item);
        QVERIFY(save());
        SideConnection side(m_store->path());
        QCOMPARE(side.value("SELECT type FROM ClipboardItem").toString(), QStringLiteral("richText"));
        QCOMPARE(
            side.value("SELECT id FROM ClipboardItem").toString(), item->id().toString(QUuid::WithoutBraces).toUpper());
        QVERIFY(side.value("SELECT categoryId FROM ClipboardItem").isNull());
        QCOMPARE(side.value("SELECT group_concat(name) FROM pragma_table_info('ClipboardItem')").toString(),
            QStringLiteral("id,content,type,sourceAppName,sourceAppBundleId,isPinned,createdAt,"
                           "characterCount,categoryId,imageDigest,imageData"));
        QCOMPARE(side.value("PRAGMA user_version").toInt(), 2);
        QCOMPARE(side.value("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
        QCOMPARE(QFile::permissions(m_store->path()) & 0x0077, QFileDevice::Permissions());
    }

    void everyTextIsStoredExactly()
    {
        // Leading byte-order marks, in either order, were dropped or turned the text into garbage.
        const QStringList texts = {u"\uFFFEbyte-swapped?"_s, u"\uFEFFkept mark"_s, u"\uFEFF"_s, u"\uFFFE"_s,
            u"mid\uFEFFdle"_s, u"Stra\u00DFe \u0130stanbul \u0131"_s,
            u"\U0001F468\u200D\U0001F469\u200D\U0001F467 \U0001F1E9\U0001F1EA"_s, u"\u6F22\u5B57\u304B\u306A"_s,
            u"e\u0301 \u202Eright-to-left"_s, QString(u"nul\0inside"_s), u""_s};
        QList<QUuid> ids;
        for (const QString &content : texts) {
            const auto stored = text(content);
            stored->setSourceAppName(content);
            context().insert(stored);
            ids.append(stored->id());
        }
        auto category = ClipCategory::create(u"\uFFFEcategory"_s, u"#FF0000"_s, u"tag"_s, 0, false);
        context().insert(category);
        QVERIFY(save());
        // And through an update of a stored row.
        context().fetch<ClipboardItem>().first()->setContent(u"\uFFFE\uFEFFupdated"_s);
        QVERIFY(save());

        reopen();
        const auto loaded = context().fetch<ClipboardItem>();
        QCOMPARE(loaded.size(), texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QString expected = i == 0 ? u"\uFFFE\uFEFFupdated"_s : texts.at(i);
            QCOMPARE(loaded.at(i)->id(), ids.at(i));
            QCOMPARE(loaded.at(i)->content(), expected);
            QCOMPARE(loaded.at(i)->sourceAppName(), std::optional(texts.at(i)));
        }
        QCOMPARE(context().fetch<ClipCategory>().first()->name(), u"\uFFFEcategory"_s);
        // Stored as text, so that SQL and other tools read it as such.
        SideConnection side(m_store->path());
        QCOMPARE(side.value("SELECT group_concat(DISTINCT typeof(content)) FROM ClipboardItem").toString(), u"text"_s);
    }

    // Items of one program share what is read of it; each keeps its own once changed.
    void sourcesAreReadAsStored()
    {
        using Source = std::pair<std::optional<QString>, std::optional<QString>>;
        const QList<Source> sources
            = {{std::nullopt, std::nullopt}, {u""_s, std::nullopt}, {std::nullopt, u""_s}, {u""_s, u""_s},
                {u"Firefox"_s, u"firefox-esr"_s}, {u"Firefox"_s, std::nullopt}, {u"Firefox"_s, u"firefox-esr"_s},
                {u"Firefox"_s, u"org.mozilla.firefox"_s}, {u"firefox-esr"_s, u"Firefox"_s}};
        for (const auto &[name, bundleId] : sources)
            context().insert(ClipboardItem::create("x", ClipboardItemType::text, std::nullopt, name, bundleId));
        QVERIFY(save());
        reopen();
        const auto read = [&] {
            QList<Source> found;
            for (const auto &item : context().fetch<ClipboardItem>())
                found.append({item->sourceAppName(), item->sourceAppBundleId()});
            return found;
        };
        QCOMPARE(read(), sources);

        auto expected = sources;
        const auto items = context().fetch<ClipboardItem>();
        items.at(4)->setSourceAppName(u"Chromium"_s);
        items.at(0)->setSourceAppBundleId(u"xterm"_s);
        expected[4].first = u"Chromium"_s;
        expected[0].second = u"xterm"_s;
        QCOMPARE(read(), expected);
        QVERIFY(save());
        reopen();
        QCOMPARE(read(), expected);
    }

    void imageBytesAreKeptUntilADeleteIsSaved()
    {
        const QByteArray bytes = QByteArray(300 * 1024, 'x') + "end";
        const auto image = ClipboardItem::create("Image (300 KB)", ClipboardItemType::image, bytes);
        const auto head = std::pair(bytes.size(), bytes.left(16));
        QCOMPARE(image->imageDataHead(16), head); // still in memory
        context().insert(image);
        context().save();
        QCOMPARE(image->imageData(), bytes); // not written yet: still in memory
        QVERIFY(context().waitForSaves());
        QCOMPARE(image->imageData(), bytes);
        QCOMPARE(image->imageDataHead(16), head); // read from the store
        // An update, and a delete undone before it is saved, keep the stored bytes.
        image->setPinned(true);
        QVERIFY(save());
        context().remove(image);
        context().insert(image);
        QVERIFY(save());
        reopen();
        auto items = context().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QVERIFY(items.first()->isPinned() && items.first()->hasImageData());
        QCOMPARE(items.first()->imageData(), bytes);

        // After the delete is saved: a new row, which no longer has the deleted bytes.
        context().remove(items.first());
        QVERIFY(save());
        context().insert(items.first());
        QVERIFY(save());
        reopen();
        items = context().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->id(), image->id());
        QVERIFY(!items.first()->hasImageData());
        // Clearing stored bytes clears the column.
        items.first()->setImageData(bytes);
        QVERIFY(save());
        items.first()->setImageData(std::nullopt);
        QVERIFY(save());
        QVERIFY(SideConnection(m_store->path()).value("SELECT imageData FROM ClipboardItem").isNull());
    }

    void aSaveWritesEachRowOnce()
    {
        SideConnection side(m_store->path());
        QVERIFY(side.exec("CREATE TABLE Updates (count INTEGER)"));
        QVERIFY(side.exec("INSERT INTO Updates VALUES (0)"));
        QVERIFY(side.exec("CREATE TRIGGER CountUpdates AFTER UPDATE ON ClipboardItem BEGIN UPDATE Updates SET count = "
                          "count + 1; END"));
        // A new image's bytes go into the file once, with its row.
        context().insert(item("Image (300 KB)", ClipboardItemType::image, QByteArray(300 * 1024, 'x')));
        QVERIFY(save());
        QCOMPARE(side.value("SELECT count FROM Updates").toInt(), 0);
        context().fetch<ClipboardItem>().first()->setPinned(true);
        QVERIFY(save());
        QCOMPARE(side.value("SELECT count FROM Updates").toInt(), 1);
    }

    void rowsOfUnknownTypeAreSkipped()
    {
        context().insert(text("kept"));
        QVERIFY(save());
        m_store->close();
        {
            // One on either side of the known row, far enough apart that the history is read in two
            // halves.
            SideConnection side(m_store->path());
            for (const char *rowid : {"0", "50000"}) {
                QVERIFY(side.exec(QStringLiteral("INSERT INTO ClipboardItem (rowid, id, content, type, isPinned, "
                                                 "createdAt, characterCount) VALUES (%1, 'X', 'future', 'video', 0, "
                                                 "1, 6)")
                                      .arg(rowid)));
            }
        }
        // Said once, for the whole history.
        QTest::failOnWarning(QRegularExpression("skipped [^2]"));
        QTest::ignoreMessage(QtWarningMsg, "skipped 2 stored items of an unknown type");
        m_store->open();
        const auto items = context().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->content(), QStringLiteral("kept"));
        // Saving other changes leaves the unknown rows as they were.
        items.first()->setPinned(true);
        QVERIFY(save());
        SideConnection side(m_store->path());
        QCOMPARE(side.value("SELECT count(*) FROM ClipboardItem WHERE type = 'video'").toInt(), 2);
    }

    void imagesAreFoundByTheirDigest()
    {
        const QByteArray png = solidPng(8, 8, Qt::red);
        const QByteArray digest = *ImageDigest::ofEncoded(png);
        const auto image = [&](const char *label) {
            auto made = item(label, ClipboardItemType::image, png);
            made->setImageDigest(digest);
            return made;
        };
        const auto older = image("Image (1 KB)");
        context().insert(older);
        const auto newer = image("/tmp/red.png");
        context().insert(newer);
        context().insert(text("same digest, but text"));
        context().fetch<ClipboardItem>().last()->setImageDigest(digest);
        QCOMPARE(context().newestImage(digest), newer);
        QVERIFY(!context().newestImage(*ImageDigest::ofEncoded(solidPng(8, 8, Qt::blue))));
        // New bytes make the old digest stale; the item is no candidate until it has a new one.
        newer->setImageData(solidPng(8, 8, Qt::blue));
        QVERIFY(!newer->imageDigest());
        QCOMPARE(context().newestImage(digest), older);
        QVERIFY(save());

        reopen();
        const auto loaded = context().newestImage(digest);
        QVERIFY(loaded);
        QCOMPARE(loaded->id(), older->id());
        QCOMPARE(loaded->imageDigest(), digest);
        // Changing other fields keeps the stored digest.
        loaded->setPinned(true);
        QVERIFY(save());
        reopen();
        QCOMPARE(context().newestImage(digest)->id(), older->id());
    }

    void aVersion1StoreIsUpgradedAndItsImagesGetDigests()
    {
        m_store->close();
        QFile::remove(m_store->path());
        const QByteArray png = solidPng(5, 4, Qt::green);
        const QByteArray jpeg = encodedImage(QImage::fromData(png), "JPEG");
        const QString everyColumn = "SELECT group_concat(quote(id) || quote(content) || quote(type) || "
                                    "quote(sourceAppName) || quote(isPinned) || quote(createdAt) || "
                                    "quote(characterCount) || quote(categoryId) || quote(imageData), '|') "
                                    "FROM (SELECT * FROM ClipboardItem ORDER BY rowid)";
        writeVersion1Store(m_store->path(), png, jpeg);
        QString before;
        {
            SideConnection side(m_store->path());
            before = side.value(everyColumn).toString();
        }

        m_store->open();
        QSignalSpy backfilled(&context(), &ModelContext::imageDigestsBackfilled);
        const auto items = context().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 4);
        QVERIFY(!items.at(0)->imageDigest()); // not before the background step
        QVERIFY(backfilled.wait(10000));
        QCOMPARE(items.at(0)->imageDigest(), ImageDigest::ofEncoded(png));
        QCOMPARE(items.at(2)->imageDigest(), ImageDigest::ofEncoded(jpeg));
        QVERIFY(!items.at(1)->imageDigest() && !items.at(3)->imageDigest());
        QCOMPARE(context().newestImage(*ImageDigest::ofEncoded(png)), items.at(0));
        QVERIFY(!context().hasChanges());
        {
            SideConnection side(m_store->path());
            QCOMPARE(side.value("PRAGMA user_version").toInt(), 2);
            QCOMPARE(side.value(everyColumn).toString(), before);
            QCOMPARE(side.value("SELECT count(imageDigest) FROM ClipboardItem").toInt(), 2);
        }

        // Later starts read the stored digests in the background too, without computing them again.
        reopen();
        QSignalSpy again(&context(), &ModelContext::imageDigestsBackfilled);
        QVERIFY(again.wait(10000));
        QCOMPARE(context().newestImage(*ImageDigest::ofEncoded(jpeg))->content(), QStringLiteral("/home/me/green.jpg"));
    }

    void aDigestOfBytesReplacedMeanwhileIsDropped()
    {
        const QByteArray red = solidPng(6, 6, Qt::red), blue = solidPng(6, 6, Qt::blue);
        context().insert(ClipboardItem::create("Image (1 KB)", ClipboardItemType::image, red));
        QVERIFY(save());
        reopen(); // the backfill starts on the red picture...
        QSignalSpy backfilled(&context(), &ModelContext::imageDigestsBackfilled);
        const auto item = context().fetch<ClipboardItem>().first();
        item->setImageData(blue); // ...which is replaced before its digest arrives
        QVERIFY(save());
        QVERIFY(backfilled.wait(10000));
        // Never the red picture's digest; the blue one's only if the backfill read the new bytes.
        const QByteArray blueDigest = *ImageDigest::ofEncoded(blue);
        QVERIFY(!item->imageDigest() || *item->imageDigest() == blueDigest);
        const QVariant stored = SideConnection(m_store->path()).value("SELECT imageDigest FROM ClipboardItem");
        QVERIFY(stored.isNull() || stored.toByteArray() == blueDigest);

        // Where the first backfill already read the blue bytes, the store has nothing left to backfill
        // and announces nothing: wait for the digest, not for the announcement.
        reopen();
        QTRY_COMPARE_WITH_TIMEOUT(
            context().fetch<ClipboardItem>().first()->imageDigest(), ImageDigest::ofEncoded(blue), 10000);
        QCOMPARE(context().fetch<ClipboardItem>().first()->imageData(), blue);
    }

    void aFailedSaveIsReportedAndRetriedWithoutLoss()
    {
        QSignalSpy failed(&context(), &ModelContext::saveFailed);
        const auto first = text("first");
        context().insert(first);
        {
            // A second connection holding a write transaction keeps the writer out.
            SideConnection side(m_store->path());
            QVERIFY(side.exec("BEGIN IMMEDIATE"));
            context().save();
            QVERIFY(!context().hasChanges());
            QVERIFY(!context().waitForSaves());
            QCOMPARE(failed.size(), 1);
            QCOMPARE(failed.first().first().value<SaveFailure>().cause, SaveFailure::Cause::locked);
            // A lock that passes is no full disk.
            QVERIFY(!context().isDiskFull());
            QVERIFY(context().hasChanges());
            QCOMPARE(context().count<ClipboardItem>(), 1);
            side.exec("ROLLBACK");
        }
        // Changed while it was refused: still written as a new row, with what it holds now.
        first->setPinned(true);
        QVERIFY(save());
        reopen();
        QCOMPARE(storedContents(), QStringList{"first"});
        QVERIFY(context().fetch<ClipboardItem>().first()->isPinned());
    }

    void refusalsSayWhetherTheDiskIsFull_data()
    {
        QTest::addColumn<int>("resultCode");
        QTest::addColumn<int>("systemErrno");
        QTest::addColumn<int>("cause");
        const int full = int(SaveFailure::Cause::diskFull);
        const int locked = int(SaveFailure::Cause::locked);
        const int other = int(SaveFailure::Cause::other);
        QTest::newRow("full") << SQLITE_FULL << 0 << full;
        QTest::newRow("a short write") << SQLITE_IOERR_WRITE << ENOSPC << full;
        QTest::newRow("the WAL index cannot grow") << SQLITE_IOERR_SHMSIZE << ENOSPC << full;
        QTest::newRow("the quota is used up") << SQLITE_IOERR_WRITE << EDQUOT << full;
        QTest::newRow("a failing disk") << SQLITE_IOERR_WRITE << EIO << other;
        QTest::newRow("an errno left from an earlier I/O error") << SQLITE_CONSTRAINT_TRIGGER << ENOSPC << other;
        QTest::newRow("busy") << SQLITE_BUSY << 0 << locked;
        QTest::newRow("an old snapshot") << SQLITE_BUSY_SNAPSHOT << 0 << locked;
        QTest::newRow("a locked table") << SQLITE_LOCKED << 0 << locked;
        QTest::newRow("read-only") << SQLITE_READONLY << 0 << other;
    }
    void refusalsSayWhetherTheDiskIsFull()
    {
        QFETCH(int, resultCode);
        QFETCH(int, systemErrno);
        QFETCH(int, cause);
        QCOMPARE(int(SaveFailure::causeOf(resultCode, systemErrno)), cause);
    }

    void aFullDiskLastsUntilASaveIsWritten()
    {
        SmallTmpfs tmpfs;
        if (!tmpfs.isMounted())
            QSKIP(qPrintable(tmpfs.problem()));
        m_store = std::make_unique<TemporaryStore>(m_clock, tmpfs.path());
        m_store->open();
        context().insert(text("before"));
        QVERIFY(save());
        QSignalSpy fullness(&context(), &ModelContext::diskFullChanged);
        QSignalSpy failed(&context(), &ModelContext::saveFailed);
        QSignalSpy saved(&context(), &ModelContext::saved);
        QVERIFY(tmpfs.fill());
        for (const char *content : {"while full 1", "while full 2"}) {
            context().insert(text(content));
            QVERIFY(!save());
        }
        QCOMPARE(failed.size(), 2);
        for (const auto &arguments : std::as_const(failed))
            QCOMPARE(arguments.first().value<SaveFailure>().cause, SaveFailure::Cause::diskFull);
        QVERIFY(context().isDiskFull());
        QCOMPARE(fullness.size(), 1);
        QCOMPARE(context().unsavedChangeCount(), 2);
        QCOMPARE(context().lastSaveFailure()->cause, SaveFailure::Cause::diskFull);
        QCOMPARE(storedContents(), QStringList({"before", "while full 1", "while full 2"}));

        tmpfs.free();
        m_clock.advance(30000);
        QVERIFY(context().waitForSaves());
        QVERIFY(!context().isDiskFull());
        QCOMPARE(fullness.size(), 2);
        QCOMPARE(saved.size(), 1);
        QVERIFY(!context().lastSaveFailure());
        m_store->reopen();
        QCOMPARE(storedContents(), QStringList({"before", "while full 1", "while full 2"}));
        m_store.reset();
    }

    void aFullDiskEndsWhenNothingWaitsAnyMore()
    {
        SmallTmpfs tmpfs;
        if (!tmpfs.isMounted())
            QSKIP(qPrintable(tmpfs.problem()));
        m_store = std::make_unique<TemporaryStore>(m_clock, tmpfs.path());
        m_store->open();
        QVERIFY(tmpfs.fill());
        const auto copy = text("deleted before it was written");
        context().insert(copy);
        QVERIFY(!save());
        QVERIFY(context().isDiskFull());
        context().remove(copy);
        QCOMPARE(context().unsavedChangeCount(), 0);
        m_clock.advance(30000);
        QVERIFY(!context().isDiskFull());
        m_store.reset();
    }

    void aRefusedSaveIsTriedAgainOnItsOwn()
    {
        // Nothing else saves after the refusal.
        QSignalSpy failed(&context(), &ModelContext::saveFailed);
        context().insert(text("written once the lock is gone"));
        {
            SideConnection side(m_store->path());
            QVERIFY(side.exec("BEGIN IMMEDIATE"));
            context().save();
            QVERIFY(!context().waitForSaves());
            side.exec("ROLLBACK");
        }
        m_clock.advance(999);
        QVERIFY(context().hasChanges());
        m_clock.advance(1);
        QVERIFY(!context().hasChanges());
        QVERIFY(context().waitForSaves());
        QCOMPARE(failed.size(), 1);
        reopen();
        QCOMPARE(storedContents(), QStringList{"written once the lock is gone"});
    }

    void savesAfterARefusedOneWaitForItsRetry()
    {
        {
            SideConnection side(m_store->path());
            QVERIFY(side.exec("CREATE TABLE Refused (content TEXT)"));
            QVERIFY(side.exec("INSERT INTO Refused VALUES ('first')"));
            QVERIFY(side.exec("CREATE TRIGGER RefuseFirst BEFORE INSERT ON ClipboardItem WHEN NEW.content IN "
                              "(SELECT content FROM Refused) BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        }
        QSignalSpy failed(&context(), &ModelContext::saveFailed);
        // The second save is queued behind the first, and the writer would accept it.
        context().insert(text("first"));
        context().save();
        const auto second = text("second");
        context().insert(second);
        context().save();
        QVERIFY(failed.wait(10000));
        const auto failure = failed.first().first().value<SaveFailure>();
        QVERIFY2(failure.message.contains("refused"), qPrintable(failure.message));
        QCOMPARE(failure.cause, SaveFailure::Cause::other);
        QVERIFY(context().hasChanges());
        QCOMPARE(storedContents(), QStringList({"first", "second"}));

        QVERIFY(SideConnection(m_store->path()).exec("DELETE FROM Refused"));
        second->setContent("second, edited");
        context().insert(text("third"));
        QVERIFY(save());
        QCOMPARE(failed.size(), 1);
        reopen();
        QCOMPARE(storedContents(), QStringList({"first", "second, edited", "third"}));
    }

    void savesApplyInOrderAndClosingWaitsForThem()
    {
        const auto item = text("1");
        context().insert(item);
        context().save();
        item->setContent("2");
        context().save();
        context().remove(item);
        context().save();
        context().insert(item);
        item->setContent("3");
        context().save();
        for (int i = 0; i < 100; ++i) {
            context().insert(text(QString::number(100 + i)));
            context().save();
        }
        context().remove(context().fetch<ClipboardItem>().last());
        context().save();
        QCOMPARE(context().count<ClipboardItem>(), 100);

        // Closing the store is what the program does at exit.
        reopen();
        const QStringList contents = storedContents();
        QCOMPARE(contents.size(), 100);
        QCOMPARE(contents.first(), QStringLiteral("3"));
        QCOMPARE(contents.at(1), QStringLiteral("100"));
        QCOMPARE(contents.last(), QStringLiteral("198"));
    }

    void deletedContentIsGoneFromTheFiles()
    {
        // Other rows share the page, so it stays in use after the deletion.
        for (int i = 0; i < 20; ++i)
            context().insert(text(QStringLiteral("neighbour %1").arg(i)));
        const auto secret = text("PIN 4711-SECRET-MARKER");
        context().insert(secret);
        QVERIFY(save());
        context().remove(secret);
        QVERIFY(save());
        for (const QString &suffix : {QString(), QStringLiteral("-wal")}) {
            QFile file(m_store->path() + suffix);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QVERIFY2(!file.readAll().contains("4711-SECRET-MARKER"), qPrintable("still in " + file.fileName()));
        }
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
        QCOMPARE(error, "it is not a Quillbox store: damaged, or another kind of file");
        QFile file(corrupt);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), garbage);

        // A folder that cannot be created: its parent is a file.
        error.clear();
        QVERIFY(!ModelContainer::open(dir.filePath("Quillbox.sqlite/inner/Quillbox.sqlite"), &error));
        QCOMPARE(error, "its folder " + dir.filePath("Quillbox.sqlite/inner") + " cannot be created (Not a directory)");

        // A store written by a newer version is not touched.
        const QString newer = dir.filePath("newer.sqlite");
        {
            SideConnection side(newer);
            side.exec("PRAGMA user_version = 99");
        }
        error.clear();
        QVERIFY(!ModelContainer::open(newer, &error));
        QCOMPARE(error, "it was written by a newer version of Quillbox (store version 99)");
    }

    // The program reads its history on a thread of its own while it sets up its windows, and opens
    // the store with what was read.
    void aStoreReadOnAnotherThreadOpensWithItsRecords()
    {
        const auto pinned = ClipboardItem::create("pinned", ClipboardItemType::url, std::nullopt,
            QStringLiteral("Firefox"), QStringLiteral("firefox-esr"), true);
        context().insert(text(u"\uFFFEfirst"_s));
        context().insert(pinned);
        context().insert(ClipCategory::create("Work", "#FF0000", "tag", 0, false));
        QVERIFY(save());
        m_store->close();

        auto contents = std::async(std::launch::async, [path = m_store->path()] { return ModelContainer::read(path); });
        QString error;
        const auto container = ModelContainer::open(m_store->path(), contents.get(), &error, m_clock);
        QVERIFY2(container, qPrintable(error));
        // The reading connection is closed with its thread's work, not left behind.
        QCOMPARE(QSqlDatabase::connectionNames().filter("quillbox-store-read"), QStringList());
        ModelContext &opened = container->mainContext();
        const auto items = opened.fetch<ClipboardItem>();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.first()->content(), u"\uFFFEfirst"_s);
        QCOMPARE(items.last()->id(), pinned->id());
        QVERIFY(items.last()->isPinned());
        QCOMPARE(items.last()->sourceAppName(), QStringLiteral("Firefox"));
        QCOMPARE(opened.fetch<ClipCategory>().size(), 1);
        QVERIFY(opened.newestItem(ItemText(QStringLiteral("pinned")), ClipboardItemType::url));

        // What it writes is in the file.
        opened.remove(items.first());
        opened.save();
        QVERIFY(opened.waitForSaves());
    }

    // A long history is read in parts at once: together they hold every item once, in store order,
    // whichever rows were deleted before.
    void aHistoryReadInPartsKeepsItsOrder()
    {
        QRandomGenerator random(7);
        for (int count : {1, 2, 3, 40}) {
            m_store = std::make_unique<TemporaryStore>(m_clock);
            m_store->open();
            for (int i = 0; i < count; ++i)
                context().insert(text(QString::number(i)));
            QVERIFY(save());
            for (const auto &item : context().fetch<ClipboardItem>()) {
                if (count > 3 && random.bounded(3) == 0)
                    context().remove(item);
            }
            QVERIFY(save());
            QStringList expected = storedContents();
            m_store->close();

            QString error;
            const auto whole = ModelContainer::openForReading(m_store->path(), &error);
            QVERIFY2(whole, qPrintable(error));
            QStringList readWhole;
            for (const auto &item : whole->mainContext().fetch<ClipboardItem>())
                readWhole.append(item->content());
            QCOMPARE(readWhole, expected);
            m_store->open();
            QCOMPARE(storedContents(), expected);
        }
    }

    // A page of the history damaged on disk stops the read there: the store is not opened with the
    // items before it as if they were all, and the file is left for the person to rescue.
    void aHistoryDamagedPartWayIsNotOpenedShorter()
    {
        for (int i = 0; i < 300; ++i)
            context().insert(text(QString::number(i) + QString(1000, u'x')));
        QVERIFY(save());
        m_store->close();
        QFile file(m_store->path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 pageSize = 4096;
        const qint64 pages = file.size() / pageSize;
        QVERIFY(pages > 50);
        // Pages in the middle of the file: the table's leaves, between its first and last rows.
        for (qint64 page = pages * 2 / 5; page < pages * 3 / 5; page += 3) {
            QVERIFY(file.seek(page * pageSize));
            file.write(QByteArray(pageSize, '\x5a'));
        }
        QVERIFY(file.seek(0));
        const QByteArray damaged = file.readAll();
        file.close();
        QString error;
        QVERIFY(!ModelContainer::open(m_store->path(), &error, m_clock));
        QCOMPARE(error, "it cannot be read (database disk image is malformed)");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == damaged);
    }

    // A file removed between the read and the open is not filled again with the history it held.
    void aStoreRemovedWhileItIsReadIsNotOpened()
    {
        context().insert(text("kept"));
        QVERIFY(save());
        m_store->close();
        ModelContainer::Contents contents = ModelContainer::read(m_store->path());
        QVERIFY(contents.records);
        QVERIFY(QFile::remove(m_store->path()));
        QString error;
        QVERIFY(!ModelContainer::open(m_store->path(), std::move(contents), &error, m_clock));
        QCOMPARE(error, "it was replaced while it was being read");
    }

    // A command that only reads creates, upgrades and switches nothing: the file stays as it was,
    // byte for byte, whatever it holds.
    void readingLeavesTheFileAsItWas()
    {
        QTemporaryDir dir;
        QString error;

        const QString empty = dir.filePath("empty.sqlite");
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
        auto container = ModelContainer::openForReading(empty, &error);
        QVERIFY2(container, qPrintable(error));
        QCOMPARE(container->mainContext().count<ClipboardItem>(), 0);
        container.reset();
        QCOMPARE(QFileInfo(empty).size(), 0);
        QCOMPARE(journals(empty), QStringList());

        const QString foreign = dir.filePath("notes.sqlite");
        {
            SideConnection side(foreign);
            QVERIFY(side.exec("CREATE TABLE notes (text TEXT)"));
            QVERIFY(side.exec("INSERT INTO notes VALUES ('mine')"));
        }
        const QByteArray foreignSum = checksum(foreign);
        QVERIFY(!ModelContainer::openForReading(foreign, &error));
        QCOMPARE(error, "it is not a Quillbox store: it holds another program's tables");

        // Of an older version: read as it is, digests left to the program's upgrade.
        const QString older = dir.filePath("older.sqlite");
        const QByteArray png = solidPng(5, 4, Qt::green);
        writeVersion1Store(older, png, encodedImage(QImage::fromData(png), "JPEG"));
        const QByteArray olderSum = checksum(older);
        container = ModelContainer::openForReading(older, &error);
        QVERIFY2(container, qPrintable(error));
        const auto items = container->mainContext().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items.at(1)->content(), QStringLiteral("text"));
        QVERIFY(items.at(1)->isPinned());
        QVERIFY(items.at(0)->hasImageData() && !items.at(0)->imageDigest());
        container.reset();

        const QString newer = dir.filePath("newer.sqlite");
        QVERIFY(QFile::copy(older, newer));
        {
            SideConnection side(newer);
            QVERIFY(side.exec("PRAGMA user_version = 3"));
        }
        const QByteArray newerSum = checksum(newer);
        QVERIFY(!ModelContainer::openForReading(newer, &error));
        QCOMPARE(error, "it was written by a newer version of Quillbox (store version 3)");

        // This version's own store, closed: read while its journal mode stays WAL.
        context().insert(text("kept"));
        QVERIFY(save());
        m_store->close();
        const QByteArray currentSum = checksum(m_store->path());
        container = ModelContainer::openForReading(m_store->path(), &error);
        QVERIFY2(container, qPrintable(error));
        QCOMPARE(container->mainContext().fetch<ClipboardItem>().value(0)->content(), QStringLiteral("kept"));
        container.reset();

        QCOMPARE(checksum(foreign), foreignSum);
        QCOMPARE(checksum(older), olderSum);
        QCOMPARE(checksum(newer), newerSum);
        QCOMPARE(checksum(m_store->path()), currentSum);
        for (const QString &path : {foreign, older, newer})
            QCOMPARE(journals(path), QStringList());
    }

    // The program opens another program's SQLite file no more than a command does; an empty file
    // becomes its store.
    void theProgramRefusesAnotherProgramsFile()
    {
        QTemporaryDir dir;
        QString error;
        const QString foreign = dir.filePath("notes.sqlite");
        {
            SideConnection side(foreign);
            QVERIFY(side.exec("CREATE TABLE notes (text TEXT)"));
        }
        const QByteArray before = checksum(foreign);
        QVERIFY(!ModelContainer::open(foreign, &error));
        QCOMPARE(error, "it is not a Quillbox store: it holds another program's tables");
        QCOMPARE(checksum(foreign), before);
        QCOMPARE(journals(foreign), QStringList());

        const QString empty = dir.filePath("empty.sqlite");
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
        const auto store = ModelContainer::open(empty, &error);
        QVERIFY2(store, qPrintable(error));
        store->mainContext().insert(text("first"));
        store->mainContext().save();
        QVERIFY(store->waitForSaves());
    }

    // Only a regular file, or nothing, is ever opened at the store's path: a named pipe would block
    // the open for good, a device may act on it. Both kinds of opening say what is there.
    void pathsThatAreNoFileAreNeverOpened_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("named pipe") << "fifo"
                                    << "it is a named pipe (FIFO), not a file";
        QTest::newRow("folder") << "folder"
                                << "it is a folder, not a file";
        QTest::newRow("socket") << "socket"
                                << "it is a socket, not a file";
        QTest::newRow("link to a device") << "device"
                                          << "it is a device, not a file";
    }
    void pathsThatAreNoFileAreNeverOpened()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("Quillbox.sqlite");
        const QByteArray native = QFile::encodeName(path);
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const auto closeSocket = qScopeGuard([socket] { ::close(socket); });
        if (kind == "fifo")
            QVERIFY(::mkfifo(native.constData(), 0600) == 0);
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == "socket") {
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, native.constData(), sizeof(address.sun_path) - 1);
            QVERIFY(::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0);
        } else
            QVERIFY(QFile::link("/dev/null", path));
        QString error;
        QVERIFY(!ModelContainer::openForReading(path, &error));
        QCOMPARE(error, reason);
        error.clear();
        QVERIFY(!ModelContainer::open(path, &error));
        QCOMPARE(error, reason);
        if (kind == "fifo") {
            struct stat info = {};
            QVERIFY(::stat(native.constData(), &info) == 0 && S_ISFIFO(info.st_mode));
        }
    }

    void fetchFiltersAndSortsStably()
    {
        const auto a = text("a"), b = text("b"), c = text("c");
        b->setPinned(true);
        for (const auto &item : {a, b, c})
            context().insert(item);
        const auto unpinned
            = context().fetch<ClipboardItem>({[](const ClipboardItem &item) { return !item.isPinned(); },
                SortDescriptor<ClipboardItem>(&ClipboardItem::content, Qt::DescendingOrder)});
        QCOMPARE(unpinned, QList({c, a}));
        // Equal keys keep the store's order.
        const auto byPin
            = context().fetch<ClipboardItem>({{}, SortDescriptor<ClipboardItem>(&ClipboardItem::isPinned)});
        QCOMPARE(byPin, QList({a, c, b}));
    }

    void capturesIndexesFollowChanges()
    {
        auto older = text("same");
        context().insert(older);
        auto between = text("same");
        context().insert(between);
        auto newer = text("same");
        context().insert(newer);
        context().insert(ClipboardItem::create("same", ClipboardItemType::url));
        QCOMPARE(context().newestItem(ItemText(QStringLiteral("same")), ClipboardItemType::text), newer);
        QVERIFY(!context().newestItem(ItemText(QStringLiteral("Same")), ClipboardItemType::text));
        context().remove(between);
        QCOMPARE(context().newestItem(ItemText(QStringLiteral("same")), ClipboardItemType::text), newer);
        context().remove(newer);
        QCOMPARE(context().newestItem(ItemText(QStringLiteral("same")), ClipboardItemType::text), older);
        older->setContent("other");
        QVERIFY(!context().newestItem(ItemText(QStringLiteral("same")), ClipboardItemType::text));
        QCOMPARE(context().newestItem(ItemText(QStringLiteral("other")), ClipboardItemType::text), older);

        QCOMPARE(context().unpinnedItemCount(), 2);
        older->setPinned(true);
        QCOMPARE(context().unpinnedItemCount(), 1);
        QCOMPARE(context().unpinnedItemsBeyond(0).size(), 1);
        QVERIFY(context().unpinnedItemsBeyond(1).isEmpty());
    }

    // Deleting many items at once (a clear, a prune) leaves the store and the capture indexes as
    // deleting them one by one does.
    void deletingManyAtOnceKeepsTheIndexes()
    {
        QList<std::shared_ptr<ClipboardItem>> items;
        for (int i = 0; i < 60; ++i) {
            auto item = text(QStringLiteral("text %1").arg(i % 20)); // each content three times
            item->setPinned(i % 7 == 0);
            context().insert(item);
            items.append(item);
        }
        QVERIFY(save());
        QList<std::shared_ptr<ClipboardItem>> doomed;
        for (int i = 0; i < items.size(); ++i) {
            if (i % 3 != 1)
                doomed.append(items.at(i));
        }
        const auto image = ClipboardItem::create("shot.png", ClipboardItemType::image, QByteArray("png"));
        image->setImageDigest(QByteArray("digest"));
        context().insert(image);
        QVERIFY(context().newestImage("digest"));
        doomed.append(image);
        doomed.append(doomed.first()); // named twice, deleted once
        doomed.append(text("never inserted"));
        // Whoever hears of a deletion finds every item of the batch gone already.
        int halfGone = 0;
        QSignalSpy removed(&context(), &ModelContext::recordRemoved);
        connect(&context(), &ModelContext::recordRemoved, this, [&] {
            for (const auto &item : doomed)
                halfGone += item->modelContext() != nullptr || context().newestItem(item->text(), item->type()) == item;
        });
        context().remove(doomed);
        QCOMPARE(removed.size(), doomed.size() - 2);
        QCOMPARE(halfGone, 0);
        QVERIFY(!context().newestImage("digest"));

        const auto check = [&] {
            for (int i = 0; i < items.size(); ++i) {
                const auto &item = items.at(i);
                // Each content's one survivor is the item filed under it.
                const auto newest = context().newestItem(item->text(), ClipboardItemType::text);
                QVERIFY(newest);
                QCOMPARE(newest->content(), item->content());
                QCOMPARE(newest->modelContext(), &context());
                QVERIFY((i % 3 == 1) == (newest == item));
            }
            QCOMPARE(context().fetch<ClipboardItem>().size(), 20);
            int unpinned = 0;
            for (int i = 1; i < items.size(); i += 3)
                unpinned += !items.at(i)->isPinned();
            QCOMPARE(context().unpinnedItemCount(), unpinned);
            QCOMPARE(context().unpinnedItemsBeyond(0).size(), unpinned);
        };
        check();
        QVERIFY(save());
        reopen();
        items = context().fetch<ClipboardItem>();
        QCOMPARE(items.size(), 20);
        QCOMPARE(context().unpinnedItemsBeyond(0).size(),
            qsizetype(std::count_if(items.cbegin(), items.cend(), [](const auto &item) { return !item->isPinned(); })));
    }

    void liveQueryOrderMatchesAFetchThroughRandomChanges()
    {
        LiveQuery<ClipCategory> live(context(), SortDescriptor<ClipCategory>(&ClipCategory::sortOrder));
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
        constexpr quint32 seed = 7;
        QRandomGenerator random(seed);
        const auto sayTheSeed = qScopeGuard([] {
            if (QTest::currentTestFailed())
                qWarning("the random steps came from seed %u", seed);
        });
        QList<std::shared_ptr<ClipCategory>> records;
        for (int step = 0; step < 400; ++step) {
            const int action = records.size() < 5 ? 0 : int(random.bounded(4));
            if (action == 0) {
                records.append(ClipCategory::create("c", "#000000", "doc", int(random.bounded(6)), false));
                context().insert(records.last());
            } else if (action == 1) {
                context().remove(records.takeAt(random.bounded(records.size())));
            } else {
                records.at(random.bounded(records.size()))->setSortOrder(int(random.bounded(6)));
            }
            const auto fetched
                = context().fetch<ClipCategory>({{}, SortDescriptor<ClipCategory>(&ClipCategory::sortOrder)});
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
        LiveQuery<ClipboardItem> items(context(), {&ClipboardItem::createdAt, Qt::DescendingOrder});
        QAbstractItemModelTester tester(&items, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(&items, &QAbstractItemModel::dataChanged);
        const auto a = text("a");
        const auto b = text("b");
        context().insert(a);
        context().insert(b);
        context().insert(ClipCategory::create("not an item", "#000000", "doc", 0, false));
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
