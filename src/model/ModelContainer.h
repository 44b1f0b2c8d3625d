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
    ///
    /// Only a regular file (links followed) or nothing is opened at `path`: anything else (a named
    /// pipe, a socket, a device, a folder) is refused with what it is. A SQLite file of another
    /// program is refused too, never given this program's tables.
    static std::unique_ptr<ModelContainer> open(const QString &path, QString *error, Clock &clock = Clock::system());

    /// What opening a store reads from it: its records, or why it cannot be used.
    struct Contents {
        /// Nothing when the store cannot be used.
        std::optional<QList<std::shared_ptr<StoredRecord>>> records;
        QString error;
    };
    /// The slow part of open(): makes the file at `path` a store of this version (creating or
    /// upgrading it) and reads its records, on a connection of its own that it closes again. It may
    /// run on any thread, so that a long history is read while the program sets up its windows; only
    /// the one process that will write the store may call it.
    static Contents read(const QString &path);
    /// open() with the `contents` that read() gave for the same `path`.
    static std::unique_ptr<ModelContainer> open(
        const QString &path, Contents contents, QString *error, Clock &clock = Clock::system());
    /// Reads the store at `path` for a command that only looks: the same refusals, but nothing is
    /// created, upgraded or switched to another journal, and neither the file nor its folder need be
    /// writable. A store of an older version is read as it is, an empty file as an empty history.
    /// The context must not be saved.
    static std::unique_ptr<ModelContainer> openForReading(const QString &path, QString *error);
    ~ModelContainer();

    ModelContext &mainContext() { return *m_mainContext; }
    const QString &path() const { return m_path; }
    /// See ModelContext::waitForSaves. The destructor waits too: what was saved is in the file.
    bool waitForSaves();

private:
    friend class ModelContext;

    enum class Access { readWrite, readOnly };

    ModelContainer(const QString &path, Clock &clock);
    /// Creates the file when missing and brings its schema to this version, on Qt's connection
    /// named `connection`.
    static bool setUp(const QString &path, const QString &connection, QString *error);
    /// Connects to the file and checks that it is a store this version can use; `version` is its
    /// schema version, 0 for a file without tables.
    static bool connect(const QString &path, const QString &connection, Access access, int *version, QString *error);
    /// Stored items by rowid: those above `after` and at most `upTo`, each bound when given.
    struct RowRange {
        std::optional<qint64> after;
        std::optional<qint64> upTo;
    };
    /// The records on `connection`: the items in `items`, and the categories and templates with
    /// the items that have no lower bound. Items of a type this version does not know are left out
    /// and counted in `skipped`.
    static std::optional<QList<std::shared_ptr<StoredRecord>>> load(
        const QString &connection, QString *error, int *skipped, const RowRange &items = {});
    /// load() of the items in `items` on a read-only connection of its own.
    static Contents readItems(const QString &path, const RowRange &items, int *skipped);
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
