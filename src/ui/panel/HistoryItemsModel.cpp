#include "HistoryItemsModel.h"

#include "ClipboardItemRow.h"
#include "model/ClipCategory.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// A row shows at most four lines; handing QML a 100 KB text only costs layout time.
constexpr qsizetype maxDisplayLength = 2000;

// What a row shows of a content: its start, trimmed of white space for a text. A long text is decoded only
// as far as the row needs.
QString shownText(const ItemText &content, bool trims)
{
    constexpr qsizetype enough = 2 * maxDisplayLength;
    const QString head = content.left(enough + 1);
    if (head.size() <= enough || !trims)
        return (trims ? head.trimmed() : head).left(maxDisplayLength);
    qsizetype lead = 0;
    while (lead < head.size() && head.at(lead).isSpace())
        ++lead;
    QString shown = head.mid(lead, maxDisplayLength);
    // Past a part that ends in white space, the text may hold nothing else: then it is trimmed there.
    if (shown.size() == maxDisplayLength && !shown.back().isSpace())
        return shown;
    return content.toString().trimmed().left(maxDisplayLength);
}
// A name is read out whole: a screen reader stops being useful long before this.
constexpr qsizetype maxAccessibleNameLength = 300;

} // namespace

HistoryItemsModel::HistoryItemsModel(const Clock &clock, QObject *parent)
    : DiffingListModel(parent)
    , m_clock(clock)
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
        {FileIconNameRole, "fileIconName"}, {CategoryIdRole, "categoryId"}, {AccessibleNameRole, "accessibleName"},
        {AccessibleDescriptionRole, "accessibleDescription"}};
}

QVariant HistoryItemsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ClipboardItem &item = *m_items.at(index.row());
    const auto category = item.categoryId() ? m_categories.value(*item.categoryId()) : nullptr;
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
        return shownText(item.text(), isText);
    }
    case TypeRole:
        return rawValue(item.type());
    case IsPinnedRole:
        return item.isPinned();
    case IsMultiSelectedRole:
        return m_selectedIds.contains(item.id());
    case LabelRole:
        return category ? category->name() : ClipboardItemRow::typeLabel(item.type());
    case IconRole:
        return category ? category->icon() : item.typeIcon();
    case ColorForTypeRole:
    case SidebarColorRole: {
        const QColor color = ClipboardItemRow::colorForType(
            item.type(), category ? std::optional<QColor>(category->color()) : std::nullopt);
        return role == ColorForTypeRole ? color : ClipboardItemRow::sidebarColor(color, m_isDark);
    }
    case RelativeTimeRole:
        return ClipboardItemRow::relativeDisplay(item.createdAt(), m_clock.now());
    case SourceAppNameRole:
        if (!m_showsSourceApp)
            return QString();
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
        return ClipboardItem::lastPathComponent(ClipboardItem::filePath(item.content()));
    case FileFolderRole:
        return ClipboardItemRow::deletingLastPathComponent(ClipboardItem::filePath(item.content()));
    // What a screen reader says of the row: what it shows, then what kind of item it is.
    case AccessibleNameRole:
        switch (item.type()) {
        case ClipboardItemType::image: {
            const QString size = imageInfo(item).pixelSize;
            if (size.isEmpty())
                return tr("Image");
            //: An image's name for screen readers, with its size in pixels: "Image, 64 × 48"
            return tr("Image, %1").arg(QString(size).replace(QChar(0x00D7), QStringLiteral(" \u00D7 ")));
        }
        case ClipboardItemType::file:
            return ClipboardItem::lastPathComponent(ClipboardItem::filePath(item.content()));
        default:
            return data(index, DisplayTextRole).toString().left(maxAccessibleNameLength).simplified();
        }
    case AccessibleDescriptionRole: {
        QStringList parts = {ClipboardItemRow::typeLabel(item.type())};
        // The default categories share their type's name: said once.
        if (category && !ClipboardItemRow::namesType(category->name(), item.type()))
            parts.append(category->name());
        if (item.isPinned())
            parts.append(tr("pinned"));
        parts.append(ClipboardItemRow::relativeDisplay(item.createdAt(), m_clock.now()));
        return parts.join(QStringLiteral(" \u00B7 "));
    }
    case FileIconNameRole: {
        auto it = m_fileIcons.constFind(item.id());
        if (it == m_fileIcons.constEnd() || it->content != item.text()) {
            it = m_fileIcons.insert(
                item.id(), {item.text(), ClipboardItemRow::fileIconName(ClipboardItem::filePath(item.content()))});
        }
        return it->iconName;
    }
    }
    return {};
}

const HistoryItemsModel::ImageInfo &HistoryItemsModel::imageInfo(const ClipboardItem &item) const
{
    auto it = m_imageInfo.constFind(item.id());
    if (it != m_imageInfo.constEnd() && it->content == item.text() && it->hasImageData == item.hasImageData())
        return *it;
    ImageInfo info{item.text(), item.hasImageData(), {}, {}};
    std::optional<qsizetype> size;
    const bool isPath = item.content().contains(QLatin1Char('/'));
    if (item.hasImageData()) {
        // Image headers sit at the start; the bytes of a large image stay in the store.
        constexpr int headerBytes = 64 * 1024;
        if (const auto head = item.imageDataHead(headerBytes)) {
            size = head->first;
            QBuffer buffer;
            buffer.setData(head->second);
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
    const qsizetype oldSize = m_items.size();
    const auto [insertedBegin, insertedEnd] = replaceRows(m_items, items);
    if (!changed.isEmpty()) {
        // Rows that were just inserted carry fresh data already.
        for (qsizetype row = 0; row < m_items.size(); ++row) {
            if ((row < insertedBegin || row >= insertedEnd) && changed.contains(m_items.at(row).get()))
                emit dataChanged(index(int(row)), index(int(row)));
        }
    }
    if (oldSize != m_items.size())
        emit countChanged();
}

void HistoryItemsModel::refreshRoles(const QList<int> &roles)
{
    if (!m_items.isEmpty())
        emit dataChanged(index(0), index(int(m_items.size()) - 1), roles);
}

void HistoryItemsModel::setCategories(const QList<std::shared_ptr<ClipCategory>> &categories)
{
    m_categories.clear();
    for (const auto &category : categories)
        m_categories.insert(category->id(), category);
    refreshRoles({LabelRole, IconRole, ColorForTypeRole, SidebarColorRole, CategoryIdRole, AccessibleDescriptionRole});
}

void HistoryItemsModel::setSelectedIds(const QSet<QUuid> &ids)
{
    if (ids == m_selectedIds)
        return;
    m_selectedIds = ids;
    refreshRoles({IsMultiSelectedRole});
}

void HistoryItemsModel::setDark(bool dark)
{
    if (dark == m_isDark)
        return;
    m_isDark = dark;
    refreshRoles({SidebarColorRole});
}

void HistoryItemsModel::setShowsSourceApp(bool shows)
{
    if (shows == m_showsSourceApp)
        return;
    m_showsSourceApp = shows;
    refreshRoles({SourceAppNameRole});
}

void HistoryItemsModel::refreshRelativeTimes()
{
    refreshRoles({RelativeTimeRole, AccessibleDescriptionRole});
}
