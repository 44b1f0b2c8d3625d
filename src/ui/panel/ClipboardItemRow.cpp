#include "ClipboardItemRow.h"

#include "model/ClipboardItem.h"

#include "model/Color.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QMimeDatabase>
#include <QStringDecoder>

namespace {

// The type colours: fixed, not the desktop theme's, since each stands for a kind of item.
const QColor blue = QColor::fromRgb(0, 122, 255);
const QColor orange = QColor::fromRgb(255, 149, 0);
const QColor green = QColor::fromRgb(52, 199, 89);
const QColor gray = QColor::fromRgb(142, 142, 147);
const QColor purple = QColor::fromRgb(175, 82, 222);

QString stripTrailingSlashes(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

QString ClipboardItemRow::relativeDisplay(const QDateTime &createdAt, const QDateTime &now)
{
    const qint64 elapsed = createdAt.secsTo(now);
    if (elapsed < 60)
        //: Copied less than a minute ago; the row's corner is narrow
        return tr("now");
    if (elapsed < 3600)
        //: Minutes since the copy, as short as can be read
        return tr("%1m").arg(elapsed / 60);
    if (elapsed < 86400)
        //: Hours since the copy, as short as can be read
        return tr("%1h").arg(elapsed / 3600);
    if (elapsed < 604800)
        //: Days since the copy, as short as can be read
        return tr("%1d").arg(elapsed / 86400);
    return QLocale().toString(createdAt.toLocalTime().date(), QLocale::ShortFormat);
}

QString ClipboardItemRow::typeLabel(ClipboardItemType type)
{
    switch (type) {
    case ClipboardItemType::text:
        return tr("Text");
    case ClipboardItemType::image:
        return tr("Image");
    case ClipboardItemType::url:
        return tr("Url");
    case ClipboardItemType::file:
        return tr("File");
    case ClipboardItemType::richText:
        return tr("Richtext");
    }
    return {};
}

bool ClipboardItemRow::namesType(const QString &categoryName, ClipboardItemType type)
{
    // The default categories are stored with their English names.
    const QString raw = rawValue(type);
    return categoryName.compare(raw, Qt::CaseInsensitive) == 0
        || categoryName.compare(typeLabel(type), Qt::CaseInsensitive) == 0;
}

QColor ClipboardItemRow::typeColor(ClipboardItemType type)
{
    switch (type) {
    case ClipboardItemType::text:
        return blue;
    case ClipboardItemType::image:
        return orange;
    case ClipboardItemType::url:
        return green;
    case ClipboardItemType::file:
        return gray;
    case ClipboardItemType::richText:
        return purple;
    }
    return blue;
}

QColor ClipboardItemRow::colorForType(ClipboardItemType type, const std::optional<QColor> &categoryColor)
{
    return categoryColor ? *categoryColor : typeColor(type);
}

QColor ClipboardItemRow::sidebarColor(const QColor &color, bool isDark)
{
    if (!color.isValid())
        return isDark ? QColor::fromRgbF(0.14f, 0.14f, 0.16f) : QColor::fromRgbF(0.92f, 0.92f, 0.94f);
    const QColor rgb = color.toRgb();
    const float r = rgb.redF(), g = rgb.greenF(), b = rgb.blueF();
    if (isDark)
        return QColor::fromRgbF(0.3f * r, 0.3f * g, 0.3f * b);
    return QColor::fromRgbF(1 - 0.15f * (1 - r), 1 - 0.15f * (1 - g), 1 - 0.15f * (1 - b));
}

QColor ClipboardItemRow::dimmedCategoryColor(const QColor &color, bool isDark)
{
    if (!color.isValid())
        return isDark ? QColor::fromRgbF(0.16f, 0.16f, 0.18f) : QColor::fromRgbF(0.92f, 0.92f, 0.93f);
    const QColor rgb = color.toRgb();
    const float r = rgb.redF(), g = rgb.greenF(), b = rgb.blueF();
    if (isDark)
        return QColor::fromRgbF(0.12f * r + 0.12f, 0.12f * g + 0.12f, 0.12f * b + 0.14f);
    return QColor::fromRgbF(1 - 0.12f * (1 - r), 1 - 0.12f * (1 - g), 1 - 0.12f * (1 - b));
}

QColor ClipboardItemRow::glowColor(const QString &borderColorHex)
{
    return colorFromHex(borderColorHex).value_or(orange);
}

QString ClipboardItemRow::deletingLastPathComponent(const QString &path)
{
    const QString stripped = stripTrailingSlashes(path);
    const qsizetype slash = stripped.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    if (slash == 0)
        return stripped.size() > 1 ? QStringLiteral("/") : QString();
    return stripped.left(slash);
}

QString ClipboardItemRow::imageFileName(const QString &content)
{
    return content.contains(QLatin1Char('/')) ? ClipboardItem::lastPathComponent(content) : content;
}

QString ClipboardItemRow::imageFilePath(const QString &content, std::optional<qsizetype> imageDataSize)
{
    if (content.contains(QLatin1Char('/')))
        return deletingLastPathComponent(content);
    if (imageDataSize)
        return tr("%1 KB").arg(*imageDataSize / 1024);
    return {};
}

QString ClipboardItemRow::fileIconName(const QString &path)
{
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(path);
    const QString name = type.iconName();
    // Theme lookups need a GUI application; without one the generic name is the safe answer.
    if (!name.isEmpty() && qobject_cast<QGuiApplication *>(QCoreApplication::instance()) && QIcon::hasThemeIcon(name))
        return name;
    const QString generic = type.genericIconName();
    return generic.isEmpty() ? name : generic;
}
