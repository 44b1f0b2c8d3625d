#pragma once

#include "model/StoredImageReader.h"

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QQuickAsyncImageProvider>
#include <QThreadPool>

/// Image thumbnails of history items, registered as "thumbnail": image://thumbnail/<item id>.
/// The bytes are read from the store file and decoded on worker threads, so the GUI thread never
/// waits on them.
/// A missing row or undecodable data gives a null image.
class ThumbnailImageProvider : public QQuickAsyncImageProvider {
public:
    explicit ThumbnailImageProvider(const QString &storePath);
    ~ThumbnailImageProvider() override;

    QQuickImageResponse *requestImageResponse(const QString &id, const QSize &requestedSize) override;

    /// The bound used when the view asks for no size: an 80-point thumbnail at twice the density.
    static constexpr QSize defaultSize{160, 160};
    static constexpr int cacheLimitBytes = 48 * 1024 * 1024;

    /// Reads and decodes on the calling thread (the workers' job).
    QImage thumbnail(const QString &id, const QSize &requestedSize);

private:
    QImage cached(const QString &key);
    void remember(const QString &key, const QImage &image);

    StoredImageReader m_images;
    QThreadPool m_pool;
    QMutex m_cacheMutex;
    QCache<QString, QImage> m_cache; // cost in KiB
};
