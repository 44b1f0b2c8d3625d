#include "ImageDigestBackfill.h"

#include "ImageDigest.h"

#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

Q_LOGGING_CATEGORY(lcDigests, "quillbox.store.digests", QtInfoMsg)

ImageDigestBackfill::ImageDigestBackfill(const QString &path, QList<QUuid> ids, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_ids(std::move(ids))
{
}

ImageDigestBackfill::~ImageDigestBackfill()
{
    if (!m_thread)
        return;
    m_thread->requestInterruption();
    m_thread->wait();
    delete m_thread;
}

void ImageDigestBackfill::start()
{
    m_thread = QThread::create([this] { run(); });
    m_thread->start(QThread::LowPriority);
}

void ImageDigestBackfill::run()
{
    const QString name = QStringLiteral("quillbox-digests-%1").arg(quintptr(this));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open())
            qCWarning(lcDigests) << "cannot open the store:" << db.lastError().text();
        QSqlQuery query(db);
        for (const QUuid &id : std::as_const(m_ids)) {
            if (QThread::currentThread()->isInterruptionRequested() || !db.isOpen())
                break;
            const QString idText = id.toString(QUuid::WithoutBraces).toUpper();
            query.prepare(QStringLiteral("SELECT imageDigest FROM ClipboardItem WHERE id = ?"));
            query.addBindValue(idText);
            if (!query.exec() || !query.next())
                continue;
            if (const QByteArray stored = query.value(0).toByteArray(); !stored.isEmpty()) {
                emit digestFound(id, stored);
                continue;
            }
            query.prepare(QStringLiteral("SELECT imageData FROM ClipboardItem WHERE id = ? AND imageData IS NOT NULL"));
            query.addBindValue(idText);
            if (!query.exec() || !query.next())
                continue;
            const QByteArray bytes = query.value(0).toByteArray();
            query.finish();
            const auto digest = ImageDigest::ofEncoded(bytes);
            if (!digest)
                continue;
            // Written only over the bytes it was computed from: the item may have changed meanwhile.
            query.prepare(QStringLiteral(
                "UPDATE ClipboardItem SET imageDigest = ? WHERE id = ? AND imageDigest IS NULL AND imageData = ?"));
            query.addBindValue(*digest);
            query.addBindValue(idText);
            query.addBindValue(bytes);
            if (!query.exec()) {
                qCWarning(lcDigests) << "cannot store a digest:" << query.lastError().text();
                continue;
            }
            if (query.numRowsAffected() == 1)
                emit digestFound(id, *digest);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    emit finished();
}
