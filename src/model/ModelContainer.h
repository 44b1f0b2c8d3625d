#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class ImageDigestBackfill;
class ModelContext;
class StoredRecord;

/// The SQLite file behind the object store: one table per record type, one column per field.
/// Opening loads every record (without image bytes) into the main context, then gives stored images
/// without a digest theirs in the background.
class ModelContainer {
public:
    /// $XDG_DATA_HOME/Quillbox/Quillbox.sqlite
    static QString defaultPath();
    /// Opens the store at `path`, creating the file and its folder when missing. On failure returns
    /// nothing, sets `error`, and leaves an existing file as it was.
    static std::unique_ptr<ModelContainer> open(const QString &path, QString *error);
    ~ModelContainer();

    ModelContext &mainContext() { return *m_mainContext; }
    const QString &path() const { return m_path; }

private:
    friend class ModelContext;

    explicit ModelContainer(const QString &path);
    bool openDatabase(QString *error);
    bool load(QString *error);
    void startImageDigestBackfill();
    bool write(const QList<std::shared_ptr<StoredRecord>> &inserts, const QList<std::shared_ptr<StoredRecord>> &updates,
        const QList<std::shared_ptr<StoredRecord>> &deletes);
    std::optional<QByteArray> readImageData(qint64 rowId) const;
    /// The size of the stored image bytes and their first `maxBytes`.
    std::optional<std::pair<qsizetype, QByteArray>> readImageDataHead(qint64 rowId, int maxBytes) const;
    static QList<std::pair<QString, QVariant>> columns(const StoredRecord &record);

    QString m_path;
    QString m_connectionName;
    std::unique_ptr<ModelContext> m_mainContext;
    std::unique_ptr<ImageDigestBackfill> m_imageDigestBackfill;
};
