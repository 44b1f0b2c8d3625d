#include "ClipboardItemType.h"

#include <iterator>

namespace {

struct TypeInfo {
    ClipboardItemType type;
    const char *rawValue;
    const char *icon;
    const char *categoryName;
};

constexpr TypeInfo typeInfos[] = {
    {ClipboardItemType::text, "text", "doc.text", "Text"},
    {ClipboardItemType::image, "image", "photo", "Image"},
    {ClipboardItemType::url, "url", "link", "URL"},
    {ClipboardItemType::file, "file", "doc", "File"},
    {ClipboardItemType::richText, "richText", "doc.richtext", "Rich Text"},
};

constexpr bool inDeclarationOrder()
{
    for (size_t i = 0; i < std::size(typeInfos); ++i) {
        if (typeInfos[i].type != static_cast<ClipboardItemType>(i))
            return false;
    }
    return true;
}
static_assert(inDeclarationOrder(), "typeInfos is indexed by type");

const TypeInfo &infoOf(ClipboardItemType type)
{
    return typeInfos[static_cast<size_t>(type)];
}

} // namespace

QString rawValue(ClipboardItemType type)
{
    return QLatin1String(infoOf(type).rawValue);
}

std::optional<ClipboardItemType> clipboardItemTypeFromRawValue(QAnyStringView raw)
{
    for (const TypeInfo &info : typeInfos) {
        if (raw == QLatin1StringView(info.rawValue))
            return info.type;
    }
    return std::nullopt;
}

QString typeIcon(ClipboardItemType type)
{
    return QLatin1String(infoOf(type).icon);
}

QString defaultCategoryName(ClipboardItemType type)
{
    return QLatin1String(infoOf(type).categoryName);
}
