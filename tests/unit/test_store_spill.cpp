#include "ManualClock.h"
#include "SmallTmpfs.h"
#include "TemporaryStore.h"
#include "TestImages.h"
#include "model/SpillFile.h"
#include "model/StoreSpill.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

constexpr QFileDevice::Permissions privateFile = QFileDevice::ReadUser | QFileDevice::WriteUser;
constexpr QFileDevice::Permissions privateFolder = privateFile | QFileDevice::ExeUser;

} // namespace

/// The spill against real SQLite files: what a run could not write comes back whole at the next start,
/// or not at all.
class TestStoreSpill : public QObject {
    Q_OBJECT

    ManualClock m_clock;
    std::unique_ptr<QTemporaryDir> m_elsewhere;
    std::unique_ptr<SmallTmpfs> m_tmpfs;
    std::unique_ptr<TemporaryStore> m_store;

    ModelContext &context() { return m_store->context(); }
    StoreSpill::Folders folders() const
    {
        return {m_elsewhere->filePath("cache/Quillbox"), m_elsewhere->filePath("runtime/Quillbox")};
    }
    std::unique_ptr<StoreSpill> spill(qint64 maxBytes = StoreSpill::defaultMaxBytes)
    {
        return std::make_unique<StoreSpill>(context(), m_store->path(), folders(), maxBytes);
    }
    // The spill files in both folders.
    QStringList spills() const
    {
        QStringList files;
        for (const QString &folder : {folders().cache, folders().runtime}) {
            for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files))
                files.append(file.filePath());
        }
        return files;
    }
    std::shared_ptr<ClipboardItem> text(const QString &content)
    {
        m_clock.advance(1);
        return ClipboardItem::create(content, ClipboardItemType::text, {}, {}, {}, false, {}, m_clock.now());
    }
    std::shared_ptr<ClipboardItem> image(const QByteArray &bytes)
    {
        m_clock.advance(1);
        return ClipboardItem::create(QStringLiteral("Image (%1 bytes)").arg(bytes.size()), ClipboardItemType::image,
            bytes, {}, {}, false, {}, m_clock.now());
    }
    QStringList contents()
    {
        QStringList contents;
        for (const auto &item : context().fetch<ClipboardItem>())
            contents.append(item->content());
        return contents;
    }
    std::shared_ptr<ClipboardItem> item(const QString &content)
    {
        const auto items = context().fetch<ClipboardItem>(
            {[&](const ClipboardItem &item) { return item.content() == content; }, std::nullopt});
        return items.isEmpty() ? nullptr : items.first();
    }
    bool save()
    {
        context().save();
        return context().waitForSaves();
    }
    // A store on a small tmpfs; skips the test where none can be mounted.
    bool storeOnTmpfs()
    {
        m_tmpfs = std::make_unique<SmallTmpfs>();
        if (!m_tmpfs->isMounted())
            return false;
        m_store = std::make_unique<TemporaryStore>(m_clock, m_tmpfs->path());
        m_store->open();
        return true;
    }

private slots:
    void init()
    {
        m_elsewhere = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<TemporaryStore>(m_clock);
        m_store->open();
    }
    void cleanup()
    {
        m_store.reset();
        m_tmpfs.reset();
    }

    void unsavedChangesComeBackWhole()
    {
        const QByteArray storedBytes = solidPng(40, 30, Qt::red);
        const QByteArray newBytes = solidPng(20, 10, Qt::blue);
        const auto category = ClipCategory::create("Work", "#112233", "folder", 0, false);
        const auto stored = image(storedBytes);
        const auto edited = text("to be edited");
        const auto deleted = text("deleted");
        for (const auto &record :
            std::initializer_list<std::shared_ptr<StoredRecord>>{category, stored, edited, deleted})
            context().insert(record);
        QVERIFY(save());

        // Never written: a new image and text, a pin on an image whose bytes are in the file, an edit,
        // a deletion and a renamed category.
        const auto newImage = image(newBytes);
        newImage->setCategoryId(category->id());
        context().insert(newImage);
        context().insert(text("copied while full"));
        stored->setPinned(true);
        edited->setContent("edited");
        context().remove(deleted);
        category->setName("Work, renamed");
        const auto unsaved = context().unsavedChangeCount();
        QCOMPARE(unsaved, 6);
        StoreSpill::Kept kept;
        {
            const mode_t umaskBefore = ::umask(0);
            kept = spill()->keep();
            ::umask(umaskBefore);
        }
        // The cache folder is on the store's file system here: the runtime folder takes it.
        QCOMPARE(QFileInfo(kept.file).absolutePath(), folders().runtime);
        QCOMPARE(kept.changes, unsaved);
        QCOMPARE(kept.leftOut, 0);
        QVERIFY(kept.lastsUntilLogout);
        QCOMPARE(QFile::permissions(kept.file) & 0x0777, privateFile);
        QCOMPARE(QFile::permissions(folders().runtime) & 0x0777, privateFolder);

        // The run ends without writing them; the next one takes them back in one save.
        m_store->reopen();
        QCOMPARE(contents(),
            QStringList({"Image (" + QString::number(storedBytes.size()) + " bytes)", "to be edited", "deleted"}));
        StoreSpill::Recovery recovery;
        {
            QSignalSpy saved(&context(), &ModelContext::saved);
            recovery = spill()->recover();
            QCOMPARE(saved.size(), 1);
        }
        QCOMPARE(recovery.file, kept.file);
        QCOMPARE(recovery.changes, unsaved);
        QVERIFY(recovery.written);
        QVERIFY(recovery.unusable.isEmpty());
        QVERIFY(!QFile::exists(kept.file));

        m_store->reopen();
        QCOMPARE(contents(), QStringList({stored->content(), "edited", newImage->content(), "copied while full"}));
        QVERIFY(item(stored->content())->isPinned());
        QCOMPARE(item(stored->content())->imageData(), storedBytes);
        QCOMPARE(item(newImage->content())->imageData(), newBytes);
        QCOMPARE(item(newImage->content())->categoryId(), category->id());
        QCOMPARE(item(newImage->content())->id(), newImage->id());
        QCOMPARE(context().fetch<ClipCategory>().first()->name(), QStringLiteral("Work, renamed"));
        QVERIFY(!context().hasChanges());
    }

    void takingTheSameChangesInTwiceDoesNoHarm()
    {
        // A start that wrote them but ended before it removed the file.
        const QByteArray bytes = solidPng(8, 8);
        context().insert(text("kept"));
        QVERIFY(save());
        context().insert(image(bytes));
        context().insert(text("new"));
        item("kept")->setPinned(true);
        const QString file = spill()->keep().file;
        const QString copy = m_elsewhere->filePath("copy");
        QVERIFY(QFile::copy(file, copy));
        m_store->reopen();
        QVERIFY(spill()->recover().written);
        QVERIFY(QFile::rename(copy, file));

        m_store->reopen();
        const auto again = spill()->recover();
        QVERIFY(again.written);
        QVERIFY(again.unusable.isEmpty());
        m_store->reopen();
        QCOMPARE(contents(), QStringList({"kept", "Image (" + QString::number(bytes.size()) + " bytes)", "new"}));
        QVERIFY(item("kept")->isPinned());
        QCOMPARE(context().fetch<ClipboardItem>().at(1)->imageData(), bytes);
        QVERIFY(spills().isEmpty());
    }

    void aSpillThatCannotBeUsedIsLeftAsItIs()
    {
        context().insert(text("stored"));
        QVERIFY(save());
        context().insert(text("unsaved"));
        const QString file = spill()->keep().file;
        m_store->reopen();
        // A write cut short is of no use to anyone.
        QFile(file + ".partial").open(QIODevice::WriteOnly);

        // One byte changed on the disk.
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        QByteArray bytes = damaged.readAll();
        bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x20);
        QVERIFY(damaged.seek(0));
        QCOMPARE(damaged.write(bytes), bytes.size());
        damaged.close();
        auto recovery = spill()->recover();
        QCOMPARE(recovery.unusable, QStringList(file + ": it is damaged"));
        QVERIFY(recovery.file.isEmpty());
        QVERIFY(!QFile::exists(file + ".partial"));
        QVERIFY(!context().hasChanges());
        QCOMPARE(contents(), QStringList("stored"));
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QCOMPARE(damaged.readAll(), bytes);
        damaged.close();

        // Whole, but one of its changes names no record: the others are not taken in either.
        QVERIFY(QFile::remove(file));
        context().insert(text("unsaved"));
        const QString second = spill()->keep().file;
        m_store->reopen();
        auto contents = std::get<SpillFile::Contents>(SpillFile::read(second));
        contents.changes.append({StoreWriter::Change::Kind::remove, "Nowhere", QUuid::createUuid().toString(), {}});
        QVERIFY(!SpillFile::write(second, contents));
        recovery = spill()->recover();
        QCOMPARE(recovery.unusable.size(), 1);
        QVERIFY2(recovery.unusable.first().startsWith(second + ": a change names no record"),
            qPrintable(recovery.unusable.first()));
        QVERIFY(!context().hasChanges());
        QCOMPARE(this->contents(), QStringList("stored"));
        QVERIFY(QFile::exists(second));
    }

    void aSpillStaysWithinItsBound()
    {
        const auto deleted = text("deleted");
        context().insert(deleted);
        QVERIFY(save());
        const QByteArray large(40 * 1024, 'L');
        const QByteArray medium(30 * 1024, 'M');
        const QByteArray small(10 * 1024, 'S');
        for (const QByteArray &bytes : {large, medium, small})
            context().insert(image(bytes));
        context().insert(text("short"));
        context().remove(deleted);

        // The largest goes first: the rest fit.
        const auto kept = spill(64 * 1024)->keep();
        QCOMPARE(kept.changes, 4);
        QCOMPARE(kept.leftOut, 1);
        QVERIFY(QFileInfo(kept.file).size() <= 64 * 1024);
        m_store->reopen();
        QVERIFY(spill()->recover().written);
        m_store->reopen();
        QList<QByteArray> images;
        for (const auto &item : context().fetch<ClipboardItem>())
            images.append(item->imageData().value_or("text"));
        QCOMPARE(images, QList<QByteArray>({medium, small, "text"}));
    }

    void aCacheOnTheStoresFileSystemIsPassedOver()
    {
        context().insert(text("unsaved"));
        auto kept
            = std::make_unique<StoreSpill>(context(), m_store->path(), StoreSpill::Folders{folders().cache, QString()})
                  ->keep();
        QVERIFY(kept.file.isEmpty());
        QCOMPARE(kept.failures,
            QStringList({folders().cache + ": on the store's file system", "$XDG_RUNTIME_DIR: not set"}));

        // A runtime folder that cannot be made: a file stands in its place.
        QVERIFY(QDir().mkpath(QFileInfo(folders().runtime).absolutePath()));
        QFile(folders().runtime).open(QIODevice::WriteOnly);
        kept = spill()->keep();
        QVERIFY(kept.file.isEmpty());
        QCOMPARE(kept.failures.last(), folders().runtime + ": it is not a folder");
    }

    void theCacheOnAnotherFileSystemComesFirst()
    {
        if (!storeOnTmpfs())
            QSKIP(qPrintable(m_tmpfs->problem()));
        context().insert(text("unsaved"));
        auto kept = spill()->keep();
        QCOMPARE(QFileInfo(kept.file).absolutePath(), folders().cache);
        QVERIFY(!kept.lastsUntilLogout);
        QCOMPARE(QFile::permissions(folders().cache) & 0x0777, privateFolder);

        // A cache that cannot take it hands it to the runtime folder.
        QVERIFY(QFile::remove(kept.file));
        QVERIFY(QDir(folders().cache).removeRecursively());
        QFile(folders().cache).open(QIODevice::WriteOnly);
        kept = spill()->keep();
        QCOMPARE(QFileInfo(kept.file).absolutePath(), folders().runtime);
        QCOMPARE(kept.failures, QStringList(folders().cache + ": it is not a folder"));
    }

    void aFullDiskKeepsTheSpillCurrentUntilItHasSpace()
    {
        if (!storeOnTmpfs())
            QSKIP(qPrintable(m_tmpfs->problem()));
        const auto following = spill();
        QSignalSpy fullness(&context(), &ModelContext::diskFullChanged);
        QSignalSpy failed(&context(), &ModelContext::saveFailed);
        QVERIFY(m_tmpfs->fill());
        context().insert(text("first while full"));
        QVERIFY(!save());
        QCOMPARE(failed.last().first().value<SaveFailure>().cause, SaveFailure::Cause::diskFull);
        QVERIFY(context().isDiskFull());
        const auto spilledChanges = [&] {
            const QStringList files = spills();
            if (files.size() != 1)
                return -1;
            const auto read = SpillFile::read(files.first());
            return std::holds_alternative<SpillFile::Contents>(read)
                ? int(std::get<SpillFile::Contents>(read).changes.size())
                : -1;
        };
        QTRY_COMPARE(spilledChanges(), 1);
        context().insert(text("second while full"));
        QVERIFY(!save());
        QTRY_COMPARE(spilledChanges(), 2);
        // One stretch of a full disk, however many saves it refuses.
        QCOMPARE(fullness.size(), 1);
        QCOMPARE(context().unsavedChangeCount(), 2);

        // Written by the retry, without a further change: the spill is out of date and goes.
        m_tmpfs->free();
        m_clock.advance(30000);
        QVERIFY(context().waitForSaves());
        QVERIFY(!context().isDiskFull());
        QCOMPARE(fullness.size(), 2);
        QTRY_VERIFY(spills().isEmpty());
        m_store->reopen();
        QCOMPARE(contents(), QStringList({"first while full", "second while full"}));
    }

    void aStoreStillFullAtStartKeepsTheSpill()
    {
        if (!storeOnTmpfs())
            QSKIP(qPrintable(m_tmpfs->problem()));
        context().insert(text("from the last run"));
        const QString file = spill()->keep().file;
        m_store->reopen();
        QVERIFY(m_tmpfs->fill());

        // The changes wait in memory with the file kept, and the disk-full stretch begins.
        auto following = spill();
        const auto recovery = following->recover();
        QCOMPARE(recovery.changes, 1);
        QVERIFY(!recovery.written);
        QVERIFY(context().isDiskFull());
        QCOMPARE(contents(), QStringList("from the last run"));
        // Each refusal rewrites the spill in the background, the new file beside the old for a moment:
        // one look at a time (QTRY_COMPARE looks again after it has seen one file).
        QVERIFY(QTest::qWaitFor([this] { return spills().size() == 1; }));
        m_tmpfs->free();
        m_clock.advance(30000);
        QVERIFY(context().waitForSaves());
        QTRY_VERIFY(spills().isEmpty());
        following.reset();
        m_store->reopen();
        QCOMPARE(contents(), QStringList("from the last run"));
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_GUILESS_MAIN(TestStoreSpill)
#include "test_store_spill.moc"
