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

    std::optional<QUuid> categoryNamed(const QString &name)
    {
        for (const auto &category : context().fetch<ClipCategory>()) {
            if (category->name() == name)
                return category->id();
        }
        return std::nullopt;
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
        QCOMPARE(item->sourceAppName(), QStringLiteral("Text Editor"));
        QCOMPARE(item->sourceAppBundleId(), QStringLiteral("org.gnome.TextEditor"));
        QCOMPARE(item->categoryId(), categoryNamed("Text"));

        // A change is examined once: polling again without a new change stores nothing.
        context().remove(item);
        m_monitor->checkClipboard();
        QCOMPARE(context().count<ClipboardItem>(), 0);
    }

    void classifiesTextAndLinks_data()
    {
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("type");
        QTest::newRow("plain text kept untrimmed") << "  hello \n"
                                                   << "  hello \n"
                                                   << "text";
        QTest::newRow("link with spaces trimmed") << "  https://example.com/a \n"
                                                  << "https://example.com/a"
                                                  << "url";
        QTest::newRow("scheme without host is text") << " mailto:a@b.c "
                                                     << " mailto:a@b.c "
                                                     << "text";
        QTest::newRow("empty host is text") << "http://"
                                            << "http://"
                                            << "text";
        QTest::newRow("no scheme is text") << "example.com"
                                           << "example.com"
                                           << "text";
        QTest::newRow("space inside is text") << "https://example.com/a b"
                                              << "https://example.com/a b"
                                              << "text";
    }
    void classifiesTextAndLinks()
    {
        QFETCH(QString, copied);
        QFETCH(QString, content);
        QFETCH(QString, type);
        const auto item = captureText(copied);
        QVERIFY(item);
        QCOMPARE(item->content(), content);
        QCOMPARE(rawValue(item->type()), type);
        QCOMPARE(item->categoryId(), categoryNamed(type == "url" ? "URL" : "Text"));
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

    void imagesComeFirstWithTheirLabel()
    {
        const QByteArray small = solidPng(2, 2);
        auto item = capture({{"image/png", small}, {"text/plain", "alt text"}});
        QVERIFY(item);
        QCOMPARE(item->type(), ClipboardItemType::image);
        QCOMPARE(item->content(), QStringLiteral("Image (0 KB)"));
        QCOMPARE(QImage::fromData(*item->imageData()).size(), QSize(2, 2));
        QCOMPARE(item->categoryId(), categoryNamed("Image"));

        const QByteArray large = solidPng(300, 300);
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        item = capture({{"image/png", large}, {"text/x-moz-url", utf16("https://example.com/cat.png\nA cat")}});
        QCOMPARE(item->content(), QStringLiteral("A cat"));

        item = capture({{"image/png", large}, {"text/uri-list", "file:///tmp/My%20Shots/cat.png\r\n"}});
        QCOMPARE(item->content(), QStringLiteral("/tmp/My Shots/cat.png"));

        item = capture({{"image/png", large}});
        QCOMPARE(item->content(), QStringLiteral("Image (%1 KB)").arg(item->imageData()->size() / 1024));
    }

    void linksComeBeforeFilesAndText()
    {
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        auto item = capture({{"text/x-moz-url", utf16("https://example.com/page\nPage")}, {"text/plain", "Page"}});
        QCOMPARE(item->type(), ClipboardItemType::url);
        QCOMPARE(item->content(), QStringLiteral("https://example.com/page"));

        // The same address copied later as text with spaces is the same item, moved to the top.
        const QUuid firstId = item->id();
        item = captureText("  https://example.com/page\n");
        QCOMPARE(context().count<ClipboardItem>(), 1);
        QVERIFY(item->id() != firstId);
    }

    void filesAndImageFiles()
    {
        QTemporaryDir dir;
        const QString picture = dir.filePath("Holiday.PNG");
        const QString tif = dir.filePath("scan.tif");
        const QByteArray bytes = solidPng(3, 3);
        for (const QString &path : {picture, tif}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        const auto uri = [](const QString &path) { return QUrl::fromLocalFile(path).toEncoded(); };

        auto item = capture({{"text/uri-list", uri(picture) + "\r\n" + uri(tif) + "\r\n"}});
        QCOMPARE(item->type(), ClipboardItemType::image);
        QCOMPARE(item->content(), picture);
        QCOMPARE(item->imageData(), bytes); // the file's own bytes, unchanged
        QCOMPARE(context().count<ClipboardItem>(), 1); // only the first of several files

        item = capture({{"text/uri-list", uri(tif) + "\r\n"}});
        QCOMPARE(item->type(), ClipboardItemType::file);
        QCOMPARE(item->content(), QString::fromUtf8(uri(tif)));
        QCOMPARE(item->categoryId(), categoryNamed("File"));

        const QByteArray missing = uri(dir.filePath("gone.png"));
        item = capture({{"x-special/gnome-copied-files", "copy\n" + missing}});
        QCOMPARE(item->type(), ClipboardItemType::file);
        QCOMPARE(item->content(), QString::fromUtf8(missing));
    }

    void repeatsReplaceTheEarlierItemKeepingPinCategoryAndImage()
    {
        const auto first = captureText("again");
        const auto other = captureText("other");
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
        Q_UNUSED(other);

        // The same label with other pixels is a repeat that takes the new bytes; an item that had no
        // category gets the default one.
        const auto image = capture({{"image/png", solidPng(2, 2, Qt::red)}});
        image->setCategoryId(std::nullopt);
        const auto again = capture({{"image/png", solidPng(2, 2, Qt::blue)}});
        QCOMPARE(context().count<ClipboardItem>(), 3);
        QCOMPARE(again->content(), image->content());
        QCOMPARE(again->imageData(), solidPng(2, 2, Qt::blue));
        QCOMPARE(again->categoryId(), categoryNamed("Image"));

        // The replacement is on disk.
        m_monitor.reset();
        m_store->close();
        m_store->open();
        QCOMPARE(context().count<ClipboardItem>(), 3);
    }

    void pastingFromTheHistoryMovesTheItemToTheTop()
    {
        // Writing an item back is a change like any other; it comes back equal, so it replaces itself.
        for (const QString &copied : {QStringLiteral("some text"), QStringLiteral(" HTTP://Example.COM/ü?q=a b ")}) {
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
        QCOMPARE(context().count<ClipboardItem>(), 3);

        const auto link = captureText("HTTP://Example.COM/ü");
        QCOMPARE(link->type(), ClipboardItemType::url);
        QTest::qWait(2);
        link->copyToPasteboard(*m_pasteboard);
        m_monitor->checkClipboard();
        QCOMPARE(history().first()->content(), QStringLiteral("HTTP://Example.COM/ü"));
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
            QVERIFY(context().hasChanges());
            side.close();
        }
        QSqlDatabase::removeDatabase("side");
        captureText("later");
        QVERIFY(!context().hasChanges());

        m_monitor.reset();
        m_store->close();
        m_store->open();
        const auto items = history();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(1)->content(), QStringLiteral("repeated"));
        QVERIFY(items.at(1)->id() != first->id());
    }

    void defaultCategoryGoesByExactName()
    {
        const auto url = context().fetch<ClipCategory>(
            {[](const ClipCategory &category) { return category.name() == "URL"; }, std::nullopt});
        url.first()->setName("Links");
        QVERIFY(!captureText("https://example.com/renamed")->categoryId());

        const auto text = context().fetch<ClipCategory>(
            {[](const ClipCategory &category) { return category.name() == "Text"; }, std::nullopt});
        context().remove(text.first());
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
            QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::connectionNames().first());
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
        }
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

        m_monitor.reset();
        m_store->close();
        m_store->open();
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
