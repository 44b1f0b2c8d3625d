#include "TemporaryStore.h"
#include "TestImages.h"
#include "ui/IconImageProvider.h"
#include "ui/ShadowImageProvider.h"
#include "ui/panel/ThumbnailImageProvider.h"

#include <QIcon>
#include <QPixmap>
#include <QQuickTextureFactory>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

std::shared_ptr<ClipboardItem> saveImage(ModelContext &context, const QByteArray &bytes)
{
    auto item = ClipboardItem::create("Image (1 KB)", ClipboardItemType::image, bytes);
    context.insert(item);
    context.save();
    context.waitForSaves(); // the provider reads the file
    return item;
}

// What the view would get for `id`: a null image when the provider has none.
QImage requestThumbnail(ThumbnailImageProvider &provider, const QString &id, const QSize &size)
{
    std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(id, size));
    QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
    if (!finished.wait(10000))
        return {};
    std::unique_ptr<QQuickTextureFactory> factory(response->textureFactory());
    return factory ? factory->image() : QImage();
}

} // namespace

class TestImageProviders : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QIcon::setFallbackThemeName("Adwaita"); }

    void thumbnailsComeFromTheStoreWithinTheBound()
    {
        TemporaryStore store;
        store.open();
        const auto wide = saveImage(store.context(), solidPng(400, 200, Qt::red));
        const auto small = saveImage(store.context(), solidPng(40, 20));
        const auto broken = saveImage(store.context(), QByteArray("not an image"));
        ThumbnailImageProvider provider(store.path());

        const QString wideId = wide->id().toString(QUuid::WithoutBraces);
        QImage image = requestThumbnail(provider, wideId, QSize(100, 100));
        QCOMPARE(image.size(), QSize(100, 50));
        QCOMPARE(image.pixelColor(50, 25), QColor(Qt::red));
        // Braced, lower-case or upper-case: the same row.
        QCOMPARE(requestThumbnail(provider, wide->id().toString().toUpper(), {}).size(), QSize(160, 80));
        QCOMPARE(requestThumbnail(provider, wideId, QSize(0, 30)).size(), QSize(60, 30));
        // Small images are not blown up.
        QCOMPARE(requestThumbnail(provider, small->id().toString(), QSize(100, 100)).size(), QSize(40, 20));

        QVERIFY(requestThumbnail(provider, broken->id().toString(), {}).isNull());
        QVERIFY(requestThumbnail(provider, QUuid::createUuid().toString(), {}).isNull());
        QVERIFY(requestThumbnail(provider, "not-a-uuid", {}).isNull());

        // A deleted row stays available from the cache only at sizes already made.
        store.context().remove(wide);
        store.context().save();
        store.context().waitForSaves();
        QCOMPARE(requestThumbnail(provider, wideId, QSize(100, 100)).size(), QSize(100, 50));
        QVERIFY(requestThumbnail(provider, wideId, QSize(20, 20)).isNull());
    }

    void everySymbolHasAThemeIcon()
    {
        IconImageProvider provider;
        const QStringList symbols = IconImageProvider::symbolNames();
        QVERIFY(symbols.size() > 40);
        for (const QString &symbol : symbols) {
            const QString name = IconImageProvider::themeIconName(symbol);
            QVERIFY2(!QIcon::fromTheme(name).isNull(), qPrintable(symbol + " -> " + name));
            QSize size;
            const QPixmap pixmap = provider.requestPixmap("symbol/" + symbol, &size, QSize(24, 24));
            QCOMPARE(pixmap.size(), QSize(24, 24));
            QCOMPARE(size, QSize(24, 24));
        }
        for (const char *symbol : {"doc.text", "photo", "link", "doc", "doc.richtext"})
            QVERIFY(symbols.contains(symbol));
    }

    void sizesAndFallbacks()
    {
        IconImageProvider provider;
        QSize size;
        QCOMPARE(provider.requestPixmap("symbol/pin", &size, {}).size(), QSize(16, 16));
        QCOMPARE(provider.requestPixmap("theme/application-pdf", &size, QSize(0, 32)).size(), QSize(32, 32));
        // Unknown names fall back to a visible image, never a null one.
        QVERIFY(!provider.requestPixmap("symbol/no.such.symbol", &size, {}).isNull());
        QVERIFY(!provider.requestPixmap("theme/no-such-icon", &size, {}).isNull());
        QVERIFY(!provider.requestPixmap("elsewhere/pin", &size, {}).isNull());
    }

    void colourPaintsTheShape()
    {
        IconImageProvider provider;
        QSize size;
        const QImage image = provider.requestPixmap("symbol/trash?color=%23ff8c00", &size, QSize(32, 32))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        int painted = 0;
        int transparent = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 0) {
                    ++transparent;
                } else if (qAlpha(pixel) == 255) {
                    ++painted;
                    QCOMPARE(QColor(pixel).name(), QString("#ff8c00"));
                }
            }
        }
        QVERIFY(painted > 0);
        QVERIFY(transparent > 0); // the shape, not the whole square
    }

    // A shadow is its corners and a one-pixel middle, darkest under the rectangle and fading out to
    // nothing at the edge; ids that describe none, or an outsized one, give no image or a bounded one.
    void shadowsFadeFromTheRectangleOutward()
    {
        ShadowImageProvider provider;
        QSize size;
        const QImage shadow = provider.requestImage("14/10/6/0.8?color=%2380000000", &size, {});
        QCOMPARE(size, QSize(2 * 24 + 1, 2 * 24 + 1));
        QCOMPARE(shadow.size(), size);
        const int middle = size.width() / 2;
        // In the middle all six layers of half-black at 0.8 / 6 each lie over each other; at the edge only
        // the outermost; beyond its rounded corner nothing; fading in between.
        const double layer = 0x80 / 255.0 * 0.8 / 6;
        QVERIFY(std::abs(qAlpha(shadow.pixel(middle, middle)) - 255 * (1 - std::pow(1 - layer, 6))) <= 3);
        QVERIFY(qAlpha(shadow.pixel(0, middle)) <= qRound(255 * layer) + 1);
        QCOMPARE(qAlpha(shadow.pixel(0, 0)), 0);
        for (int x = 1; x <= middle; ++x)
            QVERIFY(qAlpha(shadow.pixel(x, middle)) >= qAlpha(shadow.pixel(x - 1, middle)));

        for (const char *id : {"14/10/6/0.8", "14/10/6?color=%23000000", "a/b/c/d?color=nocolour", ""})
            QVERIFY2(provider.requestImage(QString::fromLatin1(id), &size, {}).isNull(), id);
        QVERIFY(provider.requestImage("100000/100000/100000/9?color=%23000000", &size, {}).width() <= 2 * 128 + 1);
    }
};

QTEST_MAIN(TestImageProviders)
#include "test_image_providers.moc"
