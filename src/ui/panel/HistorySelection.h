#pragma once

#include "model/ClipboardItem.h"

#include <QObject>
#include <QSet>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <memory>

class HistoryFilter;

/// The highlighted row of the filtered list and the multi-selection beside it.
class HistorySelection : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")
    Q_PROPERTY(int selectedIndex READ selectedIndex WRITE setSelectedIndex NOTIFY selectedIndexChanged)
    Q_PROPERTY(int selectedIdsCount READ selectedIdsCount NOTIFY selectedIdsChanged)
    Q_PROPERTY(bool isMultiSelectMode READ isMultiSelectMode NOTIFY selectedIdsChanged)

public:
    /// `filter` gives the list and must outlive the selection.
    explicit HistorySelection(HistoryFilter &filter, QObject *parent = nullptr);

    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index);
    const QSet<QUuid> &selectedIds() const { return m_selectedIds; }
    int selectedIdsCount() const { return int(m_selectedIds.size()); }
    bool isMultiSelectMode() const { return m_isMultiSelectMode; }
    void setSelectedIds(const QSet<QUuid> &ids, bool multiSelectMode);
    void clearSelectedIds() { setSelectedIds({}, false); }
    /// The members of `filteredItems` that are multi-selected, in list order.
    QList<std::shared_ptr<ClipboardItem>> multiSelectedItems() const;
    /// The highlighted item; null when the highlight is outside the list.
    std::shared_ptr<ClipboardItem> selectedItem() const;

    /// Moves the highlight one row down (`delta` > 0) or up; false at either end.
    bool move(int delta);
    /// Adds the highlighted row and the next one in `direction` to the multi-selection and moves on;
    /// false when there is no next row.
    bool extend(int direction);
    /// Highlights row `index`; Control toggles it in the multi-selection, otherwise the
    /// multi-selection is cleared.
    Q_INVOKABLE void selectRow(int index, int modifiers);
    /// Rows near the highlight are drawn a little larger.
    Q_INVOKABLE double scaleForIndex(int index) const;

signals:
    void selectedIndexChanged();
    void selectedIdsChanged();
    /// Keep row `row` of `filteredItems` in view, a fifth of the way down, without animation.
    void scrollToRowRequested(int row);

private:
    void scrollAfterSync();

    HistoryFilter &m_filter;
    int m_selectedIndex = 0;
    QSet<QUuid> m_selectedIds;
    bool m_isMultiSelectMode = false;
    bool m_scrollAfterSync = false;
};
