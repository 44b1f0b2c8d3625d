#pragma once

#include "ModelContext.h"
#include "SortDescriptor.h"

#include <QAbstractListModel>

#include <memory>

/// A live query: every record of one type, sorted by one field, kept up to date with row-level
/// signals (inserted, removed, moved, changed) whenever any caller changes a record of that type.
/// Roles are the record's field names; image bytes are never part of the model.
class LiveQueryModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return int(m_rows.size()); }
    std::shared_ptr<StoredRecord> recordAt(int row) const;
    /// Every row's record, in order; for walking the whole list without a reference count per row.
    const QList<std::shared_ptr<StoredRecord>> &records() const { return m_rows; }
    /// The row of the record, or -1.
    int rowOf(const StoredRecord &record) const;

signals:
    void countChanged();

protected:
    LiveQueryModel(ModelContext &context, RecordType type, QObject *parent);
    /// Fills the model; subclasses call it once their ordering is in place.
    void populate(QList<std::shared_ptr<StoredRecord>> sortedRecords);
    virtual bool isOrderedBefore(const StoredRecord &a, const StoredRecord &b) const = 0;

private:
    void recordInserted(const std::shared_ptr<StoredRecord> &record);
    void recordRemoved(const std::shared_ptr<StoredRecord> &record);
    void recordChanged(const std::shared_ptr<StoredRecord> &record);
    /// The query's order, with equal keys in the store's order.
    bool isBefore(const StoredRecord &a, const StoredRecord &b) const;
    qsizetype insertionRow(const StoredRecord &record) const;

    RecordType m_type;
    QList<std::shared_ptr<StoredRecord>> m_rows;
};

template <class T> class LiveQuery final : public LiveQueryModel {
public:
    LiveQuery(ModelContext &context, SortDescriptor<T> sortBy, QObject *parent = nullptr)
        : LiveQueryModel(context, ModelContext::recordTypeOf<T>(), parent)
        , m_sortBy(std::move(sortBy))
    {
        QList<std::shared_ptr<StoredRecord>> records;
        for (auto &record : context.fetch<T>({{}, m_sortBy}))
            records.append(std::move(record));
        populate(std::move(records));
    }

    std::shared_ptr<T> at(int row) const { return std::static_pointer_cast<T>(recordAt(row)); }

protected:
    bool isOrderedBefore(const StoredRecord &a, const StoredRecord &b) const override
    {
        return m_sortBy(static_cast<const T &>(a), static_cast<const T &>(b));
    }

private:
    SortDescriptor<T> m_sortBy;
};
