#include "ModelContext.h"

#include "ModelContainer.h"

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
        item.m_hasImageData = item.m_residentImageData.has_value();
    }
    markChanged(record);
    emit recordInserted(record);
}

void ModelContext::attach(const std::shared_ptr<StoredRecord> &record)
{
    record->m_context = this;
    record->m_sequence = ++m_nextSequence;
    m_records[size_t(record->recordType())].append(record);
    if (record->recordType() == RecordType::clipboardItem)
        indexItem(static_cast<ClipboardItem &>(*record));
}

void ModelContext::attachStored(const std::shared_ptr<StoredRecord> &record)
{
    attach(record);
    record->m_confirmedStored = true;
    record->m_submittedStored = true;
}

void ModelContext::remove(const std::shared_ptr<StoredRecord> &record)
{
    if (!record || record->m_context != this)
        return;
    // The list is in store order, which is the order of sequence numbers.
    auto &records = m_records[size_t(record->recordType())];
    const auto it = std::lower_bound(records.cbegin(), records.cend(), record->m_sequence,
        [](const auto &stored, quint64 sequence) { return stored->m_sequence < sequence; });
    Q_ASSERT(it != records.cend() && it->get() == record.get());
    records.erase(it);
    if (record->recordType() == RecordType::clipboardItem)
        unindexItem(static_cast<ClipboardItem &>(*record));
    record->m_context = nullptr;
    markChanged(record);
    emit recordRemoved(record);
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
            if (item.m_residentImageData)
                change.imageDataGeneration = item.m_imageDataGeneration;
        }
        saved.changes.append(std::move(change));
        record->m_submittedStored = kind != Kind::remove;
    }
    m_unconfirmed.append(std::move(saved));
    m_container.m_writer->submit(std::move(batch));
}

bool ModelContext::takeWriterResults()
{
    std::optional<SaveFailure> failure;
    for (const auto &result : m_container.m_writer->takeResults()) {
        // Skipped batches were taken back with the failed one before them.
        if (m_unconfirmed.isEmpty() || m_unconfirmed.first().sequence != result.sequence)
            continue;
        if (result.outcome == StoreWriter::Result::Outcome::written) {
            const SavedBatch written = m_unconfirmed.takeFirst();
            for (const auto &[record, kind, generation] : written.changes) {
                record->m_confirmedStored = kind != StoreWriter::Change::Kind::remove;
                if (!generation || !record->m_confirmedStored || !record->m_submittedStored)
                    continue;
                // Bytes in the file can be read on demand; newer bytes stay until they are written.
                auto &item = static_cast<ClipboardItem &>(*record);
                if (item.m_imageDataGeneration == *generation)
                    item.m_residentImageData.reset();
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
            if (generation == m_retryGeneration)
                save();
        });
        m_nextRetryMs = std::min(m_nextRetryMs * 2, m_maxRetryMs);
        emit saveFailed(*failure);
    } else if (m_unconfirmed.isEmpty()) {
        m_nextRetryMs = m_firstRetryMs;
    }
    return !failure;
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

std::optional<std::pair<qsizetype, QByteArray>> ModelContext::storedImageDataHead(
    const ClipboardItem &item, int maxBytes) const
{
    if (!item.m_confirmedStored)
        return std::nullopt;
    return m_container.readImageDataHead(item.id(), maxBytes);
}

std::shared_ptr<ClipboardItem> ModelContext::newestItem(const QString &content, ClipboardItemType type) const
{
    ClipboardItem *newest = nullptr;
    const auto [begin, end] = m_itemsByContent.equal_range(contentKey(content, type));
    for (auto it = begin; it != end; ++it) {
        ClipboardItem *item = *it;
        if (item->type() != type || item->content() != content)
            continue;
        if (!newest
            || AgeKey{item->createdAt().toMSecsSinceEpoch(), item->m_sequence, item}
                < AgeKey{newest->createdAt().toMSecsSinceEpoch(), newest->m_sequence, newest})
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
        if (!newest
            || AgeKey{item->createdAt().toMSecsSinceEpoch(), item->m_sequence, item}
                < AgeKey{newest->createdAt().toMSecsSinceEpoch(), newest->m_sequence, newest})
            newest = item;
    }
    return newest ? std::static_pointer_cast<ClipboardItem>(newest->shared_from_this()) : nullptr;
}

void ModelContext::adoptImageDigest(const QUuid &id, const QByteArray &digest)
{
    const auto &items = m_records[size_t(RecordType::clipboardItem)];
    const auto found
        = std::find_if(items.cbegin(), items.cend(), [&](const auto &record) { return record->id() == id; });
    if (found == items.cend())
        return;
    auto &item = static_cast<ClipboardItem &>(**found);
    // Generation 0: the bytes the backfill read are the ones loaded with the item.
    if (item.m_imageDigest || !item.hasImageData() || item.m_imageDataGeneration != 0 || item.m_residentImageData)
        return;
    unindexItem(item);
    item.m_imageDigest = digest;
    indexItem(item);
}

QList<std::shared_ptr<ClipboardItem>> ModelContext::unpinnedItemsBeyond(int keep) const
{
    QList<std::shared_ptr<ClipboardItem>> beyond;
    if (keep < 0 || size_t(keep) >= m_unpinnedByAge.size())
        return beyond;
    // Walked from the oldest end, so a full history costs as much as the few items beyond it.
    auto it = m_unpinnedByAge.end();
    for (size_t excess = m_unpinnedByAge.size() - size_t(keep); excess > 0; --excess)
        --it;
    for (; it != m_unpinnedByAge.end(); ++it)
        beyond.append(std::static_pointer_cast<ClipboardItem>(it->item->shared_from_this()));
    return beyond;
}

bool ModelContext::AgeKey::operator<(const AgeKey &other) const
{
    if (createdAt != other.createdAt)
        return createdAt > other.createdAt;
    return sequence < other.sequence;
}

size_t ModelContext::contentKey(const QString &content, ClipboardItemType type)
{
    // The length and both ends narrow the candidates enough; newestItem compares whole texts. Hashing
    // all of a huge copy would cost more than the rest of its capture.
    constexpr qsizetype sample = 512;
    const QStringView view(content);
    return qHashMulti(0, int(type), content.size(), view.left(sample), view.right(sample));
}

void ModelContext::indexItem(ClipboardItem &item)
{
    IndexEntry entry{contentKey(item.content(), item.type()), std::nullopt, std::nullopt};
    m_itemsByContent.insert(entry.contentKey, &item);
    if (item.type() == ClipboardItemType::image && item.imageDigest()) {
        entry.digest = item.imageDigest();
        m_imagesByDigest.insert(*entry.digest, &item);
    }
    if (!item.isPinned()) {
        entry.unpinned = AgeKey{item.createdAt().toMSecsSinceEpoch(), item.m_sequence, &item};
        m_unpinnedByAge.insert(*entry.unpinned);
    }
    m_indexEntries.insert(&item, entry);
}

void ModelContext::unindexItem(ClipboardItem &item)
{
    const auto entry = m_indexEntries.take(&item);
    m_itemsByContent.remove(entry.contentKey, &item);
    if (entry.digest)
        m_imagesByDigest.remove(*entry.digest, &item);
    if (entry.unpinned)
        m_unpinnedByAge.erase(*entry.unpinned);
}
