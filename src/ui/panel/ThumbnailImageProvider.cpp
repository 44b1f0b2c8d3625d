#include "ThumbnailImageProvider.h"

#include "model/ShownImage.h"

#include <QAtomicInteger>
#include <QLoggingCategory>
#include <QQuickTextureFactory>
#include <QRunnable>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <map>

namespace {

Q_LOGGING_CATEGORY(lcThumbnails, "quillbox.thumbnails", QtInfoMsg)

// One read-only connection per worker thread and store file, closed when the thread ends.
class ThreadConnections {
public:
    ~ThreadConnections()
    {
        for (const auto &[path, name] : m_names) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }

    QSqlDatabase database(const QString &path)
    {
        auto found = m_names.find(path);
        if (found != m_names.end())
            return QSqlDatabase::database(found->second);
        static QAtomicInteger<quint64> nextConnection;
        const QString name = QStringLiteral("quillbox-thumbnails-%1").arg(nextConnection.fetchAndAddRelaxed(1));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=200"));
        if (!db.open())
            qCDebug(lcThumbnails) << "cannot open the store for thumbnails:" << db.lastError().text();
        m_names.emplace(path, name);
        return db;
    }

private:
    std::map<QString, QString> m_names;
};

thread_local ThreadConnections threadConnections;

// The store keeps ids as upper-case canonical text without braces.
QString storedId(const QString &id)
{
    const QUuid uuid = QUuid::fromString(id);
    return uuid.isNull() ? QString() : uuid.toString(QUuid::WithoutBraces).toUpper();
}

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
    : m_storePath(storePath)
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
    const QString rowId = storedId(id);
    if (rowId.isEmpty())
        return {};
    const QSize bound = boundFor(requestedSize);
    const QString key = QStringLiteral("%1@%2x%3").arg(rowId).arg(bound.width()).arg(bound.height());
    if (QImage image = cached(key); !image.isNull())
        return image;

    QSqlDatabase db = threadConnections.database(m_storePath);
    if (!db.isOpen())
        return {};
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT imageData FROM ClipboardItem WHERE id = ?"));
    query.addBindValue(rowId);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return {};
    const QImage image = ShownImage::decode(query.value(0).toByteArray(), bound);
    query.finish();
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
