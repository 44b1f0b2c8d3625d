#include "FakePasteboard.h"
#include "TestImages.h"
#include "capture/PasteboardImage.h"
#include "capture/PasteboardWriter.h"
#include "model/ClipboardItem.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray utf16le(const QString &text)
{
    return QStringEncoder(QStringEncoder::Utf16LE)(text);
}

QStringList temporaryPngs()
{
    return QDir::temp().entryList({QStringLiteral("Quillbox-*.png")}, QDir::Files);
}

} // namespace

class TestPasteboard : public QObject {
    Q_OBJECT

private slots:
    void readsTheTypesFromMimeFormats()
    {
        const QByteArray moz = utf16le("https://example.com/a\nExample");
        using T = PasteboardType;
        const struct {
            MimeFormats formats;
            T type;
            std::optional<QString> expected;
        } cases[] = {
            // Browsers: UTF-16 "url\ntitle", with or without a byte-order mark.
            {{{"text/x-moz-url", moz}}, T::url, "https://example.com/a"},
            {{{"text/x-moz-url", "\xff\xfe" + moz}}, T::url, "https://example.com/a"},
            {{{"text/x-moz-url", moz}}, T::urlName, "Example"},
            {{{"text/x-moz-url", utf16le("https://example.com")}}, T::urlName, std::nullopt},
            {{{"text/uri-list", "# comment\r\nhttps://example.com/x\r\n"}}, T::url, "https://example.com/x"},
            {{{"text/uri-list", "https://example.com/x\r\n"}}, T::fileUrl, std::nullopt},
            // A link offered as a URI list and as plain text: the plain text, when it names the same link.
            {{{"text/uri-list", "http://example.com/%C3%BC\r\n"}, {"text/plain", "HTTP://Example.COM/ü"}}, T::url,
                "HTTP://Example.COM/ü"},
            {{{"text/uri-list", "https://example.com/\r\n"}, {"text/plain", "Example"}}, T::url,
                "https://example.com/"},
            {{{"text/uri-list", "https://a.example\r\nhttps://b.example\r\n"}}, T::url, std::nullopt},
            {{{"text/uri-list", "file:///tmp/a%20b.txt\r\nfile:///tmp/c.txt\r\n"}}, T::fileUrl,
                "file:///tmp/a%20b.txt"},
            {{{"text/uri-list", "file:///tmp/a%20b.txt\r\n"}}, T::url, std::nullopt},
            {{{"x-special/gnome-copied-files", "copy\nfile:///home/u/x.pdf"}}, T::fileUrl, "file:///home/u/x.pdf"},
            {{{"UTF8_STRING", "Привет"}, {"STRING", "x"}}, T::string, "Привет"},
            {{{"STRING", "caf\xe9"}}, T::string, "café"},
            {{{"text/plain", QByteArray("a\xff") + "b"}}, T::string, "a\uFFFDb"},
            {{{"image/png", solidPng(4, 3)}}, T::string, std::nullopt},
        };
        for (const auto &c : cases)
            QCOMPARE(PasteboardItem(c.formats).string(c.type), c.expected);
    }

    void choosesWhatToRead()
    {
        const QStringList offered{"TARGETS", "STRING", "UTF8_STRING", "text/x-moz-url", "image/png",
            "x-kde-passwordManagerHint", "text/html"};
        QCOMPARE(PasteboardItem::textFormatsToRead(offered),
            QStringList({"UTF8_STRING", "text/x-moz-url"}));
        // TIFF and PNG first, then the rest in offered order; only what Qt can decode here.
        QStringList expected;
        for (const QString format : {"image/tiff", "image/png", "image/bmp"}) {
            if (QImageReader::supportedMimeTypes().contains(format.toLatin1()))
                expected.append(format);
        }
        QVERIFY(expected.contains("image/png"));
        QCOMPARE(
            PasteboardImage::candidateFormats({"image/bmp", "image/png", "image/x-unknown", "image/tiff"}), expected);

        for (const QByteArray value : {"secret\n", "1", "", "public"})
            QVERIFY(PasteboardItem({{"x-kde-passwordManagerHint", value}}).isConcealed());
        QVERIFY(!PasteboardItem({{"text/plain", "x-kde-passwordManagerHint"}}).isConcealed());
    }

    void imagesAreReencodedAsPng()
    {
        QImage image(5, 7, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const QByteArray bmp = encodedImage(image, "BMP");

        FakePasteboard pasteboard;
        pasteboard.copy({{"image/bmp", bmp}});
        const auto png = pasteboard.pasteboardItems().first().imagePng();
        QVERIFY(png && png->startsWith("\x89PNG"));
        QCOMPARE(QImage::fromData(*png).size(), QSize(5, 7));

        // An undecodable first candidate falls through to the next one.
        pasteboard.copy({{"image/tiff", "not a tiff"}, {"image/png", solidPng(2, 2)}});
        QCOMPARE(QImage::fromData(*pasteboard.pasteboardItems().first().imagePng()).size(), QSize(2, 2));

        pasteboard.copy({{"image/png", "garbage"}});
        QVERIFY(!pasteboard.pasteboardItems().first().imagePng());
    }

    void ownWritesCountOneChange()
    {
        FakePasteboard pasteboard;
        pasteboard.copyText("theirs");
        QCOMPARE(pasteboard.changeCount(), 1);
        pasteboard.clearContents();
        QCOMPARE(pasteboard.changeCount(), 2);
        QVERIFY(pasteboard.pasteboardItems().isEmpty());
        pasteboard.setString("mine");
        pasteboard.writeObjects({QUrl("https://example.com")});
        QCOMPARE(pasteboard.changeCount(), 2);
        QCOMPARE(pasteboard.string(), QStringLiteral("mine"));

        // A write without a clear of our own first replaces another program's content: a change.
        pasteboard.copyText("theirs again");
        pasteboard.setString("mine again");
        QCOMPARE(pasteboard.changeCount(), 4);
        QCOMPARE(pasteboard.content().keys(), QStringList({"text/plain"}));
    }

    void copyToPasteboardByType()
    {
        FakePasteboard pasteboard;
        pasteboard.copyText("before");
        const auto put = [&](const QString &content, ClipboardItemType type, std::optional<QByteArray> image = {}) {
            [[maybe_unused]] const bool written
                = PasteboardWriter::copyToPasteboard(ClipboardItem(content, type, image, {}, {}, false), pasteboard);
            return pasteboard.pasteboardItems().value(0);
        };
        put("plain\ntext", ClipboardItemType::richText);
        QCOMPARE(pasteboard.string(), QStringLiteral("plain\ntext"));
        QCOMPARE(pasteboard.changeCount(), 2);

        auto item = put("https://example.com/a?b=1", ClipboardItemType::url);
        QCOMPARE(item.string(PasteboardType::string), QStringLiteral("https://example.com/a?b=1"));
        QCOMPARE(item.string(PasteboardType::url), QStringLiteral("https://example.com/a?b=1"));

        item = put("file:///tmp/My%20Report.pdf", ClipboardItemType::file);
        QCOMPARE(item.string(PasteboardType::fileUrl), QStringLiteral("file:///tmp/My%20Report.pdf"));
        QVERIFY(!item.string(PasteboardType::string));

        put("Image (0 KB)", ClipboardItemType::image, solidPng(4, 3));
        QCOMPARE(pasteboard.content().value("image/png"), solidPng(4, 3));
    }

    void copyToPasteboardLeavesTheClipboardWhenItCannotWrite_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<ClipboardItemType>("type");
        QTest::addColumn<std::optional<QByteArray>>("image");
        QTest::newRow("a link edited into a space")
            << "https://example.com/a b" << ClipboardItemType::url << std::optional<QByteArray>();
        QTest::newRow("a file link that does not parse")
            << "file:///tmp/a%zz" << ClipboardItemType::file << std::optional<QByteArray>();
        QTest::newRow("image bytes that do not decode")
            << "broken" << ClipboardItemType::image << std::optional<QByteArray>("nope");
        QTest::newRow("image bytes missing") << "none" << ClipboardItemType::image << std::optional<QByteArray>();
    }
    void copyToPasteboardLeavesTheClipboardWhenItCannotWrite()
    {
        QFETCH(QString, content);
        QFETCH(ClipboardItemType, type);
        QFETCH(std::optional<QByteArray>, image);
        FakePasteboard pasteboard;
        pasteboard.copyText("kept");
        QVERIFY(!PasteboardWriter::copyToPasteboard(ClipboardItem(content, type, image, {}, {}, false), pasteboard));
        QCOMPARE(pasteboard.changeCount(), 1);
        QCOMPARE(pasteboard.string(), QStringLiteral("kept"));
        QVERIFY(PasteboardWriter::copyToPasteboard(
            ClipboardItem("fine", ClipboardItemType::text, {}, {}, {}, false), pasteboard));
    }

    void copyFilesToPasteboardPlacesFiles()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath("My Report.pdf");
        const QString second = dir.filePath("notes.txt");
        const QString picture = dir.filePath("shot.png");
        for (const QString &path : {first, second, picture}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const auto fileItem = [](const QString &path) {
            return ClipboardItem::create(
                QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded), ClipboardItemType::file);
        };

        FakePasteboard pasteboard;
        QVERIFY(PasteboardWriter::copyFilesToPasteboard({fileItem(first), fileItem(second)}, pasteboard));
        QCOMPARE(pasteboard.changeCount(), 1);
        QCOMPARE(pasteboard.content().value("text/uri-list"),
            QUrl::fromLocalFile(first).toEncoded() + "\r\n" + QUrl::fromLocalFile(second).toEncoded() + "\r\n");
        QCOMPARE(pasteboard.string(), QStringLiteral("My Report.pdf\nnotes.txt"));

        // An image with a real path is placed as that file; no temporary copy is made.
        const QStringList before = temporaryPngs();
        QVERIFY(PasteboardWriter::copyFilesToPasteboard(
            {ClipboardItem::create(picture, ClipboardItemType::image, solidPng(4, 3))}, pasteboard));
        QCOMPARE(pasteboard.string(), QStringLiteral("shot.png"));
        QCOMPARE(temporaryPngs(), before);

        // An image with only a label gets a private temporary file.
        QVERIFY(PasteboardWriter::copyFilesToPasteboard(
            {ClipboardItem::create("Image (0 KB)", ClipboardItemType::image, solidPng(4, 3))}, pasteboard));
        const QString name = *pasteboard.string();
        QVERIFY2(QRegularExpression("^Quillbox-[0-9A-F]{8}\\.png$").match(name).hasMatch(), qPrintable(name));
        const QString written = QDir::temp().filePath(name);
        QCOMPARE(QFile::permissions(written) & 0x0077, QFileDevice::Permissions());
        QFile file(written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), solidPng(4, 3));
        QFile::remove(written);
    }

    void removesOnlyStaleTemporaryPngs()
    {
        QTemporaryDir folder;
        const QByteArray tmpdirBefore = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(folder.path()));
        const auto write = [&](const QString &name, int ageSeconds) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setFileTime(
                QDateTime::currentDateTimeUtc().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
        };
        write("Quillbox-0123ABCD.png", 3600);
        write("Quillbox-4567CDEF.png", 0);
        write("Quillbox-NOTOURS1.png", 3600);
        write("Screenshot-0123ABCD.png", 3600);
        PasteboardWriter::removeStaleTemporaryPngs();
        if (tmpdirBefore.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", tmpdirBefore);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
            QStringList({"Quillbox-4567CDEF.png", "Quillbox-NOTOURS1.png", "Screenshot-0123ABCD.png"}));
    }

    void copyFilesToPasteboardLeavesTheClipboardOnFailure_data()
    {
        QTest::addColumn<QList<std::shared_ptr<ClipboardItem>>>("items");
        const auto existing
            = ClipboardItem::create(QUrl::fromLocalFile(QDir::tempPath()).toString(), ClipboardItemType::file);
        QTest::newRow("no items") << QList<std::shared_ptr<ClipboardItem>>();
        QTest::newRow("a text after files")
            << QList{existing, existing, ClipboardItem::create("hello", ClipboardItemType::text)};
        QTest::newRow("a file that is gone")
            << QList{existing, ClipboardItem::create("file:///nonexistent/quillbox-test", ClipboardItemType::file)};
        QTest::newRow("an image without data or file")
            << QList{ClipboardItem::create("Image (3 KB)", ClipboardItemType::image)};
        QTest::newRow("a url") << QList{ClipboardItem::create("https://example.com", ClipboardItemType::url)};
        QTest::newRow("a text after an image to write")
            << QList{ClipboardItem::create("Image (0 KB)", ClipboardItemType::image, solidPng(1, 1)),
                   ClipboardItem::create("hello", ClipboardItemType::text)};
    }
    void copyFilesToPasteboardLeavesTheClipboardOnFailure()
    {
        QFETCH(QList<std::shared_ptr<ClipboardItem>>, items);
        FakePasteboard pasteboard;
        pasteboard.copyText("kept");
        QVERIFY(!PasteboardWriter::copyFilesToPasteboard(items, pasteboard));
        QCOMPARE(pasteboard.changeCount(), 1);
        QCOMPARE(pasteboard.string(), QStringLiteral("kept"));
    }
};

QTEST_GUILESS_MAIN(TestPasteboard)
#include "test_pasteboard.moc"
