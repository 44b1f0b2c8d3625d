#pragma once

#include "Clock.h"
#include "StoreWriter.h"
#include "StoredRecord.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class ImageDigestBackfill;
class ModelContext;

/// The SQLite file behind the object store: one table per record type, one column per field.
/// Opening loads every record (without image bytes) into the main context, then gives stored images
/// without a digest theirs in the background.
class ModelContainer {
public:
    /// $XDG_DATA_HOME/Quillbox/Quillbox.sqlite
    static QString defaultPath();
    /// Opens the store at `path`, creating the file and its folder when missing. On failure returns
    /// nothing, sets `error`, and leaves an existing file as it was. `clock` stamps new records and
    /// times save retries; it must outlive the container.
    static std::unique_ptr<ModelContainer> open(const QString &path, QString *error, Clock &clock = Clock::system());
    ~ModelContainer();

    ModelContext &mainContext() { return *m_mainContext; }
    const QString &path() const { return m_path; }
    /// See ModelContext::waitForSaves. The destructor waits too: what was saved is in the file.
    bool waitForSaves();

private:
    friend class ModelContext;

    ModelContainer(const QString &path, Clock &clock);
    bool openDatabase(QString *error);
    bool load(QString *error);
    void startImageDigestBackfill();
    std::optional<QByteArray> readImageData(const QUuid &id) const;
    /// The size of the stored image bytes and their first `maxBytes`.
    std::optional<std::pair<qsizetype, QByteArray>> readImageDataHead(const QUuid &id, int maxBytes) const;
    /// What the writer needs to apply a change of `record`: copies of its column values.
    static StoreWriter::Change change(StoreWriter::Change::Kind kind, const StoredRecord &record);
    static QList<std::pair<QString, QVariant>> columns(const StoredRecord &record);
    /// The record that `columns` (as made by `columns()`) describe, with any image bytes among them in
    /// memory; null when they describe none.
    static std::shared_ptr<StoredRecord> record(RecordType type, const QList<std::pair<QString, QVariant>> &columns);
    /// The record type stored in `table`.
    static std::optional<RecordType> recordType(const QString &table);

    QString m_path;
    QString m_connectionName;
    std::unique_ptr<ModelContext> m_mainContext;
    std::unique_ptr<StoreWriter> m_writer;
    std::unique_ptr<ImageDigestBackfill> m_imageDigestBackfill;
};
