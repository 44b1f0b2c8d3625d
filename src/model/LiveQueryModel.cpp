#include "LiveQueryModel.h"

#include <algorithm>

namespace {

const QList<QByteArray> itemRoles = {"id", "content", "type", "hasImageData", "sourceAppName", "sourceAppBundleId",
    "isPinned", "createdAt", "characterCount", "categoryId", "typeIcon"};
const QList<QByteArray> categoryRoles
    = {"id", "name", "colorHex", "icon", "sortOrder", "isDefault", "createdAt", "color"};
const QList<QByteArray> templateRoles
    = {"id", "name", "separator", "itemPrefix", "itemSuffix", "wrapPrefix", "wrapSuffix", "sortOrder", "isDefault"};

const QList<QByteArray> &rolesOf(RecordType type)
{
    switch (type) {
    case RecordType::clipboardItem:
        return itemRoles;
    case RecordType::clipCategory:
        return categoryRoles;
    case RecordType::pasteTemplate:
        return templateRoles;
    }
    Q_UNREACHABLE();
    return itemRoles;
}

QVariant optional(const auto &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

QVariant itemValue(const ClipboardItem &item, int field)
{
    switch (field) {
    case 0:
        return item.id();
    case 1:
        return item.content();
    case 2:
        return rawValue(item.type());
    case 3:
        return item.hasImageData();
    case 4:
        return optional(item.sourceAppName());
    case 5:
        return optional(item.sourceAppBundleId());
    case 6:
        return item.isPinned();
    case 7:
        return item.createdAt();
    case 8:
        return item.characterCount();
    case 9:
        return optional(item.categoryId());
    case 10:
        return item.typeIcon();
    }
    return {};
}

QVariant categoryValue(const ClipCategory &category, int field)
{
    switch (field) {
    case 0:
        return category.id();
    case 1:
        return category.name();
    case 2:
        return category.colorHex();
    case 3:
        return category.icon();
    case 4:
        return category.sortOrder();
    case 5:
        return category.isDefault();
    case 6:
        return category.createdAt();
    case 7:
        return category.color();
    }
    return {};
}

QVariant templateValue(const PasteTemplate &pasteTemplate, int field)
{
    switch (field) {
    case 0:
        return pasteTemplate.id();
    case 1:
        return pasteTemplate.name();
    case 2:
        return pasteTemplate.separator();
    case 3:
        return pasteTemplate.itemPrefix();
    case 4:
        return pasteTemplate.itemSuffix();
    case 5:
        return pasteTemplate.wrapPrefix();
    case 6:
        return pasteTemplate.wrapSuffix();
    case 7:
        return pasteTemplate.sortOrder();
    case 8:
        return pasteTemplate.isDefault();
    }
    return {};
}

} // namespace

LiveQueryModel::LiveQueryModel(ModelContext &context, RecordType type, QObject *parent)
    : QAbstractListModel(parent)
    , m_type(type)
{
    connect(&context, &ModelContext::recordInserted, this, &LiveQueryModel::recordInserted);
    connect(&context, &ModelContext::recordRemoved, this, &LiveQueryModel::recordRemoved);
    connect(&context, &ModelContext::recordChanged, this, &LiveQueryModel::recordChanged);
}

void LiveQueryModel::populate(QList<std::shared_ptr<StoredRecord>> sortedRecords)
{
    beginResetModel();
    m_rows = std::move(sortedRecords);
    endResetModel();
    emit countChanged();
}

int LiveQueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QHash<int, QByteArray> LiveQueryModel::roleNames() const
{
    QHash<int, QByteArray> names;
    const auto &roles = rolesOf(m_type);
    for (int field = 0; field < roles.size(); ++field)
        names.insert(Qt::UserRole + 1 + field, roles.at(field));
    return names;
}

QVariant LiveQueryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const StoredRecord &record = *m_rows.at(index.row());
    const int field = role - Qt::UserRole - 1;
    switch (m_type) {
    case RecordType::clipboardItem:
        return itemValue(static_cast<const ClipboardItem &>(record), field);
    case RecordType::clipCategory:
        return categoryValue(static_cast<const ClipCategory &>(record), field);
    case RecordType::pasteTemplate:
        return templateValue(static_cast<const PasteTemplate &>(record), field);
    }
    return {};
}

std::shared_ptr<StoredRecord> LiveQueryModel::recordAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : nullptr;
}

int LiveQueryModel::rowOf(const StoredRecord &record) const
{
    const auto it = std::find_if(m_rows.cbegin(), m_rows.cend(), [&](const auto &row) { return row.get() == &record; });
    return it == m_rows.cend() ? -1 : int(it - m_rows.cbegin());
}

bool LiveQueryModel::isBefore(const StoredRecord &a, const StoredRecord &b) const
{
    if (isOrderedBefore(a, b))
        return true;
    return !isOrderedBefore(b, a) && a.m_sequence < b.m_sequence;
}

qsizetype LiveQueryModel::insertionRow(const StoredRecord &record) const
{
    const auto it = std::upper_bound(m_rows.cbegin(), m_rows.cend(), record,
        [this](const StoredRecord &a, const auto &b) { return isBefore(a, *b); });
    return it - m_rows.cbegin();
}

void LiveQueryModel::recordInserted(const std::shared_ptr<StoredRecord> &record)
{
    if (record->recordType() != m_type)
        return;
    const auto row = int(insertionRow(*record));
    beginInsertRows({}, row, row);
    m_rows.insert(row, record);
    endInsertRows();
    emit countChanged();
}

void LiveQueryModel::recordRemoved(const std::shared_ptr<StoredRecord> &record)
{
    if (record->recordType() != m_type)
        return;
    // Its fields are unchanged, so it sits where the query's order puts it.
    const auto it = std::lower_bound(m_rows.cbegin(), m_rows.cend(), *record,
        [this](const auto &row, const StoredRecord &value) { return isBefore(*row, value); });
    const int row = it != m_rows.cend() && it->get() == record.get() ? int(it - m_rows.cbegin()) : rowOf(*record);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    emit countChanged();
}

void LiveQueryModel::recordChanged(const std::shared_ptr<StoredRecord> &record)
{
    const int row = record->recordType() == m_type ? rowOf(*record) : -1;
    if (row < 0)
        return;
    const bool inPlace = (row == 0 || isBefore(*m_rows.at(row - 1), *record))
        && (row == m_rows.size() - 1 || isBefore(*record, *m_rows.at(row + 1)));
    if (!inPlace) {
        // Where the record belongs among the other rows; the list is restored before any signal.
        auto taken = m_rows.takeAt(row);
        const auto target = int(insertionRow(*taken));
        m_rows.insert(row, std::move(taken));
        // beginMoveRows counts the destination in rows before the move.
        beginMoveRows({}, row, row, {}, target >= row ? target + 1 : target);
        m_rows.move(row, target);
        endMoveRows();
    }
    const QModelIndex changed = index(rowOf(*record));
    emit dataChanged(changed, changed);
}
