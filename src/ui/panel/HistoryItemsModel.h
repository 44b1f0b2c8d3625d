#pragma once

#include "model/ClipboardItem.h"
#include "model/Clock.h"

#include "DiffingListModel.h"
#include <QHash>
#include <QSet>
#include <QtQml/qqmlregistration.h>

#include <memory>

class ClipCategory;

/// The panel's list: the members of `filteredItems` in order, with what a row draws of each. Updated
/// with row signals (inserted, removed, moved, dataChanged) so the list view keeps its place.
///
/// Roles: id, content, displayText, type, isPinned, isMultiSelected, label, icon, colorForType,
/// sidebarColor, relativeTime, sourceAppName (empty when none or not shown), hasImage, thumbnailSource
/// ("image://thumbnail/<id>", empty without image data), imageFileName, imageFilePath, imagePixelSize
/// ("1920×1080", empty when unknown), fileName, fileFolder, fileIconName (a freedesktop icon name),
/// categoryId (the assigned category's id, empty when none or when it is gone), accessibleName (what the
/// row shows: its text, "Image, 1920 × 1080", a file's name, a link's address) and accessibleDescription
/// ("Text · Code · pinned · 2 hours ago").
class HistoryItemsModel : public DiffingListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A list of HistoryFilter")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        ContentRole,
        DisplayTextRole,
        TypeRole,
        IsPinnedRole,
        IsMultiSelectedRole,
        LabelRole,
        IconRole,
        ColorForTypeRole,
        SidebarColorRole,
        RelativeTimeRole,
        SourceAppNameRole,
        HasImageRole,
        ThumbnailSourceRole,
        ImageFileNameRole,
        ImageFilePathRole,
        ImagePixelSizeRole,
        FileNameRole,
        FileFolderRole,
        FileIconNameRole,
        CategoryIdRole,
        AccessibleNameRole,
        AccessibleDescriptionRole,
    };

    /// `clock` gives the time the rows' ages are counted to.
    explicit HistoryItemsModel(const Clock &clock, QObject *parent = nullptr);
    ~HistoryItemsModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    int count() const { return int(m_items.size()); }

    const QList<std::shared_ptr<ClipboardItem>> &items() const { return m_items; }

    /// Takes `items` over: rows outside the common prefix and suffix are removed and inserted, and
    /// rows of `changed` items that stay get dataChanged.
    void setItems(const QList<std::shared_ptr<ClipboardItem>> &items, const QSet<const ClipboardItem *> &changed);
    /// The categories rows are labelled and coloured by; given again after any of them changed.
    void setCategories(const QList<std::shared_ptr<ClipCategory>> &categories);
    void setSelectedIds(const QSet<QUuid> &ids);
    void setDark(bool dark);
    /// Whether rows name the application a copy came from; sourceAppName is empty while not.
    void setShowsSourceApp(bool shows);
    /// The relative times move on while the panel is hidden.
    void refreshRelativeTimes();
    /// Drops what was read for an item whose content or image may have changed.
    void forget(const QUuid &id);

signals:
    void countChanged();

private:
    /// What a row shows of an image or file, worked out once; `content` tells when it went stale.
    struct ImageInfo {
        ItemText content;
        bool hasImageData = false;
        QString filePath;
        QString pixelSize;
    };
    struct FileIcon {
        ItemText content;
        QString iconName;
    };

    void refreshRoles(const QList<int> &roles);
    const ImageInfo &imageInfo(const ClipboardItem &item) const;

    QList<std::shared_ptr<ClipboardItem>> m_items;
    QHash<QUuid, std::shared_ptr<ClipCategory>> m_categories;
    QSet<QUuid> m_selectedIds;
    const Clock &m_clock;
    bool m_isDark = false;
    bool m_showsSourceApp = true;
    // Read on first draw of a row: the image header and the file type cost disk reads.
    mutable QHash<QUuid, ImageInfo> m_imageInfo;
    mutable QHash<QUuid, FileIcon> m_fileIcons;
};
