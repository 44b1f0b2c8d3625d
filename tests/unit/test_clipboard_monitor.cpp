#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "TemporaryStore.h"
#include "TestImages.h"
#include "capture/ClipboardMonitor.h"

#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

class TestClipboardMonitor : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<FakePasteboard> m_pasteboard;
    std::unique_ptr<FakeWorkspace> m_workspace;
    std::unique_ptr<ClipboardMonitor> m_monitor;

    ModelContext &context() { return m_store->context(); }

    QList<std::shared_ptr<ClipboardItem>> history()
    {
        return context().fetch<ClipboardItem>(
            {{}, SortDescriptor<ClipboardItem>(&ClipboardItem::createdAt, Qt::DescendingOrder)});
    }

    // Another program copies, then the monitor polls.
    std::shared_ptr<ClipboardItem> capture(const MimeFormats &formats)
    {
        QTest::qWait(2); // distinct creation times
        const QDateTime copiedAt = QDateTime::currentDateTimeUtc();
        m_pasteboard->copy(formats);
        m_monitor->checkClipboard();
        const auto items = history();
        return !items.isEmpty() && items.first()->createdAt() >= copiedAt ? items.first() : nullptr;
    }

    std::shared_ptr<ClipboardItem> captureText(const QString &text) { return capture({{"text/plain", text.toUtf8()}}); }

    std::shared_ptr<ClipCategory> category(const QString &name)
    {
        const auto found = context().fetch<ClipCategory>(
            {[&](const ClipCategory &category) { return category.name() == name; }, std::nullopt});
        return found.value(0);
    }
    std::optional<QUuid> categoryNamed(const QString &name) { return category(name)->id(); }
    void reopen()
    {
        m_monitor.reset();
        m_store->reopen();
    }

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        m_store->open();
        ClipCategory::insertDefaults(context());
        m_pasteboard = std::make_unique<FakePasteboard>();
        m_workspace = std::make_unique<FakeWorkspace>();
        m_workspace->frontmost
            = RunningApplication{QStringLiteral("Text Editor"), QStringLiteral("org.gnome.TextEditor"), 42, 0x400001};
        m_pasteboard->copyText("on the clipboard before start");
        m_monitor = std::make_unique<ClipboardMonitor>(m_store->container(), *m_pasteboard, *m_workspace);
    }

    void cleanup()
    {
        m_monitor.reset();
        m_store.reset();
    }

    void contentPresentAtStartIsNotCaptured()
    {
        m_monitor->checkClipboard();
        QCOMPARE(context().count<ClipboardItem>(), 0);
        const auto item = captureText("first copy");
        QVERIFY(item);
        QCOMPARE(item->content(), QStringLiteral("first copy"));
        QCOMPARE(item->sourceAppBundleId(), QStringLiteral("org.gnome.TextEditor"));
        // A change is examined once: polling again without a new change stores nothing.
        context().remove(item);
        m_monitor->checkClipboard();
        QCOMPARE(context().count<ClipboardItem>(), 0);
    }

    void ignoresEmptyWhitespaceAndSecretCopies()
    {
        QVERIFY(!captureText(""));
        QVERIFY(!captureText(" \n\t \r\n"));
        QVERIFY(!capture({{"text/html", "<b>only html</b>"}}));
        QVERIFY(!capture({{"text/plain", "hunter2"}, {"x-kde-passwordManagerHint", "secret"}}));
        QCOMPARE(context().count<ClipboardItem>(), 0);
        QCOMPARE(m_monitor->lastChangeCount(), m_pasteboard->changeCount());
    }

    void formatsArePickedInPriorityOrder()
    {
        QTemporaryDir dir;
        const QString picture = dir.filePath("Holiday.PNG"), tif = dir.filePath("scan.tif");
        const QByteArray small = solidPng(2, 2), large = solidPng(300, 300), bytes = solidPng(3, 3);
        for (const QString &path : {picture, tif}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        const auto uri = [](const QString &path) { return QUrl::fromLocalFile(path).toEncoded(); };
        const QByteArray missing = uri(dir.filePath("gone.png"));
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        const struct {
            MimeFormats formats;
            ClipboardItemType type;
            QString content;
            QSize imageSize;
        } cases[] = {
            // Text is a link only when it is one address with a scheme, after trimming.
            {{{"text/plain", "  hello \n"}}, ClipboardItemType::text, "  hello \n", {}},
            {{{"text/plain", "  https://example.com/a \n"}}, ClipboardItemType::url, "https://example.com/a", {}},
            {{{"text/plain", " mailto:a@b.c "}}, ClipboardItemType::text, " mailto:a@b.c ", {}},
            {{{"text/plain", "http://"}}, ClipboardItemType::text, "http://", {}},
            {{{"text/plain", "example.com"}}, ClipboardItemType::text, "example.com", {}},
            {{{"text/plain", "https://example.com/a b"}}, ClipboardItemType::text, "https://example.com/a b", {}},
            // Images come first, labelled by a title, a file name or their size.
            {{{"image/png", small}, {"text/plain", "alt text"}}, ClipboardItemType::image, "Image (0 KB)", {2, 2}},
            {{{"image/png", large}, {"text/x-moz-url", utf16("https://example.com/cat.png\nA cat")}},
                ClipboardItemType::image, "A cat", {300, 300}},
            {{{"image/png", large}, {"text/uri-list", "file:///tmp/My%20Shots/cat.png\r\n"}}, ClipboardItemType::image,
                "/tmp/My Shots/cat.png", {300, 300}},
            {{{"image/png", large}}, ClipboardItemType::image, QStringLiteral("Image (%1 KB)").arg(large.size() / 1024),
                {300, 300}},
            // Links come before files and text.
            {{{"text/x-moz-url", utf16("https://example.com/page\nPage")}, {"text/plain", "Page"}},
                ClipboardItemType::url, "https://example.com/page", {}},
            // Of several files only the first is kept; an image file is an image, with the file's own bytes.
            {{{"text/uri-list", uri(picture) + "\r\n" + uri(tif) + "\r\n"}}, ClipboardItemType::image, picture, {3, 3}},
            {{{"text/uri-list", uri(tif) + "\r\n"}}, ClipboardItemType::file, QString::fromUtf8(uri(tif)), {}},
            {{{"x-special/gnome-copied-files", "copy\n" + missing}}, ClipboardItemType::file,
                QString::fromUtf8(missing), {}},
        };
        for (const auto &c : cases) {
            const auto item = capture(c.formats);
            QVERIFY2(item, qPrintable(c.content));
            QCOMPARE(item->content(), c.content);
            QCOMPARE(item->type(), c.type);
            QCOMPARE(item->categoryId(), categoryNamed(defaultCategoryName(c.type)));
            QCOMPARE(item->imageData() ? QImage::fromData(*item->imageData()).size() : QSize(), c.imageSize);
            if (c.content == picture)
                QCOMPARE(item->imageData(), bytes);
        }
        // The same address copied later as text with spaces is the same item, moved to the top.
        QCOMPARE(captureText("  https://example.com/page\n")->type(), ClipboardItemType::url);
        // The two images labelled by their size are one item, repeated.
        QCOMPARE(context().count<ClipboardItem>(), std::size(cases) - 1);
    }

    void repeatsReplaceTheEarlierItemKeepingPinCategoryAndImage()
    {
        const auto first = captureText("again");
        captureText("other");
        const QUuid custom = QUuid::createUuid();
        first->setPinned(true);
        first->setCategoryId(custom);
        m_workspace->frontmost = RunningApplication{QStringLiteral("Terminal"), QStringLiteral("terminal"), 7, 1};

        const auto repeated = captureText("again");
        QCOMPARE(context().count<ClipboardItem>(), 2);
        QVERIFY(repeated->id() != first->id());
        QCOMPARE(history().first(), repeated);
        QVERIFY(repeated->isPinned());
        QCOMPARE(repeated->categoryId(), custom);
        QCOMPARE(repeated->sourceAppName(), QStringLiteral("Terminal"));
        QVERIFY(!first->modelContext());

        // The same label with other pixels is a repeat that takes the new bytes; with no category it gets the default.
        const auto image = capture({{"image/png", solidPng(2, 2, Qt::red)}});
        image->setCategoryId(std::nullopt);
        const auto again = capture({{"image/png", solidPng(2, 2, Qt::blue)}});
        QCOMPARE(context().count<ClipboardItem>(), 3);
        QCOMPARE(again->content(), image->content());
        QCOMPARE(again->imageData(), solidPng(2, 2, Qt::blue));
        QCOMPARE(again->categoryId(), categoryNamed("Image"));

        reopen();
        QCOMPARE(context().count<ClipboardItem>(), 3);
    }

    void pastingFromTheHistoryMovesTheItemToTheTop()
    {
        // Writing an item back is a change like any other; it comes back equal, so it replaces itself.
        for (const char *copied : {"some text", " HTTP://Example.COM/ü?q=a b ", "HTTP://Example.COM/ü"}) {
            const auto item = captureText(copied);
            captureText("something else");
            QTest::qWait(2);
            item->copyToPasteboard(*m_pasteboard);
            m_monitor->checkClipboard();
            const auto newest = history().first();
            QCOMPARE(newest->content(), item->content());
            QCOMPARE(newest->type(), item->type());
            QVERIFY(newest->id() != item->id());
        }
        QCOMPARE(context().count<ClipboardItem>(), 4);
    }

    void changesMadeWhilePausedAreNeverCaptured()
    {
        // A copy not polled yet when the pause begins is still captured.
        m_pasteboard->copyText("copied just before");
        // Two overlapping borrowers: capture resumes only when both are done.
        m_monitor->pauseCapture();
        m_monitor->pauseCapture();
        QCOMPARE(history().size(), 1);
        m_pasteboard->copyText("borrowed");
        m_monitor->checkClipboard();
        m_monitor->resumeCapture();
        m_pasteboard->copyText("still borrowed");
        m_monitor->checkClipboard();
        QCOMPARE(history().size(), 1);
        m_monitor->resumeCapture();
        m_monitor->checkClipboard();
        QCOMPARE(history().size(), 1);
        m_monitor->resumeCapture(); // an unmatched resume is harmless
        QVERIFY(!m_monitor->isCapturePaused());
        QCOMPARE(captureText("copied afterwards")->content(), QStringLiteral("copied afterwards"));
    }

    void aCaptureSavedWhileTheStoreIsLockedIsWrittenLater()
    {
        const auto first = captureText("repeated");
        {
            QSqlDatabase side = QSqlDatabase::addDatabase("QSQLITE", "side");
            side.setDatabaseName(m_store->path());
            QVERIFY(side.open());
            QVERIFY(QSqlQuery(side).exec("BEGIN EXCLUSIVE"));
            captureText("repeated"); // the replacement cannot be saved now
            QVERIFY(!context().waitForSaves());
            QVERIFY(context().hasChanges());
            side.close();
        }
        QSqlDatabase::removeDatabase("side");
        captureText("later");
        QVERIFY(!context().hasChanges());
        reopen();
        const auto items = history();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(1)->content(), QStringLiteral("repeated"));
        QVERIFY(items.at(1)->id() != first->id());
    }

    void defaultCategoryGoesByExactName()
    {
        category("URL")->setName("Links");
        QVERIFY(!captureText("https://example.com/renamed")->categoryId());
        context().remove(category("Text"));
        QVERIFY(!captureText("nothing named Text")->categoryId());
        const auto mine = ClipCategory::create("Text", "#000000", "doc", 9, false);
        context().insert(mine);
        QCOMPARE(captureText("filed under mine")->categoryId(), mine->id());

        const auto lower = ClipCategory::create("url", "#000000", "doc", 10, false);
        context().insert(lower);
        QVERIFY(!captureText("https://example.com/case")->categoryId());
    }

    void prunesUnpinnedItemsBeyondTheBound()
    {
        // A full history, written straight to the file: the three oldest are pinned.
        m_monitor.reset();
        const double base = double(QDateTime::currentSecsSinceEpoch() - 86400);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "side");
            db.setDatabaseName(m_store->path());
            QVERIFY(db.open());
            QSqlQuery query(db);
            db.transaction();
            query.prepare("INSERT INTO ClipboardItem (id, content, type, isPinned, createdAt, characterCount) "
                          "VALUES (?, ?, 'text', ?, ?, 1)");
            for (int i = 0; i < ClipboardMonitor::maxUnpinnedItems + 3; ++i) {
                query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
                query.addBindValue(QStringLiteral("item %1").arg(i));
                query.addBindValue(i < 3 ? 1 : 0);
                query.addBindValue(base + i);
                QVERIFY(query.exec());
            }
            QVERIFY(db.commit());
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase("side");
        m_store->open();
        m_monitor = std::make_unique<ClipboardMonitor>(m_store->container(), *m_pasteboard, *m_workspace);
        ModelContext &store = context();
        QCOMPARE(store.unpinnedItemCount(), ClipboardMonitor::maxUnpinnedItems);
        captureText("one more");
        QCOMPARE(store.unpinnedItemCount(), ClipboardMonitor::maxUnpinnedItems);
        QCOMPARE(store.count<ClipboardItem>(), ClipboardMonitor::maxUnpinnedItems + 3);
        QVERIFY(!store.newestItem("item 3", ClipboardItemType::text)); // the oldest unpinned one
        QVERIFY(store.newestItem("item 4", ClipboardItemType::text));
        for (const QString content : {"item 0", "item 1", "item 2"})
            QVERIFY(store.newestItem(content, ClipboardItemType::text));
        reopen();
        QCOMPARE(context().count<ClipboardItem>(), ClipboardMonitor::maxUnpinnedItems + 3);
    }

    void timerQueuesChecks()
    {
        m_monitor->startMonitoring();
        QVERIFY(m_monitor->isMonitoring());
        m_pasteboard->copyText("seen by the timer");
        QTRY_COMPARE_WITH_TIMEOUT(context().count<ClipboardItem>(), 1, 2000);
        m_monitor->stopMonitoring();
        QVERIFY(!m_monitor->isMonitoring());
        m_pasteboard->copyText("not seen");
        QTest::qWait(700);
        QCOMPARE(context().count<ClipboardItem>(), 1);
    }
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "test_clipboard_monitor.moc"
