#pragma once

#include "model/ClipboardItem.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>

class HistoryFilter;
class ModelContext;

/// What the panel changes in the store: the commands of a row and of its context menu, and the
/// items the editor cards and the combine panel write. Each saves at once; a failed save is left
/// to the store, which reports it.
class HistoryCommands : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A part of ClipboardHistoryView")

public:
    /// `filter` finds items and categories; both must outlive the commands.
    HistoryCommands(ModelContext &context, const HistoryFilter &filter, QObject *parent = nullptr);

    Q_INVOKABLE void deleteItem(const QString &id);
    Q_INVOKABLE void togglePin(const QString &id);
    /// An empty `categoryId` removes the assignment.
    Q_INVOKABLE void assignCategory(const QString &id, const QString &categoryId);
    /// Deletes every unpinned item.
    Q_INVOKABLE void clearAllHistory();
    /// What clearAllHistory() would delete, for the question asked first.
    Q_INVOKABLE int unpinnedItemCount() const;

    /// Replaces the content of the item with id `id`; false when it is gone.
    bool saveContent(const QUuid &id, const QString &text);
    /// Stores `text`, trimmed, as a new item: a link when it parses as an address with a scheme and a
    /// host, else text, filed under the "URL" or "Text" category when there is one.
    void createItem(const QString &text);
    /// Stores `text` as the newest text item and returns it.
    std::shared_ptr<ClipboardItem> createTextItem(const QString &text);

    /// The item whose id is `id` as text; null when it is gone or the text is no id.
    std::shared_ptr<ClipboardItem> itemWithId(const QString &id) const;

private:
    ModelContext &m_context;
    const HistoryFilter &m_filter;
};
