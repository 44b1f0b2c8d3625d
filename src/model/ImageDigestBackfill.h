#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

class QThread;

/// Gives stored images their digests after start-up, on a thread of its own with its own connection:
/// for each item it reads the stored digest or, when there is none, decodes the bytes, computes the
/// digest and writes it. Every result comes back through `digestFound` on the owner's thread.
class ImageDigestBackfill : public QObject {
    Q_OBJECT

public:
    ImageDigestBackfill(const QString &path, QList<QUuid> ids, QObject *parent = nullptr);
    /// Stops after the item in hand.
    ~ImageDigestBackfill() override;

    void start();

signals:
    void digestFound(const QUuid &id, const QByteArray &digest);
    void finished();

private:
    void run();

    QString m_path;
    QList<QUuid> m_ids;
    QThread *m_thread = nullptr;
};
