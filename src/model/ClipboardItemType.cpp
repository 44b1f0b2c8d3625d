#include "ClipboardItemType.h"

QString rawValue(ClipboardItemType type)
{
    switch (type) {
    case ClipboardItemType::text:
        return QStringLiteral("text");
    case ClipboardItemType::image:
        return QStringLiteral("image");
    case ClipboardItemType::url:
        return QStringLiteral("url");
    case ClipboardItemType::file:
        return QStringLiteral("file");
    case ClipboardItemType::richText:
        return QStringLiteral("richText");
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<ClipboardItemType> clipboardItemTypeFromRawValue(const QString &raw)
{
    for (const auto type : allClipboardItemTypes) {
        if (rawValue(type) == raw)
            return type;
    }
    return std::nullopt;
}

QString typeIcon(ClipboardItemType type)
{
    switch (type) {
    case ClipboardItemType::text:
        return QStringLiteral("doc.text");
    case ClipboardItemType::image:
        return QStringLiteral("photo");
    case ClipboardItemType::url:
        return QStringLiteral("link");
    case ClipboardItemType::file:
        return QStringLiteral("doc");
    case ClipboardItemType::richText:
        return QStringLiteral("doc.richtext");
    }
    Q_UNREACHABLE();
    return {};
}

QString defaultCategoryName(ClipboardItemType type)
{
    switch (type) {
    case ClipboardItemType::text:
        return QStringLiteral("Text");
    case ClipboardItemType::image:
        return QStringLiteral("Image");
    case ClipboardItemType::url:
        return QStringLiteral("URL");
    case ClipboardItemType::file:
        return QStringLiteral("File");
    case ClipboardItemType::richText:
        return QStringLiteral("Rich Text");
    }
    Q_UNREACHABLE();
    return {};
}
