#pragma once

#include "model/ClipboardItemType.h"

#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QString>

#include <optional>

/// What one history row derives from its item and the panel state: texts, colours and the file
/// and image captions. Pure functions, so the rules are tested without drawing.
class ClipboardItemRow {
    Q_DECLARE_TR_FUNCTIONS(ClipboardItemRow)

public:
    ClipboardItemRow() = delete;

    /// "now", "5m", "3h", "2d", or the short date from a week on; a future time is "now".
    static QString relativeDisplay(const QDateTime &createdAt, const QDateTime &now);

    /// The type's raw value with only its first letter in upper case ("Text", "Url", "Richtext"), translated.
    static QString typeLabel(ClipboardItemType type);
    /// Whether a category is named as its item type, as the default categories are: in any case, in
    /// English or in the language shown.
    static bool namesType(const QString &categoryName, ClipboardItemType type);
    /// The standard named colour of the type.
    static QColor typeColor(ClipboardItemType type);
    /// The category colour when there is one, otherwise the type colour.
    static QColor colorForType(ClipboardItemType type, const std::optional<QColor> &categoryColor);
    /// A dark shade or a pale tint of `color`.
    static QColor sidebarColor(const QColor &color, bool isDark);
    /// A chip background that goes with the category colour.
    static QColor dimmedCategoryColor(const QColor &color, bool isDark);
    /// The selected row's glow from "borderColorHex"; orange when the text is not a colour.
    static QColor glowColor(const QString &borderColorHex);

    /// The last path component of a path-like content, or the whole content.
    static QString imageFileName(const QString &content);
    /// The folder of a path-like content; else the image size in whole kilobytes ("12 KB"); else "".
    static QString imageFilePath(const QString &content, std::optional<qsizetype> imageDataSize);
    /// `path` without its last component ("" when it has none, "/" for a file at the root).
    static QString deletingLastPathComponent(const QString &path);
    /// A freedesktop icon name for the file's type.
    static QString fileIconName(const QString &path);
};
