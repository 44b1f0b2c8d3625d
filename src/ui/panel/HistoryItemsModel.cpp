#include "HistoryItemsModel.h"

#include "ClipboardHistoryView.h"
#include "ClipboardItemRow.h"
#include "model/ClipCategory.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// A row shows at most four lines; handing QML a 100 KB text only costs layout time.
constexpr qsizetype maxDisplayLength = 2000;

} // namespace

HistoryItemsModel::HistoryItemsModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

HistoryItemsModel::~HistoryItemsModel() = default;

int HistoryItemsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QHash<int, QByteArray> HistoryItemsModel::roleNames() const
{
    return {{IdRole, "id"}, {ContentRole, "content"}, {DisplayTextRole, "displayText"}, {TypeRole, "type"},
        {IsPinnedRole, "isPinned"}, {IsMultiSelectedRole, "isMultiSelected"}, {LabelRole, "label"}, {IconRole, "icon"},
        {ColorForTypeRole, "colorForType"}, {SidebarColorRole, "sidebarColor"}, {RelativeTimeRole, "relativeTime"},
        {SourceAppNameRole, "sourceAppName"}, {HasImageRole, "hasImage"}, {ThumbnailSourceRole, "thumbnailSource"},
        {ImageFileNameRole, "imageFileName"}, {ImageFilePathRole, "imageFilePath"},
        {ImagePixelSizeRole, "imagePixelSize"}, {FileNameRole, "fileName"}, {FileFolderRole, "fileFolder"},
        {FileIconNameRole, "fileIconName"}, {CategoryIdRole, "categoryId"}};
}

QVariant HistoryItemsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ClipboardItem &item = *m_items.at(index.row());
    const auto category = m_view && item.categoryId() ? m_view->categoryWithId(*item.categoryId()) : nullptr;
    const bool dark = m_view && m_view->isDark();
    switch (role) {
    case IdRole:
        return item.id().toString(QUuid::WithoutBraces);
    case CategoryIdRole:
        return category ? category->id().toString(QUuid::WithoutBraces) : QString();
    case ContentRole:
        return item.content();
    case Qt::DisplayRole:
    case DisplayTextRole: {
        const bool isText = item.type() == ClipboardItemType::text || item.type() == ClipboardItemType::richText;
        const QString text = isText ? item.content().trimmed() : item.content();
        return text.size() > maxDisplayLength ? text.left(maxDisplayLength) : text;
    }
    case TypeRole:
        return rawValue(item.type());
    case IsPinnedRole:
        return item.isPinned();
    case IsMultiSelectedRole:
        return m_view && m_view->selectedIds().contains(item.id());
    case LabelRole:
        return category ? category->name() : ClipboardItemRow::typeLabel(item.type());
    case IconRole:
        return category ? category->icon() : item.typeIcon();
    case ColorForTypeRole:
    case SidebarColorRole: {
        const QColor color = ClipboardItemRow::colorForType(
            item.type(), category ? std::optional<QColor>(category->color()) : std::nullopt);
        return role == ColorForTypeRole ? color : ClipboardItemRow::sidebarColor(color, dark);
    }
    case RelativeTimeRole:
        return ClipboardItemRow::relativeDisplay(item.createdAt(), QDateTime::currentDateTime());
    case SourceAppNameRole:
        return item.sourceAppName().value_or(QString());
    case HasImageRole:
        return item.hasImageData();
    case ThumbnailSourceRole:
        return item.hasImageData() ? QStringLiteral("image://thumbnail/") + item.id().toString(QUuid::WithoutBraces)
                                   : QString();
    case ImageFileNameRole:
        return ClipboardItemRow::imageFileName(item.content());
    case ImageFilePathRole:
        return imageInfo(item).filePath;
    case ImagePixelSizeRole:
        return imageInfo(item).pixelSize;
    case FileNameRole:
        return ClipboardItemRow::lastPathComponent(ClipboardItemRow::filePath(item.content()));
    case FileFolderRole:
        return ClipboardItemRow::deletingLastPathComponent(ClipboardItemRow::filePath(item.content()));
    case FileIconNameRole: {
        auto it = m_fileIcons.constFind(item.id());
        if (it == m_fileIcons.constEnd())
            it = m_fileIcons.insert(
                item.id(), ClipboardItemRow::fileIconName(ClipboardItemRow::filePath(item.content())));
        return *it;
    }
    }
    return {};
}

const HistoryItemsModel::ImageInfo &HistoryItemsModel::imageInfo(const ClipboardItem &item) const
{
    auto it = m_imageInfo.constFind(item.id());
    if (it != m_imageInfo.constEnd())
        return *it;
    ImageInfo info;
    std::optional<qsizetype> size;
    const bool isPath = item.content().contains(QLatin1Char('/'));
    if (item.hasImageData()) {
        if (const auto bytes = item.imageData()) {
            size = bytes->size();
            QBuffer buffer;
            buffer.setData(*bytes);
            QImageReader reader(&buffer);
            // Only the header is read: the size is known without decoding the pixels.
            const QSize pixels = reader.size();
            if (pixels.isValid())
                info.pixelSize = QString::number(pixels.width()) + QChar(0x00D7) + QString::number(pixels.height());
        }
    }
    info.filePath = ClipboardItemRow::imageFilePath(item.content(), isPath ? std::nullopt : size);
    return *m_imageInfo.insert(item.id(), info);
}

void HistoryItemsModel::forget(const QUuid &id)
{
    m_imageInfo.remove(id);
    m_fileIcons.remove(id);
}

void HistoryItemsModel::setItems(
    const QList<std::shared_ptr<ClipboardItem>> &items, const QSet<const ClipboardItem *> &changed)
{
    const qsizetype oldSize = m_items.size(), newSize = items.size();
    qsizetype prefix = 0;
    while (prefix < oldSize && prefix < newSize && m_items.at(prefix) == items.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < oldSize - prefix && suffix < newSize - prefix
        && m_items.at(oldSize - 1 - suffix) == items.at(newSize - 1 - suffix))
        ++suffix;
    if (oldSize - prefix - suffix > 0) {
        beginRemoveRows({}, int(prefix), int(oldSize - suffix - 1));
        m_items.remove(prefix, oldSize - prefix - suffix);
        endRemoveRows();
    }
    if (newSize - prefix - suffix > 0) {
        beginInsertRows({}, int(prefix), int(newSize - suffix - 1));
        m_items.insert(prefix, newSize - prefix - suffix, nullptr);
        for (qsizetype row = prefix; row < newSize - suffix; ++row)
            m_items[row] = items.at(row);
        endInsertRows();
    }
    if (!changed.isEmpty()) {
        // Rows that were just inserted carry fresh data already.
        const qsizetype insertedEnd = newSize - suffix;
        for (qsizetype row = 0; row < m_items.size(); ++row) {
            if ((row < prefix || row >= insertedEnd) && changed.contains(m_items.at(row).get()))
                emit dataChanged(index(int(row)), index(int(row)));
        }
    }
    if (oldSize != newSize)
        emit countChanged();
}

void HistoryItemsModel::refreshRoles(const QList<int> &roles)
{
    if (!m_items.isEmpty())
        emit dataChanged(index(0), index(int(m_items.size()) - 1), roles);
}
