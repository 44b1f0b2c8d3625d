#include "model/ClipCategory.h"
#include "model/ClipboardItem.h"
#include "model/Color.h"
#include "model/ImageDigest.h"
#include "model/PasteTemplate.h"

#include "TestImages.h"

#include <QTest>

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void typesRoundTripTheirRawValues()
    {
        QStringList raws;
        for (const auto type : allClipboardItemTypes) {
            raws.append(rawValue(type));
            QCOMPARE(clipboardItemTypeFromRawValue(rawValue(type)), type);
        }
        QCOMPARE(raws, QStringList({"text", "image", "url", "file", "richText"}));
        QCOMPARE(typeIcon(ClipboardItemType::richText), QStringLiteral("doc.richtext"));
        QCOMPARE(typeIcon(ClipboardItemType::file), QStringLiteral("doc"));
        for (const QString raw : {"Text", "rich_text", "", "html"})
            QVERIFY(!clipboardItemTypeFromRawValue(raw));
    }

    void countsUserPerceivedCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("ascii") << QStringLiteral("hello") << 5;
        QTest::newRow("crlf is one") << QStringLiteral("a\r\nb") << 3;
        QTest::newRow("lone cr and lf") << QStringLiteral("\n\r") << 2;
        QTest::newRow("latin-1") << QStringLiteral("café") << 4;
        QTest::newRow("combining accent") << QStringLiteral("e\u0301") << 1;
        QTest::newRow("flag") << QStringLiteral("🇺🇦") << 1;
        QTest::newRow("two flags") << QStringLiteral("🇺🇦🇩🇪") << 2;
        QTest::newRow("zwj family") << QStringLiteral("👨‍👩‍👧‍👦") << 1;
        QTest::newRow("skin tone") << QStringLiteral("👍🏽") << 1;
        QTest::newRow("keycap") << QStringLiteral("1️⃣") << 1;
        QTest::newRow("devanagari") << QStringLiteral("क्षि") << 1;
        QTest::newRow("mixed") << QStringLiteral("Привет 👋🏻!") << 9;
        QTest::newRow("crlf before emoji") << QStringLiteral("\r\n👍🏽") << 2;
    }
    void countsUserPerceivedCharacters()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(ClipboardItem::countCharacters(text), count);
        QCOMPARE(ClipboardItem(text, ClipboardItemType::text, {}, {}, {}, false).characterCount(), count);
    }

    void colorRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("with hash") << "#3F78F3" << true;
        QTest::newRow("without hash") << "3F78F3" << true;
        QTest::newRow("lower case") << "#3f78f3" << true;
        QTest::newRow("double hash") << "##3F78F3" << true;
        QTest::newRow("surrounding space") << "  #3F78F3\n" << true;
        QTest::newRow("hash inside") << "3F#78F3" << true;
        QTest::newRow("five digits") << "#3F78F" << false;
        QTest::newRow("eight digits") << "#3F78F3FF" << false;
        QTest::newRow("short form") << "#FFF" << false;
        QTest::newRow("not hex") << "#GG0000" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("inner space") << "# 3F78F" << false;
        QTest::newRow("hex prefix") << "0x3F78" << false;
        QTest::newRow("sign") << "+3F78F" << false;
    }
    void colorRule()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto color = colorFromHex(text);
        QCOMPARE(color.has_value(), valid);
        if (valid)
            QCOMPARE(*color, QColor(63, 120, 243));
        const ClipCategory category("c", text, "doc", 0, false);
        QCOMPARE(category.color(), valid ? QColor(63, 120, 243) : QColor(0x00, 0x7A, 0xFF));
    }

    void defaultCategoriesMatchTheTypeNames()
    {
        const QList<ClipboardItemType> typesInCategoryOrder = {ClipboardItemType::text, ClipboardItemType::url,
            ClipboardItemType::image, ClipboardItemType::file, ClipboardItemType::richText};
        QCOMPARE(ClipCategory::defaults.size(), typesInCategoryOrder.size());
        for (int i = 0; i < ClipCategory::defaults.size(); ++i) {
            const auto &entry = ClipCategory::defaults.at(i);
            const auto type = typesInCategoryOrder.at(i);
            QVERIFY2(colorFromHex(entry.colorHex), qPrintable(entry.colorHex));
            QCOMPARE(entry.name, defaultCategoryName(type));
            QCOMPARE(entry.icon, typeIcon(type));
        }
    }

    void combineWithEveryDefaultTemplate_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("combined");
        const QStringList abc{"a", "b", "c"};
        QTest::newRow("comma") << "Comma" << abc << "a, b, c";
        QTest::newRow("new line") << "New Line" << abc << "a\nb\nc";
        QTest::newRow("space") << "Space" << abc << "a b c";
        QTest::newRow("tab") << "Tab" << abc << "a\tb\tc";
        QTest::newRow("double quotes") << "\"Double Quotes\"" << abc << "\"a\", \"b\", \"c\"";
        QTest::newRow("single quotes") << "'Single Quotes'" << abc << "'a', 'b', 'c'";
        QTest::newRow("json array") << "JSON Array" << abc << "[\"a\", \"b\", \"c\"]";
        QTest::newRow("bullet list") << "Bullet List" << abc << "- a\n- b\n- c";
        QTest::newRow("numbered carries no numbers") << "Numbered" << abc << "a\nb\nc";
        QTest::newRow("sql in") << "SQL IN" << abc << "('a', 'b', 'c')";
        QTest::newRow("json array, empty") << "JSON Array" << QStringList() << "[]";
        QTest::newRow("sql in, empty") << "SQL IN" << QStringList() << "()";
        QTest::newRow("comma, empty") << "Comma" << QStringList() << "";
        QTest::newRow("sql in, one item") << "SQL IN" << QStringList{"a"} << "('a')";
        QTest::newRow("nothing is escaped")
            << "JSON Array" << QStringList{"say \"hi\"", "x, y"} << "[\"say \"hi\"\", \"x, y\"]";
        QTest::newRow("empty items stay") << "Comma" << QStringList{"", ""} << ", ";
    }
    void combineWithEveryDefaultTemplate()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, items);
        QFETCH(QString, combined);
        const auto entry = std::find_if(PasteTemplate::defaults.cbegin(), PasteTemplate::defaults.cend(),
            [&](const auto &d) { return d.name == name; });
        QVERIFY(entry != PasteTemplate::defaults.cend());
        QCOMPARE(PasteTemplate::create(*entry, 0, true)->combine(items), combined);
    }

    void imageDigestsFollowThePixelsNotTheEncoding()
    {
        // A photo-like picture: a JPEG decode is opaque RGB32, its PNG re-encode has an alpha channel.
        QImage picture(37, 21, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) % 256));
        }
        const QByteArray jpeg = encodedImage(picture, "JPEG");
        const QImage decoded = QImage::fromData(jpeg);
        QCOMPARE(decoded.format(), QImage::Format_RGB32);
        const QImage withAlpha = decoded.convertToFormat(QImage::Format_ARGB32);
        const QByteArray png = encodedImage(withAlpha, "PNG");
        QCOMPARE(QImage::fromData(png).format(), QImage::Format_ARGB32);
        const auto digest = ImageDigest::ofEncoded(jpeg);
        QVERIFY(digest && digest->size() == 32);
        QCOMPARE(ImageDigest::ofEncoded(png), digest);
        QCOMPARE(ImageDigest::of(decoded), *digest);

        // Scanline padding: a 3-pixel-wide RGB888 row is padded to 12 bytes, and its copy in memory
        // with another stride is still the same picture.
        const QImage narrow = picture.copy(0, 0, 3, 5).convertToFormat(QImage::Format_RGB888);
        QCOMPARE(ImageDigest::of(narrow), ImageDigest::of(picture.copy(0, 0, 3, 5)));
        // An unused byte that is not 0xff does not make an opaque pixel another one.
        QImage opaque(2, 2, QImage::Format_RGB32);
        opaque.fill(0x00123456);
        QImage filled(2, 2, QImage::Format_ARGB32);
        filled.fill(0xff123456);
        QCOMPARE(ImageDigest::of(opaque), ImageDigest::of(filled));

        // The same bytes in another shape, one changed pixel, or transparency are other pictures.
        QVERIFY(ImageDigest::ofEncoded(solidPng(2, 3)) != ImageDigest::ofEncoded(solidPng(3, 2)));
        QImage changed = decoded;
        changed.setPixel(36, 20, qRgb(1, 2, 3));
        QVERIFY(ImageDigest::of(changed) != *digest);
        QImage translucent = withAlpha;
        translucent.setPixel(0, 0, qRgba(0, 0, 0, 0));
        QVERIFY(ImageDigest::of(translucent) != *digest);

        QVERIFY(!ImageDigest::ofEncoded("not an image"));
        QVERIFY(!ImageDigest::ofEncoded({}));
        QVERIFY(ImageDigest::of(QImage()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
