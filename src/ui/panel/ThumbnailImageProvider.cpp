#include "ThumbnailImageProvider.h"

#include "model/ShownImage.h"

#include <QQuickTextureFactory>
#include <QRunnable>
#include <QUuid>

namespace {

// A side the view leaves at 0 is not bounded; with neither given, the default applies.
QSize boundFor(const QSize &requested)
{
    if (requested.width() <= 0 && requested.height() <= 0)
        return ThumbnailImageProvider::defaultSize;
    constexpr int unbounded = 1 << 20;
    return QSize(
        requested.width() > 0 ? requested.width() : unbounded, requested.height() > 0 ? requested.height() : unbounded);
}

class ThumbnailJob : public QObject, public QRunnable {
    Q_OBJECT

public:
    ThumbnailJob(ThumbnailImageProvider &provider, QString id, QSize requestedSize)
        : m_provider(provider)
        , m_id(std::move(id))
        , m_requestedSize(requestedSize)
    {
    }

    void run() override { emit done(m_provider.thumbnail(m_id, m_requestedSize)); }

signals:
    void done(const QImage &image);

private:
    ThumbnailImageProvider &m_provider;
    QString m_id;
    QSize m_requestedSize;
};

class ThumbnailResponse : public QQuickImageResponse {
    Q_OBJECT

public:
    ThumbnailResponse(
        ThumbnailImageProvider &provider, const QString &id, const QSize &requestedSize, QThreadPool &pool)
    {
        auto *job = new ThumbnailJob(provider, id, requestedSize);
        job->setAutoDelete(true);
        // Queued into this response's thread; a response deleted first simply never hears back.
        connect(job, &ThumbnailJob::done, this, &ThumbnailResponse::finish);
        pool.start(job);
    }

    QQuickTextureFactory *textureFactory() const override
    {
        return QQuickTextureFactory::textureFactoryForImage(m_image);
    }

private:
    void finish(const QImage &image)
    {
        m_image = image;
        emit finished();
    }

    QImage m_image;
};

} // namespace

ThumbnailImageProvider::ThumbnailImageProvider(const QString &storePath)
    : m_images(storePath)
{
    m_cache.setMaxCost(cacheLimitBytes / 1024);
    m_pool.setMaxThreadCount(2);
}

ThumbnailImageProvider::~ThumbnailImageProvider()
{
    m_pool.clear();
    m_pool.waitForDone();
}

QQuickImageResponse *ThumbnailImageProvider::requestImageResponse(const QString &id, const QSize &requestedSize)
{
    return new ThumbnailResponse(*this, id, requestedSize, m_pool);
}

QImage ThumbnailImageProvider::thumbnail(const QString &id, const QSize &requestedSize)
{
    const QUuid itemId = QUuid::fromString(id);
    if (itemId.isNull())
        return {};
    const QSize bound = boundFor(requestedSize);
    const QString key = QStringLiteral("%1@%2x%3").arg(itemId.toString()).arg(bound.width()).arg(bound.height());
    if (QImage image = cached(key); !image.isNull())
        return image;
    const auto data = m_images.imageData(itemId);
    if (!data)
        return {};
    const QImage image = ShownImage::decode(*data, bound);
    if (!image.isNull())
        remember(key, image);
    return image;
}

QImage ThumbnailImageProvider::cached(const QString &key)
{
    QMutexLocker lock(&m_cacheMutex);
    const QImage *image = m_cache.object(key);
    return image ? *image : QImage();
}

void ThumbnailImageProvider::remember(const QString &key, const QImage &image)
{
    QMutexLocker lock(&m_cacheMutex);
    m_cache.insert(key, new QImage(image), qMax<qsizetype>(1, image.sizeInBytes() / 1024));
}

#include "ThumbnailImageProvider.moc"
