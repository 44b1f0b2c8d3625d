#pragma once

#include <QUuid>

#include <memory>

class ModelContext;

enum class RecordType { clipboardItem, clipCategory, pasteTemplate };

/// A record of the object store. It belongs to at most one context; while it does, every field
/// change is reported to that context, which keeps it for the next save and tells live queries.
class StoredRecord : public std::enable_shared_from_this<StoredRecord> {
public:
    virtual ~StoredRecord();
    StoredRecord(const StoredRecord &) = delete;
    StoredRecord &operator=(const StoredRecord &) = delete;

    virtual RecordType recordType() const = 0;

    const QUuid &id() const { return m_id; }
    /// The context the record is inserted in, or null.
    ModelContext *modelContext() const { return m_context; }

protected:
    explicit StoredRecord(const QUuid &id);
    /// Setters call this after changing a field.
    void didChange();

private:
    friend class ModelContext;
    friend class ModelContainer;
    friend class LiveQueryModel;

    QUuid m_id;
    ModelContext *m_context = nullptr;
    quint64 m_sequence = 0; // position in the context's store order
    // Whether the file has the record's row: as far as the writer has confirmed, and once every save
    // handed to it is applied.
    bool m_confirmedStored = false;
    bool m_submittedStored = false;
};
