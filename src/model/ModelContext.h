#pragma once

#include "ClipCategory.h"
#include "ClipboardItem.h"
#include "Clock.h"
#include "FetchDescriptor.h"
#include "PasteTemplate.h"
#include "StoreWriter.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

class ModelContainer;

/// The store's one context, used on the main thread. Inserts, deletes and field changes are
/// visible to fetches and live queries at once; `save()` hands them to the store's writer thread,
/// which writes each save in one transaction, in order. All records are held in memory (image bytes
/// excepted), so fetches never touch the disk.
class ModelContext : public QObject {
    Q_OBJECT

public:
    ModelContext(ModelContainer &container, Clock &clock);
    ~ModelContext() override;

    template <class T> QList<std::shared_ptr<T>> fetch(const FetchDescriptor<T> &descriptor = {}) const;
    template <class T> int count() const { return int(m_records[size_t(recordTypeOf<T>())].size()); }

    template <class T> static constexpr RecordType recordTypeOf();

    void insert(const std::shared_ptr<StoredRecord> &record);
    /// Deletes the record. Stored image bytes of a deleted item can no longer be read.
    void remove(const std::shared_ptr<StoredRecord> &record);
    /// Deletes many items at once: each index is passed over once, where deleting them one by one
    /// moves what follows each item in every list it is filed in.
    void remove(const QList<std::shared_ptr<ClipboardItem>> &items);
    /// Hands every pending change to the writer and returns at once. If the writer cannot write
    /// them, `saveFailed` says so and they are pending again, ahead of any newer change, for the
    /// next save; saves handed over after a failed one are taken back with it.
    void save();
    /// Changes not yet handed to the writer.
    bool hasChanges() const;
    /// How many records have changes the file does not have yet, handed to the writer or not.
    int unsavedChangeCount() const;
    /// A refused save is tried again on its own after `firstMs`, then after twice as long each time
    /// it is refused again, up to `maxMs`, until it is written.
    void setSaveRetryDelays(int firstMs, int maxMs);
    /// The store's time: what stamps new records and times save retries.
    Clock &clock() const { return m_clock; }
    /// Blocks until the writer has written (or refused) everything saved so far, and takes in the
    /// outcome. True when all of it is in the file.
    bool waitForSaves();
    /// Saves and waits, trying a refused save once more, as the program closes. True when every
    /// change is in the file; otherwise `unsavedChangeCount` says how many are not.
    bool saveBeforeClosing();

    /// From a save refused because the disk is full until a save is written. Saves refused meanwhile
    /// for another reason do not end it: nothing says space was freed.
    bool isDiskFull() const { return m_diskFull; }
    /// Why the latest save was refused; nothing once a save is written.
    const std::optional<SaveFailure> &lastSaveFailure() const { return m_lastFailure; }
    /// The changes not yet handed to the writer, as a save would hand them over: removals, insertions,
    /// then updates, each in store order. Image bytes not yet written are part of them.
    QList<StoreWriter::Change> unsavedChanges() const;
    /// Takes in changes an earlier run could not write (see `unsavedChanges`), as changes made now: the
    /// next save writes them, in one transaction with whatever else is pending. A row the file has
    /// already is overwritten with the change's values, so taking the same changes in twice does no
    /// harm. Every change is checked first; when one does not describe a record, none is taken in and
    /// the reason is returned.
    std::optional<QString> takeInUnsavedChanges(const QList<StoreWriter::Change> &changes);

    /// The newest item with exactly this content and type, found through an index.
    std::shared_ptr<ClipboardItem> newestItem(const ItemText &content, ClipboardItemType type) const;
    /// The newest image item whose `imageDigest` is `digest`, found through an index. Items whose
    /// digest is not known yet are not found.
    std::shared_ptr<ClipboardItem> newestImage(const QByteArray &digest) const;
    int unpinnedItemCount() const { return int(m_unpinnedByAge.size()); }
    /// The unpinned items that come after the `keep` newest ones, newest first.
    QList<std::shared_ptr<ClipboardItem>> unpinnedItemsBeyond(int keep) const;

signals:
    void recordInserted(const std::shared_ptr<StoredRecord> &record);
    void recordRemoved(const std::shared_ptr<StoredRecord> &record);
    void recordChanged(const std::shared_ptr<StoredRecord> &record);
    /// The stored images that lacked a digest at start-up have been given theirs.
    void imageDigestsBackfilled();
    void saveFailed(const SaveFailure &failure);
    /// Every change refused before is in the file now, or no longer needs writing: a save was
    /// written, or what waited was deleted before it ever was.
    void saved();
    void diskFullChanged();

private:
    friend class StoredRecord;
    friend class ClipboardItem;
    friend class ModelContainer;

    /// Takes the record in without a pending change or a signal.
    void attach(std::shared_ptr<StoredRecord> record);
    /// Takes in the records loaded from the store.
    void attachStored(QList<std::shared_ptr<StoredRecord>> records);
    void recordDidChange(StoredRecord &record);
    /// Takes in what the writer did; false when a save failed.
    bool takeWriterResults();
    /// Puts the record's changes back among the pending ones, from what the file has.
    void markChanged(const std::shared_ptr<StoredRecord> &record);
    /// The record's position in its type's list.
    qsizetype indexOf(const StoredRecord &record) const;
    /// The pending records with what a save writes for each, in the order it writes them: the kind
    /// is settled before any is handed over, so a new row is not updated again in the same save.
    QList<std::pair<std::shared_ptr<StoredRecord>, StoreWriter::Change::Kind>> pendingInSaveOrder() const;
    /// The record of this type and id in the context, or null.
    std::shared_ptr<StoredRecord> find(RecordType type, const QUuid &id) const;
    /// Puts `fresh` where `stored` is: the same place in the store order, the same row in the file.
    void replace(const std::shared_ptr<StoredRecord> &stored, const std::shared_ptr<StoredRecord> &fresh);
    void setDiskFull(bool full);
    /// Nothing refused is waiting any more.
    void settle();
    /// A digest the backfill found in the store or wrote there: set without a pending change, unless
    /// the item's bytes changed in the meantime.
    void adoptImageDigest(const QUuid &id, const QByteArray &digest);
    std::optional<QByteArray> storedImageData(const ClipboardItem &item) const;
    std::function<std::optional<QByteArray>()> storedImageDataLoader(const ClipboardItem &item) const;
    std::optional<std::pair<qsizetype, QByteArray>> storedImageDataHead(const ClipboardItem &item, int maxBytes) const;

    // Capture indexes over the items.
    struct AgeKey {
        qint64 createdAt;
        quint64 sequence;
        ClipboardItem *item;
        bool operator<(const AgeKey &other) const; // newest first; equal ages in store order
        /// The order of the age list, which keeps the oldest first.
        static bool isOlder(const AgeKey &a, const AgeKey &b) { return b < a; }
        static AgeKey of(ClipboardItem &item);
    };
    static size_t contentKey(const ItemText &content, ClipboardItemType type);
    void indexItem(ClipboardItem &item);
    void unindexItem(ClipboardItem &item);
    void unfileContent(ClipboardItem &item);
    void unindexImageDigest(ClipboardItem &item);

    ModelContainer &m_container;
    std::array<QList<std::shared_ptr<StoredRecord>>, 3> m_records; // store order, per record type
    quint64 m_nextSequence = 0;

    // Records changed since the last save. What a save writes for each follows from whether it is
    // in the context and whether its row is in the file once the earlier saves are applied.
    QHash<StoredRecord *, std::shared_ptr<StoredRecord>> m_changed;
    Clock &m_clock;
    quint64 m_retryGeneration = 0; // only the latest scheduled retry runs
    int m_firstRetryMs = 1000;
    int m_maxRetryMs = 30000;
    int m_nextRetryMs = 1000;
    struct SavedChange {
        std::shared_ptr<StoredRecord> record;
        StoreWriter::Change::Kind kind;
        std::optional<quint64> imageDataGeneration; // of the image bytes written with it
    };
    struct SavedBatch {
        quint64 sequence;
        QList<SavedChange> changes;
    };
    QList<SavedBatch> m_unconfirmed; // handed to the writer, oldest first
    quint64 m_nextBatch = 1;
    quint64 m_epoch = 0;
    bool m_diskFull = false;
    std::optional<SaveFailure> m_lastFailure;

    // The items of one content key are chained through their own keys, the last filed first: filing a
    // long history allocates nothing an item.
    QHash<size_t, ClipboardItem *> m_itemsByContent;
    QMultiHash<QByteArray, ClipboardItem *> m_imagesByDigest;
    std::vector<AgeKey> m_unpinnedByAge; // oldest first, so that loading and capturing append
    QHash<ClipboardItem *, QByteArray> m_indexedDigests; // as filed, for the images filed by digest
};

template <class T> constexpr RecordType ModelContext::recordTypeOf()
{
    if constexpr (std::is_same_v<T, ClipboardItem>)
        return RecordType::clipboardItem;
    else if constexpr (std::is_same_v<T, ClipCategory>)
        return RecordType::clipCategory;
    else
        return RecordType::pasteTemplate;
}

template <class T> QList<std::shared_ptr<T>> ModelContext::fetch(const FetchDescriptor<T> &descriptor) const
{
    QList<std::shared_ptr<T>> result;
    const auto &records = m_records[size_t(recordTypeOf<T>())];
    // A record is shared only once it matches: a predicate that picks a few of a long history costs
    // neither a list as long as the history nor two reference counts an item.
    if (!descriptor.predicate)
        result.reserve(records.size());
    for (const auto &record : records) {
        if (!descriptor.predicate || descriptor.predicate(static_cast<const T &>(*record)))
            result.append(std::static_pointer_cast<T>(record));
    }
    if (descriptor.sortBy) {
        std::stable_sort(result.begin(), result.end(),
            [&sort = *descriptor.sortBy](const auto &a, const auto &b) { return sort(*a, *b); });
    }
    return result;
}
