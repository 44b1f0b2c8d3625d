#pragma once

#include <QAbstractListModel>
#include <QList>

#include <utility>

/// A list model that takes a whole new list at once and tells its views only what changed: the rows
/// between the unchanged head and tail are removed and inserted, so a view keeps its place and
/// never sees a reset.
class DiffingListModel : public QAbstractListModel {
protected:
    using QAbstractListModel::QAbstractListModel;

    /// Makes `rows` equal to `next`; the inserted rows are [first, end).
    template <class Row> std::pair<qsizetype, qsizetype> replaceRows(QList<Row> &rows, const QList<Row> &next)
    {
        const qsizetype oldSize = rows.size(), newSize = next.size();
        qsizetype prefix = 0;
        while (prefix < oldSize && prefix < newSize && rows.at(prefix) == next.at(prefix))
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < oldSize - prefix && suffix < newSize - prefix
            && rows.at(oldSize - 1 - suffix) == next.at(newSize - 1 - suffix))
            ++suffix;
        if (oldSize - prefix - suffix > 0) {
            beginRemoveRows({}, int(prefix), int(oldSize - suffix - 1));
            rows.remove(prefix, oldSize - prefix - suffix);
            endRemoveRows();
        }
        if (newSize - prefix - suffix > 0) {
            beginInsertRows({}, int(prefix), int(newSize - suffix - 1));
            rows.insert(prefix, newSize - prefix - suffix, Row());
            for (qsizetype row = prefix; row < newSize - suffix; ++row)
                rows[row] = next.at(row);
            endInsertRows();
        }
        return {prefix, newSize - suffix};
    }
};
