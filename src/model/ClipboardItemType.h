#pragma once

#include <QString>

#include <array>
#include <optional>

/// What a history item holds. The raw value is what the store keeps. The order is the declared one.
enum class ClipboardItemType { text, image, url, file, richText };

/// Every type, in declaration order.
inline constexpr std::array allClipboardItemTypes = {ClipboardItemType::text, ClipboardItemType::image,
    ClipboardItemType::url, ClipboardItemType::file, ClipboardItemType::richText};

QString rawValue(ClipboardItemType type);
/// Nothing for a raw value that names no type.
std::optional<ClipboardItemType> clipboardItemTypeFromRawValue(QAnyStringView raw);
/// The symbol name drawn for the type.
QString typeIcon(ClipboardItemType type);
/// The name of the category that new items of this type are filed under.
QString defaultCategoryName(ClipboardItemType type);
