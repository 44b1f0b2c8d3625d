#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "ManualClock.h"
#include "TemporaryStore.h"
#include "TestImages.h"
#include "capture/ClipboardMonitor.h"
#include "capture/PasteboardWriter.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

class TestClipboardMonitor : public QObject {
    Q_OBJECT

    ManualClock m_clock;
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

    // Another program copies, then the monitor takes the change; large ones finish on the worker.
    std::shared_ptr<ClipboardItem> capture(const MimeFormats &formats)
    {
        m_clock.advance(1); // distinct creation times
        const QDateTime copiedAt = m_clock.now();
        m_pasteboard->copy(formats);
        m_monitor->checkClipboard();
        if (!QTest::qWaitFor([&] { return m_monitor->pendingCaptures() == 0; }, 10000))
            return nullptr;
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
        m_store = std::make_unique<TemporaryStore>(m_clock);
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

    void whatThePersonDoesNotKeepIsLeftOut()
    {
        const QByteArray png = solidPng(4, 4);
        ClipboardMonitor::CaptureRules rules;
        rules.images = false;
        m_monitor->setCaptureRules(rules);
        // A picture alone is dropped; one that comes with text leaves the text; a copied image file
        // stays a file.
        QVERIFY(!capture({{"image/png", png}}));
        const auto text = capture({{"image/png", png}, {"text/plain", "caption"}});
        QVERIFY(text);
        QCOMPARE(text->type(), ClipboardItemType::text);
        QTemporaryDir folder;
        const QString picture = folder.filePath("shot.png");
        QFile file(picture);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(png) == png.size());
        file.close();
        const auto shot = capture({{"text/uri-list", QUrl::fromLocalFile(picture).toEncoded() + "\r\n"}});
        QVERIFY(shot);
        QCOMPARE(shot->type(), ClipboardItemType::file);

        // Files off: not as a file, and not as the path a file manager also offers as text.
        rules = {};
        rules.files = false;
        m_monitor->setCaptureRules(rules);
        QVERIFY(!capture({{"text/uri-list", "file:///home/me/report.pdf\r\n"}, {"text/plain", "/home/me/report.pdf"}}));
        QVERIFY(capture({{"image/png", png}}));

        // The largest item: the bound itself is kept, a byte more is not.
        rules = {};
        rules.largestItemBytes = 1000;
        m_monitor->setCaptureRules(rules);
        QVERIFY(capture({{"text/plain", QByteArray(1000, 'a')}}));
        QVERIFY(!capture({{"text/plain", QByteArray(1001, 'b')}}));
        QVERIFY(captureText("small again"));
    }

    void copiedTextIsKeptCharacterForCharacter()
    {
        // Leading marks that a decoder or SQLite would take for byte-order marks, through a copy and
        // through an add, then a restart.
        const QStringList texts = {
            QStringLiteral("\uFEFFmarked"), QStringLiteral("\uFFFEswapped?"), QStringLiteral("\uFEFF\uFFFE\uFFFF end")};
        for (const QString &text : texts)
            QVERIFY(captureText(text));
        m_clock.advance(1);
        std::shared_ptr<ClipboardItem> added;
        m_monitor->captureText(QStringLiteral("\uFEFFadded").toUtf8(), [&](const auto &item) { added = item; });
        QTRY_VERIFY(added);
        reopen();
        QStringList stored;
        for (const auto &item : history())
            stored.prepend(item->content());
        QCOMPARE(stored, texts + QStringList{QStringLiteral("\uFEFFadded")});
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
        // The three copies of one picture, under three labels, are one item.
        QCOMPARE(context().count<ClipboardItem>(), std::size(cases) - 2);
    }

    // A fresh record at the top, under the earlier item's id: an id handed out (the command line
    // prints them) names the item for as long as it exists, in this run and the next.
    void repeatsReplaceTheEarlierItemKeepingIdPinCategoryAndImage()
    {
        const auto first = captureText("again");
        captureText("other");
        const QUuid custom = QUuid::createUuid();
        first->setPinned(true);
        first->setCategoryId(custom);
        m_workspace->frontmost = RunningApplication{QStringLiteral("Terminal"), QStringLiteral("terminal"), 7, 1};

        const auto repeated = captureText("again");
        QCOMPARE(context().count<ClipboardItem>(), 2);
        QVERIFY(repeated != first);
        QCOMPARE(repeated->id(), first->id());
        QCOMPARE(history().first(), repeated);
        QVERIFY(repeated->isPinned());
        QCOMPARE(repeated->categoryId(), custom);
        QCOMPARE(repeated->sourceAppName(), QStringLiteral("Terminal"));
        QVERIFY(!first->modelContext());

        // An image repeated under another label takes the new label and bytes; with no category it gets
        // the default.
        const QImage picture = QImage::fromData(solidPng(3, 3, Qt::red));
        const auto image = capture({{"image/png", encodedImage(picture)}});
        image->setCategoryId(std::nullopt);
        const QByteArray asBmp = encodedImage(picture, "BMP");
        const auto again = capture({{"image/bmp", asBmp},
            {"text/x-moz-url", QStringEncoder(QStringEncoder::Utf16LE)(u"https://example.com/r\nRed")}});
        QCOMPARE(context().count<ClipboardItem>(), 3);
        QCOMPARE(again->id(), image->id());
        QCOMPARE(again->content(), QStringLiteral("Red"));
        QCOMPARE(QImage::fromData(*again->imageData()).convertToFormat(QImage::Format_RGB32),
            picture.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(again->categoryId(), categoryNamed("Image"));

        // Saved and read again: one row for each id, the repeats' fields in it.
        QVERIFY(context().waitForSaves());
        reopen();
        const auto items = history();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0)->id(), image->id());
        QCOMPARE(items.at(0)->content(), QStringLiteral("Red"));
        QVERIFY(items.at(0)->imageData());
        QCOMPARE(items.at(1)->id(), first->id());
        QVERIFY(items.at(1)->isPinned());
        QCOMPARE(items.at(1)->sourceAppName(), QStringLiteral("Terminal"));

        reopen();
        QCOMPARE(context().count<ClipboardItem>(), 3);
    }

    void imagesAreOneItemOnlyWhenTheyAreOnePicture()
    {
        // Screenshots of one size share a label, but not their pixels.
        const auto red = capture({{"image/png", solidPng(40, 30, Qt::red)}});
        red->setPinned(true);
        const auto blue = capture({{"image/png", solidPng(40, 30, Qt::blue)}});
        QCOMPARE(red->content(), blue->content());
        QCOMPARE(context().count<ClipboardItem>(), 2);
        QVERIFY(red->modelContext());

        // The same picture read from a JPEG file, pasted back, and copied from a viewer as PNG, is one
        // item; the photo's orientation tag is applied each time, as a viewer shows it.
        QTemporaryDir dir;
        const QString path = dir.filePath("photo.jpg");
        QImage photo(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
        }
        {
            QImageWriter writer(path, "jpeg");
            writer.setTransformation(QImageIOHandler::TransformationRotate90);
            QVERIFY(writer.write(photo));
        }
        QImageReader viewer(path);
        viewer.setAutoTransform(true);
        const QImage asShown = viewer.read();
        QCOMPARE(asShown.size(), QSize(48, 64));
        const auto fromFile = capture({{"text/uri-list", QUrl::fromLocalFile(path).toEncoded()}});
        QCOMPARE(fromFile->type(), ClipboardItemType::image);
        m_monitor->startMonitoring();
        PasteboardWriter::copyToPasteboard(*fromFile, *m_pasteboard);
        QCoreApplication::processEvents(); // an own write is taken one turn later
        QTRY_COMPARE(m_monitor->pendingCaptures(), 0);
        QCOMPARE(context().count<ClipboardItem>(), 3);
        const auto pastedBack = context().newestImage(*fromFile->imageDigest());
        const auto fromViewer = capture({{"image/png", encodedImage(asShown)}});
        QCOMPARE(context().count<ClipboardItem>(), 3);
        QVERIFY(!pastedBack->modelContext());

        // Pasting an image back neither duplicates it nor touches the other images.
        PasteboardWriter::copyToPasteboard(*red, *m_pasteboard);
        QCoreApplication::processEvents(); // an own write is taken one turn later
        QTRY_COMPARE(m_monitor->pendingCaptures(), 0);
        QCOMPARE(context().count<ClipboardItem>(), 3);
        const auto pinned
            = context().fetch<ClipboardItem>({[](const ClipboardItem &item) { return item.isPinned(); }, std::nullopt});
        QCOMPARE(pinned.size(), 1);
        QVERIFY(pinned.first() != red);
        QVERIFY(blue->modelContext() && fromViewer->modelContext());
    }

    void copiedFilesAreReadOnlyWhenTheyAreRegularImages()
    {
        QTemporaryDir dir;
        const auto uri = [&](const QString &name) { return QUrl::fromLocalFile(dir.filePath(name)).toEncoded(); };
        // A named pipe would never end, and a link to a device never stop: both stay file items.
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("photo.png")).constData(), 0600) == 0);
        QVERIFY(QFile::link("/dev/zero", dir.filePath("zero.png")));
        {
            QFile fake(dir.filePath("fake.png"));
            QVERIFY(fake.open(QIODevice::WriteOnly));
            fake.write(QByteArray(300000, '\0'));
        }
        for (const char *name : {"photo.png", "zero.png", "fake.png"}) {
            const auto item = capture({{"text/uri-list", uri(name)}});
            QVERIFY2(item, name);
            QCOMPARE(item->type(), ClipboardItemType::file);
            QVERIFY(!item->hasImageData());
        }
    }

    void largeCopiesArePreparedOffTheGuiThreadAndStoredInOrder()
    {
        // A copy larger than the bound is decoded and counted on the worker; a small copy made right
        // after it waits, so the history keeps the order they were made in.
        const QString large = QString(ClipboardMonitor::largeCopyBytes, u'é') + QStringLiteral("👍🏽");
        m_pasteboard->copyText(large);
        m_monitor->checkClipboard();
        m_pasteboard->copyText("small, copied after");
        m_monitor->checkClipboard();
        QCOMPARE(m_monitor->pendingCaptures(), 2);
        QCOMPARE(context().count<ClipboardItem>(), 0);
        QTRY_COMPARE(m_monitor->pendingCaptures(), 0);
        const auto items = context().fetch<ClipboardItem>(); // in the order they were stored
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0)->content(), large);
        QCOMPARE(items.at(0)->characterCount(), ClipboardMonitor::largeCopyBytes + 1);
        QCOMPARE(items.at(1)->content(), QStringLiteral("small, copied after"));
        QVERIFY(items.at(1)->createdAt() >= items.at(0)->createdAt());
    }

    // Text handed in (the command line's add) takes its turn after the copies taken before it, and
    // whoever handed it in hears of the item once it is stored.
    void textHandedInIsStoredInTurnAndAnswered()
    {
        const QString large = QString(ClipboardMonitor::largeCopyBytes + 1, u'l');
        m_pasteboard->copyText(large);
        m_monitor->checkClipboard();
        std::shared_ptr<ClipboardItem> added;
        std::optional<std::shared_ptr<ClipboardItem>> blank;
        m_monitor->captureText("handed in", [&](const auto &item) { added = item; });
        m_monitor->captureText(" \n", [&](const auto &item) { blank = item; });
        QVERIFY(!added);
        QTRY_VERIFY(added);
        QCOMPARE(added->content(), QStringLiteral("handed in"));
        QVERIFY(blank && !*blank); // answered: nothing to store
        const auto stored = context().fetch<ClipboardItem>(); // in the order they were stored
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored.at(0)->content(), large);
        QCOMPARE(stored.at(1), added);
    }

    // Ending capture stores what was taken, large copies still on the worker included.
    void stoppingStoresTheCapturesTaken()
    {
        m_monitor->startMonitoring();
        m_pasteboard->copyText(QString(ClipboardMonitor::largeCopyBytes + 1, u'c'));
        std::shared_ptr<ClipboardItem> added;
        m_monitor->captureText(
            QByteArray(ClipboardMonitor::largeCopyBytes + 1, 'a'), [&](const auto &item) { added = item; });
        QCOMPARE(m_monitor->pendingCaptures(), 2);
        m_monitor->stopMonitoring();
        QCOMPARE(m_monitor->pendingCaptures(), 0);
        QCOMPARE(context().count<ClipboardItem>(), 2);
        QVERIFY(added && added->modelContext());
    }

    // Whoever writes the clipboard hears what the capture of that write stored: the item itself, or
    // nothing when capture is paused or a newer change came first.
    void ownWritesAreAnsweredOnceCaptured()
    {
        m_monitor->startMonitoring();
        m_pasteboard->copyText("written back");
        const auto item = history().first();
        std::optional<std::shared_ptr<ClipboardItem>> stored;
        const auto waitForIt = [&] {
            stored.reset();
            m_monitor->whenCurrentChangeCaptured([&](const auto &captured) { stored = captured; });
        };
        PasteboardWriter::copyToPasteboard(*item, *m_pasteboard);
        waitForIt();
        QVERIFY(!stored);
        QTRY_VERIFY(stored);
        QCOMPARE((*stored)->id(), item->id());
        QCOMPARE(history().first(), *stored);

        PasteboardWriter::copyToPasteboard(**stored, *m_pasteboard);
        waitForIt();
        m_pasteboard->copyText("copied meanwhile");
        QVERIFY(stored && !*stored);

        m_monitor->pauseCapture();
        PasteboardWriter::copyToPasteboard(*history().first(), *m_pasteboard);
        waitForIt();
        QVERIFY(stored && !*stored);
        m_monitor->resumeCapture();
    }

    void pastingFromTheHistoryMovesTheItemToTheTop()
    {
        // Writing an item back is a change like any other; it comes back equal, so it replaces itself.
        for (const char *copied : {"some text", " HTTP://Example.COM/ü?q=a b ", "HTTP://Example.COM/ü"}) {
            const auto item = captureText(copied);
            captureText("something else");
            m_clock.advance(1);
            PasteboardWriter::copyToPasteboard(*item, *m_pasteboard);
            m_monitor->checkClipboard();
            const auto newest = history().first();
            QCOMPARE(newest->content(), item->content());
            QCOMPARE(newest->type(), item->type());
            QVERIFY(newest != item);
            QCOMPARE(newest->id(), item->id());
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

    void whileTheHistoryIsPausedNothingIsReadOrCapturedOrTakenOver()
    {
        m_monitor->startMonitoring();
        m_pasteboard->copyText("copied just before the pause");
        m_monitor->setHistoryPaused(true);
        QCOMPARE(history().first()->content(), QStringLiteral("copied just before the pause"));
        QVERIFY(!m_pasteboard->readsForeignCopies());

        m_pasteboard->copyText("hunter2, while paused");
        QVERIFY(m_pasteboard->hasUnreadCopy());
        QVERIFY(!m_pasteboard->string()); // not read at all
        // Its program exits: the clipboard is left as it is.
        m_pasteboard->abandon();
        QCoreApplication::processEvents();
        QVERIFY(!m_pasteboard->string());
        m_pasteboard->copyText("hunter3, while paused");

        // The wrong-layout fix borrows the clipboard: the copy it must give back is read, not captured.
        m_monitor->pauseCapture();
        QCOMPARE(m_pasteboard->string(), QStringLiteral("hunter3, while paused"));
        m_monitor->resumeCapture();
        QVERIFY(!m_pasteboard->readsForeignCopies());

        // Resumed: what was copied meanwhile stays out; the next copy is recorded.
        m_monitor->setHistoryPaused(false);
        QVERIFY(m_pasteboard->readsForeignCopies());
        m_monitor->checkClipboard();
        QCOMPARE(history().size(), 1);
        QCOMPARE(captureText("copied after resuming")->content(), QStringLiteral("copied after resuming"));
        QCOMPARE(history().size(), 2);
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
        QCOMPARE(items.at(1)->id(), first->id());
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
        const double base = double(m_clock.now().toSecsSinceEpoch() - 86400);
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
        QVERIFY(
            !store.newestItem(ItemText(QStringLiteral("item 3")), ClipboardItemType::text)); // the oldest unpinned one
        QVERIFY(store.newestItem(ItemText(QStringLiteral("item 4")), ClipboardItemType::text));
        for (const QString content : {"item 0", "item 1", "item 2"})
            QVERIFY(store.newestItem(ItemText(content), ClipboardItemType::text));
        reopen();
        QCOMPARE(context().count<ClipboardItem>(), ClipboardMonitor::maxUnpinnedItems + 3);
    }

    void capturesEveryChangeAsItIsReported()
    {
        m_monitor->startMonitoring();
        QVERIFY(m_monitor->isMonitoring());
        QSignalSpy copies(m_monitor.get(), &ClipboardMonitor::copyCaptured);
        // Copies in quick succession are each taken as they arrive, within the same turn of the event loop.
        m_pasteboard->copyText("first of two");
        m_pasteboard->copyText("second of two");
        QCOMPARE(context().count<ClipboardItem>(), 2);
        QCOMPARE(copies.size(), 2);
        // Our own write is taken once its content is complete, one turn later.
        const auto first = context().newestItem(ItemText(QStringLiteral("first of two")), ClipboardItemType::text);
        PasteboardWriter::copyToPasteboard(*first, *m_pasteboard);
        QVERIFY(first->modelContext());
        QCoreApplication::processEvents();
        QVERIFY(!first->modelContext());
        QVERIFY(context().newestItem(ItemText(QStringLiteral("first of two")), ClipboardItemType::text));
        QCOMPARE(context().count<ClipboardItem>(), 2);
        // Only copies the person made count as copies; a repeat made elsewhere does.
        QCOMPARE(copies.size(), 2);
        m_pasteboard->copyText("second of two");
        QCOMPARE(copies.size(), 3);

        m_monitor->stopMonitoring();
        QVERIFY(!m_monitor->isMonitoring());
        m_pasteboard->copyText("not seen");
        QCoreApplication::processEvents();
        QCOMPARE(context().count<ClipboardItem>(), 2);
    }

    void keepsTheClipboardWhenItsOwnerGoesAway()
    {
        m_monitor->startMonitoring();
        m_pasteboard->copyText("copied, then its program exits");
        const auto item = history().first();
        m_pasteboard->abandon();
        QCOMPARE(m_pasteboard->string(), QStringLiteral("copied, then its program exits"));
        // Not a copy of its own: the history is as it was, and the change is consumed.
        QCOMPARE(history(), QList{item});
        QCoreApplication::processEvents();
        QCOMPARE(history(), QList{item});
        QCOMPARE(m_monitor->lastChangeCount(), m_pasteboard->changeCount());

        // A large copy still being prepared is what the clipboard held: it is the one put back.
        const QString large(ClipboardMonitor::largeCopyBytes + 1, u'x');
        m_pasteboard->copyText(large);
        m_pasteboard->abandon();
        QVERIFY(!m_pasteboard->string());
        QTRY_COMPARE(m_pasteboard->string(), large);
        QCOMPARE(context().count<ClipboardItem>(), 2);

        // While the wrong-layout fix borrows the clipboard, nothing is put back.
        m_monitor->pauseCapture();
        m_pasteboard->abandon();
        QCoreApplication::processEvents();
        QVERIFY(!m_pasteboard->string());
        m_monitor->resumeCapture();
    }
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "test_clipboard_monitor.moc"
