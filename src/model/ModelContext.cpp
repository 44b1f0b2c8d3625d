#include "ModelContext.h"

#include "ModelContainer.h"

ModelContext::ModelContext(ModelContainer &container)
    : m_container(container)
{
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
    if (m_pendingDeletes.removeOne(record)) {
        // Deleted and inserted again before a save: its row stays, with the fields it has now.
        m_pendingUpdates.insert(record.get(), record);
    } else {
        if (record->m_rowId != 0) {
            // Its row was deleted from the file, stored image bytes included: it gets a new row.
            record->m_rowId = 0;
            if (record->recordType() == RecordType::clipboardItem) {
                auto &item = static_cast<ClipboardItem &>(*record);
                item.m_hasImageData = item.m_residentImageData.has_value();
            }
        }
        m_pendingInserts.append(record);
    }
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
    m_pendingUpdates.remove(record.get());
    if (!m_pendingInserts.removeOne(record))
        m_pendingDeletes.append(record);
    record->m_context = nullptr;
    emit recordRemoved(record);
}

void ModelContext::recordDidChange(StoredRecord &record)
{
    auto shared = record.shared_from_this();
    if (record.m_rowId != 0)
        m_pendingUpdates.insert(&record, shared);
    if (record.recordType() == RecordType::clipboardItem) {
        auto &item = static_cast<ClipboardItem &>(record);
        unindexItem(item);
        indexItem(item);
    }
    emit recordChanged(shared);
}

bool ModelContext::hasChanges() const
{
    return !m_pendingInserts.isEmpty() || !m_pendingUpdates.isEmpty() || !m_pendingDeletes.isEmpty();
}

bool ModelContext::save()
{
    if (!hasChanges())
        return true;
    if (!m_container.write(m_pendingInserts, m_pendingUpdates.values(), m_pendingDeletes))
        return false;
    for (const auto &record : std::as_const(m_pendingInserts)) {
        if (record->recordType() == RecordType::clipboardItem)
            static_cast<ClipboardItem &>(*record).m_residentImageData.reset();
    }
    for (const auto &record : std::as_const(m_pendingUpdates)) {
        if (record->recordType() == RecordType::clipboardItem)
            static_cast<ClipboardItem &>(*record).m_residentImageData.reset();
    }
    m_pendingInserts.clear();
    m_pendingUpdates.clear();
    m_pendingDeletes.clear();
    return true;
}

std::optional<QByteArray> ModelContext::storedImageData(const ClipboardItem &item) const
{
    if (item.rowId() == 0)
        return std::nullopt;
    return m_container.readImageData(item.rowId());
}

std::optional<std::pair<qsizetype, QByteArray>> ModelContext::storedImageDataHead(
    const ClipboardItem &item, int maxBytes) const
{
    if (item.rowId() == 0)
        return std::nullopt;
    return m_container.readImageDataHead(item.rowId(), maxBytes);
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
