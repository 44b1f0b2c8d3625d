#include "ModelContext.h"

#include "ModelContainer.h"
#include "StoredImageReader.h"

#include <QSet>

ModelContext::ModelContext(ModelContainer &container, Clock &clock)
    : m_container(container)
    , m_clock(clock)
{
}

void ModelContext::setSaveRetryDelays(int firstMs, int maxMs)
{
    m_firstRetryMs = m_nextRetryMs = firstMs;
    m_maxRetryMs = maxMs;
}

ModelContext::~ModelContext()
{
    for (auto &records : m_records) {
        for (const auto &record : records)
            record->m_context = nullptr;
    }
}

void ModelContext::insert(const std::shared_ptr<StoredRecord> &record)
{
    if (!record || record->m_context)
        return;
    attach(record);
    if (!record->m_submittedStored && record->recordType() == RecordType::clipboardItem) {
        // A record whose row was deleted, stored image bytes included, gets a new row with what it
        // still holds in memory.
        auto &item = static_cast<ClipboardItem &>(*record);
        item.m_hasImageData = item.residentImageData().has_value();
    }
    markChanged(record);
    emit recordInserted(record);
}

void ModelContext::attach(std::shared_ptr<StoredRecord> record)
{
    StoredRecord &attached = *record;
    attached.m_context = this;
    attached.m_sequence = ++m_nextSequence;
    m_records[size_t(attached.recordType())].append(std::move(record));
    if (attached.recordType() == RecordType::clipboardItem)
        indexItem(static_cast<ClipboardItem &>(attached));
}

void ModelContext::attachStored(QList<std::shared_ptr<StoredRecord>> records)
{
    // Sized once for a long history, rather than grown a step at a time.
    std::array<qsizetype, 3> counts = {};
    for (const auto &record : records)
        ++counts[size_t(record->recordType())];
    for (size_t type = 0; type < m_records.size(); ++type)
        m_records[type].reserve(m_records[type].size() + counts[type]);
    const qsizetype items = counts[size_t(RecordType::clipboardItem)];
    m_itemsByContent.reserve(m_itemsByContent.size() + items);
    m_unpinnedByAge.reserve(m_unpinnedByAge.size() + size_t(items));
    for (auto &record : records) {
        record->m_confirmedStored = true;
        record->m_submittedStored = true;
        attach(std::move(record));
    }
}

qsizetype ModelContext::indexOf(const StoredRecord &record) const
{
    // The list is in store order, which is the order of sequence numbers.
    const auto &records = m_records[size_t(record.recordType())];
    const auto it = std::lower_bound(records.cbegin(), records.cend(), record.m_sequence,
        [](const auto &stored, quint64 sequence) { return stored->m_sequence < sequence; });
    Q_ASSERT(it != records.cend() && it->get() == &record);
    return it - records.cbegin();
}

void ModelContext::remove(const std::shared_ptr<StoredRecord> &record)
{
    if (!record || record->m_context != this)
        return;
    m_records[size_t(record->recordType())].removeAt(indexOf(*record));
    if (record->recordType() == RecordType::clipboardItem)
        unindexItem(static_cast<ClipboardItem &>(*record));
    record->m_context = nullptr;
    markChanged(record);
    emit recordRemoved(record);
}

void ModelContext::remove(const QList<std::shared_ptr<ClipboardItem>> &items)
{
    QSet<const StoredRecord *> removed;
    removed.reserve(items.size());
    for (const auto &item : items) {
        if (item && item->m_context == this)
            removed.insert(item.get());
    }
    if (removed.isEmpty())
        return;
    m_records[size_t(RecordType::clipboardItem)].removeIf(
        [&removed](const auto &record) { return removed.contains(record.get()); });
    std::erase_if(m_unpinnedByAge, [&removed](const AgeKey &age) { return removed.contains(age.item); });
    QList<std::shared_ptr<ClipboardItem>> gone;
    gone.reserve(removed.size());
    for (const auto &item : items) {
        if (!removed.remove(item.get()))
            continue;
        unfileContent(*item);
        unindexImageDigest(*item);
        item->m_context = nullptr;
        markChanged(item);
        gone.append(item);
    }
    // Listeners hear of the deletions once the context holds none of the items, as it would after each
    // single deletion: one that looks into the context, or changes it, never meets an item half gone.
    for (const auto &item : gone)
        emit recordRemoved(item);
}

void ModelContext::recordDidChange(StoredRecord &record)
{
    auto shared = record.shared_from_this();
    markChanged(shared);
    if (record.recordType() == RecordType::clipboardItem) {
        auto &item = static_cast<ClipboardItem &>(record);
        unindexItem(item);
        indexItem(item);
    }
    emit recordChanged(shared);
}

void ModelContext::markChanged(const std::shared_ptr<StoredRecord> &record)
{
    // A record that is neither in the context nor in the file has nothing to write.
    if (record->m_context == this || record->m_submittedStored)
        m_changed.insert(record.get(), record);
    else
        m_changed.remove(record.get());
}

bool ModelContext::hasChanges() const
{
    return !m_changed.isEmpty();
}

int ModelContext::unsavedChangeCount() const
{
    QSet<const StoredRecord *> records;
    for (auto it = m_changed.cbegin(); it != m_changed.cend(); ++it)
        records.insert(it.key());
    for (const auto &batch : m_unconfirmed) {
        for (const auto &change : batch.changes)
            records.insert(change.record.get());
    }
    return int(records.size());
}

QList<std::pair<std::shared_ptr<StoredRecord>, StoreWriter::Change::Kind>> ModelContext::pendingInSaveOrder() const
{
    using Kind = StoreWriter::Change::Kind;
    auto records = m_changed.values();
    // Rows are inserted in the context's order, which is the order the next start loads them in.
    std::sort(
        records.begin(), records.end(), [](const auto &a, const auto &b) { return a->m_sequence < b->m_sequence; });
    QList<std::pair<std::shared_ptr<StoredRecord>, Kind>> pending;
    pending.reserve(records.size());
    for (const Kind kind : {Kind::remove, Kind::insert, Kind::update}) {
        for (const auto &record : std::as_const(records)) {
            const Kind needed = record->m_context != this ? Kind::remove
                : record->m_submittedStored               ? Kind::update
                                                          : Kind::insert;
            if (needed == kind)
                pending.append({record, kind});
        }
    }
    return pending;
}

void ModelContext::save()
{
    if (m_changed.isEmpty())
        return;
    const auto pending = pendingInSaveOrder();
    m_changed.clear();

    using Kind = StoreWriter::Change::Kind;
    StoreWriter::Batch batch{m_nextBatch++, m_epoch, {}};
    SavedBatch saved{batch.sequence, {}};
    for (const auto &[record, kind] : pending) {
        batch.changes.append(ModelContainer::change(kind, *record));
        SavedChange change{record, kind, std::nullopt};
        if (record->recordType() == RecordType::clipboardItem && kind != Kind::remove) {
            const auto &item = static_cast<const ClipboardItem &>(*record);
            if (item.residentImageData())
                change.imageDataGeneration = item.imageDataGeneration();
        }
        saved.changes.append(std::move(change));
        record->m_submittedStored = kind != Kind::remove;
    }
    m_unconfirmed.append(std::move(saved));
    m_container.m_writer->submit(std::move(batch));
}

QList<StoreWriter::Change> ModelContext::unsavedChanges() const
{
    QList<StoreWriter::Change> changes;
    for (const auto &[record, kind] : pendingInSaveOrder())
        changes.append(ModelContainer::change(kind, *record));
    return changes;
}

std::optional<QString> ModelContext::takeInUnsavedChanges(const QList<StoreWriter::Change> &changes)
{
    using Kind = StoreWriter::Change::Kind;
    struct Taken {
        Kind kind;
        RecordType type;
        QUuid id;
        std::shared_ptr<StoredRecord> record; // null for a removal
        bool keepsStoredImageData; // an update that leaves the bytes in the file as they are
    };
    QList<Taken> taken;
    for (const auto &change : changes) {
        const auto type = ModelContainer::recordType(change.table);
        const QUuid id = QUuid::fromString(change.id);
        if (!type || id.isNull())
            return QStringLiteral("a change names no record (%1 %2)").arg(change.table, change.id);
        std::shared_ptr<StoredRecord> record;
        if (change.kind != Kind::remove) {
            record = ModelContainer::record(*type, change.columns);
            if (!record || record->id() != id)
                return QStringLiteral("the change of %1 %2 does not describe a record").arg(change.table, change.id);
        }
        const bool keepsStoredImageData = std::none_of(change.columns.cbegin(), change.columns.cend(),
            [](const auto &column) { return column.first == QLatin1String("imageData"); });
        taken.append({change.kind, *type, id, std::move(record), keepsStoredImageData});
    }

    // Flags of records in flight would be settled on records that are no longer in the context.
    waitForSaves();
    for (const auto &[kind, type, id, record, keepsStoredImageData] : std::as_const(taken)) {
        const auto stored = find(type, id);
        if (kind == Kind::remove) {
            if (stored)
                remove(stored);
            continue;
        }
        if (type == RecordType::clipboardItem && keepsStoredImageData) {
            static_cast<ClipboardItem &>(*record).m_hasImageData
                = stored && static_cast<const ClipboardItem &>(*stored).m_hasImageData;
        }
        if (stored)
            replace(stored, record);
        else if (kind == Kind::insert)
            insert(record);
        // An update of a row the file no longer has changes nothing, as it would in the file.
    }
    return std::nullopt;
}

std::shared_ptr<StoredRecord> ModelContext::find(RecordType type, const QUuid &id) const
{
    const auto &records = m_records[size_t(type)];
    const auto found
        = std::find_if(records.cbegin(), records.cend(), [&](const auto &record) { return record->id() == id; });
    return found == records.cend() ? nullptr : *found;
}

void ModelContext::replace(const std::shared_ptr<StoredRecord> &stored, const std::shared_ptr<StoredRecord> &fresh)
{
    const bool isItem = stored->recordType() == RecordType::clipboardItem;
    if (isItem)
        unindexItem(static_cast<ClipboardItem &>(*stored));
    m_records[size_t(stored->recordType())][indexOf(*stored)] = fresh;
    fresh->m_context = this;
    fresh->m_sequence = stored->m_sequence;
    fresh->m_confirmedStored = stored->m_confirmedStored;
    fresh->m_submittedStored = stored->m_submittedStored;
    if (isItem)
        indexItem(static_cast<ClipboardItem &>(*fresh));
    stored->m_context = nullptr;
    m_changed.remove(stored.get());
    markChanged(fresh);
    emit recordRemoved(stored);
    emit recordInserted(fresh);
}

bool ModelContext::takeWriterResults()
{
    std::optional<SaveFailure> failure;
    bool written = false;
    for (const auto &result : m_container.m_writer->takeResults()) {
        // Skipped batches were taken back with the failed one before them.
        if (m_unconfirmed.isEmpty() || m_unconfirmed.first().sequence != result.sequence)
            continue;
        if (result.outcome == StoreWriter::Result::Outcome::written) {
            written = true;
            const SavedBatch batch = m_unconfirmed.takeFirst();
            for (const auto &[record, kind, generation] : batch.changes) {
                record->m_confirmedStored = kind != StoreWriter::Change::Kind::remove;
                if (!generation || !record->m_confirmedStored || !record->m_submittedStored)
                    continue;
                // Bytes in the file can be read on demand; newer bytes stay until they are written.
                auto &item = static_cast<ClipboardItem &>(*record);
                if (item.m_image && item.m_image->generation == *generation)
                    item.m_image->resident.reset();
            }
            continue;
        }
        // Failed: this save and every later one go back to pending, merged with newer changes, and
        // the writer skips the later ones until they come again in a new epoch.
        for (const auto &batch : std::as_const(m_unconfirmed)) {
            for (const auto &change : batch.changes)
                change.record->m_submittedStored = change.record->m_confirmedStored;
        }
        for (const auto &batch : std::as_const(m_unconfirmed)) {
            for (const auto &change : batch.changes)
                markChanged(change.record);
        }
        m_unconfirmed.clear();
        ++m_epoch;
        failure = result.failure;
    }
    if (failure) {
        // A locked or full store must not leave changes waiting for the next copy to come along.
        m_clock.schedule(m_nextRetryMs, this, [this, generation = ++m_retryGeneration] {
            if (generation != m_retryGeneration)
                return;
            // What waited may all have been deleted before it was ever written.
            if (!hasChanges() && m_unconfirmed.isEmpty())
                settle();
            save();
        });
        m_nextRetryMs = std::min(m_nextRetryMs * 2, m_maxRetryMs);
        m_lastFailure = failure;
        if (failure->cause == SaveFailure::Cause::diskFull)
            setDiskFull(true);
        emit saveFailed(*failure);
        return false;
    }
    if (m_unconfirmed.isEmpty())
        m_nextRetryMs = m_firstRetryMs;
    // The first save written after a refusal carries every change refused before it.
    if (written)
        settle();
    return true;
}

void ModelContext::settle()
{
    m_lastFailure.reset();
    setDiskFull(false);
    emit saved();
}

void ModelContext::setDiskFull(bool full)
{
    if (m_diskFull == full)
        return;
    m_diskFull = full;
    emit diskFullChanged();
}

bool ModelContext::saveBeforeClosing()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        save();
        if (waitForSaves())
            return !hasChanges();
    }
    return !hasChanges();
}

bool ModelContext::waitForSaves()
{
    if (m_unconfirmed.isEmpty())
        return true;
    m_container.m_writer->waitUntilDone(m_unconfirmed.last().sequence);
    return takeWriterResults() && m_unconfirmed.isEmpty();
}

std::optional<QByteArray> ModelContext::storedImageData(const ClipboardItem &item) const
{
    if (!item.m_confirmedStored)
        return std::nullopt;
    return m_container.readImageData(item.id());
}

std::function<std::optional<QByteArray>()> ModelContext::storedImageDataLoader(const ClipboardItem &item) const
{
    if (!item.m_confirmedStored)
        return [] { return std::optional<QByteArray>(); };
    return [reader = StoredImageReader(m_container.path()), id = item.id()] { return reader.imageData(id); };
}

std::optional<std::pair<qsizetype, QByteArray>> ModelContext::storedImageDataHead(
    const ClipboardItem &item, int maxBytes) const
{
    if (!item.m_confirmedStored)
        return std::nullopt;
    return m_container.readImageDataHead(item.id(), maxBytes);
}

std::shared_ptr<ClipboardItem> ModelContext::newestItem(const ItemText &content, ClipboardItemType type) const
{
    ClipboardItem *newest = nullptr;
    for (ClipboardItem *item = m_itemsByContent.value(contentKey(content, type)); item;
         item = item->m_indexKeys.nextSameContent) {
        if (item->type() != type || item->text() != content)
            continue;
        if (!newest || AgeKey::of(*item) < AgeKey::of(*newest))
            newest = item;
    }
    return newest ? std::static_pointer_cast<ClipboardItem>(newest->shared_from_this()) : nullptr;
}

std::shared_ptr<ClipboardItem> ModelContext::newestImage(const QByteArray &digest) const
{
    ClipboardItem *newest = nullptr;
    const auto [begin, end] = m_imagesByDigest.equal_range(digest);
    for (auto it = begin; it != end; ++it) {
        ClipboardItem *item = *it;
        if (!newest || AgeKey::of(*item) < AgeKey::of(*newest))
            newest = item;
    }
    return newest ? std::static_pointer_cast<ClipboardItem>(newest->shared_from_this()) : nullptr;
}

void ModelContext::adoptImageDigest(const QUuid &id, const QByteArray &digest)
{
    const auto found = find(RecordType::clipboardItem, id);
    if (!found)
        return;
    auto &item = static_cast<ClipboardItem &>(*found);
    // Generation 0: the bytes the backfill read are the ones loaded with the item.
    if (item.imageDigest() || !item.hasImageData() || item.imageDataGeneration() != 0 || item.residentImageData())
        return;
    unindexItem(item);
    item.imageState().digest = digest;
    indexItem(item);
}

QList<std::shared_ptr<ClipboardItem>> ModelContext::unpinnedItemsBeyond(int keep) const
{
    QList<std::shared_ptr<ClipboardItem>> beyond;
    if (keep < 0 || size_t(keep) >= m_unpinnedByAge.size())
        return beyond;
    // The oldest lead the list, so a full history costs as much as the few items beyond it.
    const auto excess = qsizetype(m_unpinnedByAge.size()) - keep;
    beyond.reserve(excess);
    for (qsizetype i = excess - 1; i >= 0; --i)
        beyond.append(std::static_pointer_cast<ClipboardItem>(m_unpinnedByAge[size_t(i)].item->shared_from_this()));
    return beyond;
}

ModelContext::AgeKey ModelContext::AgeKey::of(ClipboardItem &item)
{
    // An item's creation time never changes: the age it was filed under is the one it has.
    return {item.createdAt().toMSecsSinceEpoch(), item.m_sequence, &item};
}

bool ModelContext::AgeKey::operator<(const AgeKey &other) const
{
    if (createdAt != other.createdAt)
        return createdAt > other.createdAt;
    return sequence < other.sequence;
}

size_t ModelContext::contentKey(const ItemText &content, ClipboardItemType type)
{
    return qHashMulti(0, int(type), content.sampledHash());
}

void ModelContext::indexItem(ClipboardItem &item)
{
    // The keys are kept with the item, as filed: a changed item is taken out under the old ones.
    ClipboardItem::IndexKeys &keys = item.m_indexKeys;
    keys = {contentKey(item.text(), item.type()), !item.isPinned()};
    ClipboardItem *&sameContent = m_itemsByContent[keys.content];
    keys.nextSameContent = sameContent;
    sameContent = &item;
    if (item.type() == ClipboardItemType::image && item.imageDigest()) {
        m_imagesByDigest.insert(*item.imageDigest(), &item);
        m_indexedDigests.insert(&item, *item.imageDigest());
    }
    if (keys.isUnpinned) {
        const AgeKey age = AgeKey::of(item);
        m_unpinnedByAge.insert(
            std::upper_bound(m_unpinnedByAge.begin(), m_unpinnedByAge.end(), age, AgeKey::isOlder), age);
    }
}

void ModelContext::unfileContent(ClipboardItem &item)
{
    const auto head = m_itemsByContent.find(item.m_indexKeys.content);
    if (head == m_itemsByContent.end())
        return;
    ClipboardItem **link = &head.value();
    while (*link && *link != &item)
        link = &(*link)->m_indexKeys.nextSameContent;
    if (!*link)
        return;
    *link = item.m_indexKeys.nextSameContent;
    item.m_indexKeys.nextSameContent = nullptr;
    if (!head.value())
        m_itemsByContent.erase(head);
}

void ModelContext::unindexImageDigest(ClipboardItem &item)
{
    if (const auto digest = m_indexedDigests.constFind(&item); digest != m_indexedDigests.constEnd()) {
        m_imagesByDigest.remove(*digest, &item);
        m_indexedDigests.erase(digest);
    }
}

void ModelContext::unindexItem(ClipboardItem &item)
{
    unfileContent(item);
    unindexImageDigest(item);
    const ClipboardItem::IndexKeys &keys = item.m_indexKeys;
    if (keys.isUnpinned) {
        const AgeKey age = AgeKey::of(item);
        const auto it = std::lower_bound(m_unpinnedByAge.begin(), m_unpinnedByAge.end(), age, AgeKey::isOlder);
        if (it != m_unpinnedByAge.end() && it->item == &item)
            m_unpinnedByAge.erase(it);
    }
}
