#pragma once

#include <QHash>
#include <QQuickImageProvider>
#include <QString>

/// Icons for the views, registered as "icon":
///   image://icon/symbol/<symbol name>[?color=%23rrggbb]  a symbol of the item types, categories and
///                                                       panels, drawn from the freedesktop theme
///   image://icon/theme/<freedesktop icon name>[?color=...]  any theme icon (file types)
/// A colour paints the icon's shape in that colour. The requested size is honoured (16 by default).
class IconImageProvider : public QQuickImageProvider {
public:
    IconImageProvider();

    QPixmap requestPixmap(const QString &id, QSize *size, const QSize &requestedSize) override;

    /// The freedesktop icon name drawn for a symbol name; empty for a symbol the table lacks.
    static QString themeIconName(const QString &symbol);
    /// Every symbol name of the table.
    static QStringList symbolNames();

    static constexpr int defaultSize = 16;
};
