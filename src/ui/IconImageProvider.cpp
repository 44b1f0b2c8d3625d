#include "IconImageProvider.h"

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QStandardPaths>
#include <QUrlQuery>

#include <utility>

namespace {

// Symbol name to an icon of the freedesktop naming scheme that Adwaita ships in symbolic form, so
// that a tint can colour the whole shape.
const QHash<QString, QString> &symbolTable()
{
    static const QHash<QString, QString> table = {
        // item types and default categories
        {QStringLiteral("doc.text"), QStringLiteral("text-x-generic-symbolic")},
        {QStringLiteral("photo"), QStringLiteral("image-x-generic-symbolic")},
        {QStringLiteral("link"), QStringLiteral("web-browser-symbolic")},
        {QStringLiteral("doc"), QStringLiteral("x-office-document-symbolic")},
        {QStringLiteral("doc.richtext"), QStringLiteral("format-text-rich-symbolic")},
        {QStringLiteral("folder"), QStringLiteral("folder-symbolic")},
        {QStringLiteral("tag.fill"), QStringLiteral("user-bookmarks-symbolic")},
        {QStringLiteral("star"), QStringLiteral("non-starred-symbolic")},
        {QStringLiteral("star.fill"), QStringLiteral("starred-symbolic")},
        {QStringLiteral("briefcase"), QStringLiteral("folder-documents-symbolic")},
        // panel
        {QStringLiteral("magnifyingglass"), QStringLiteral("edit-find-symbolic")},
        {QStringLiteral("xmark"), QStringLiteral("window-close-symbolic")},
        {QStringLiteral("xmark.circle"), QStringLiteral("process-stop-symbolic")},
        {QStringLiteral("xmark.circle.fill"), QStringLiteral("window-close-symbolic")},
        {QStringLiteral("ellipsis.circle"), QStringLiteral("view-more-horizontal-symbolic")},
        {QStringLiteral("pin"), QStringLiteral("view-pin-symbolic")},
        {QStringLiteral("pin.fill"), QStringLiteral("view-pin-symbolic")},
        {QStringLiteral("pin.slash.fill"), QStringLiteral("view-pin-symbolic")},
        {QStringLiteral("trash"), QStringLiteral("user-trash-symbolic")},
        {QStringLiteral("checkmark"), QStringLiteral("object-select-symbolic")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("object-select-symbolic")},
        {QStringLiteral("pencil"), QStringLiteral("document-edit-symbolic")},
        {QStringLiteral("pencil.circle.fill"), QStringLiteral("document-edit-symbolic")},
        {QStringLiteral("plus.circle.fill"), QStringLiteral("list-add-symbolic")},
        {QStringLiteral("doc.on.doc.fill"), QStringLiteral("edit-copy-symbolic")},
        {QStringLiteral("doc.on.clipboard"), QStringLiteral("edit-paste-symbolic")},
        {QStringLiteral("clipboard.fill"), QStringLiteral("edit-paste-symbolic")},
        {QStringLiteral("arrow.up.arrow.down"), QStringLiteral("mail-send-receive-symbolic")},
        {QStringLiteral("return"), QStringLiteral("mail-reply-sender-symbolic")},
        {QStringLiteral("line.3.horizontal.decrease.circle.fill"), QStringLiteral("view-sort-descending-symbolic")},
        {QStringLiteral("chevron.up"), QStringLiteral("pan-up-symbolic")},
        {QStringLiteral("chevron.down"), QStringLiteral("pan-down-symbolic")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("pause.fill"), QStringLiteral("media-playback-pause-symbolic")},
        // settings and onboarding
        {QStringLiteral("command"), QStringLiteral("preferences-desktop-keyboard-shortcuts-symbolic")},
        {QStringLiteral("keyboard"), QStringLiteral("input-keyboard-symbolic")},
        {QStringLiteral("accessibility"), QStringLiteral("preferences-desktop-accessibility-symbolic")},
        {QStringLiteral("gear"), QStringLiteral("preferences-system-symbolic")},
        {QStringLiteral("puzzlepiece.extension"), QStringLiteral("application-x-addon-symbolic")},
        {QStringLiteral("square.grid.2x2.fill"), QStringLiteral("view-grid-symbolic")},
        {QStringLiteral("globe"), QStringLiteral("web-browser-symbolic")},
        {QStringLiteral("character.textbox"), QStringLiteral("insert-text-symbolic")},
        {QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("view-refresh-symbolic")},
        {QStringLiteral("sparkles"), QStringLiteral("starred-symbolic")},
        {QStringLiteral("internaldrive"), QStringLiteral("drive-harddisk-symbolic")},
        {QStringLiteral("info.circle"), QStringLiteral("dialog-information-symbolic")},
        {QStringLiteral("hand.raised"), QStringLiteral("security-high-symbolic")},
        {QStringLiteral("app"), QStringLiteral("application-x-executable-symbolic")},
    };
    return table;
}

const QString missingIconName = QStringLiteral("image-missing");

// A theme icon, its symbolic variant, or the symbolic variant's plain form, whichever the theme has.
QIcon themeIcon(const QString &name)
{
    if (name.isEmpty())
        return {};
    QIcon icon = QIcon::fromTheme(name);
    if (!icon.isNull())
        return icon;
    const QString symbolicSuffix = QStringLiteral("-symbolic");
    if (name.endsWith(symbolicSuffix))
        return QIcon::fromTheme(name.chopped(symbolicSuffix.size()));
    return QIcon::fromTheme(name + symbolicSuffix);
}

QPixmap tinted(const QPixmap &pixmap, const QColor &color)
{
    QPixmap result = pixmap;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), color);
    return result;
}

} // namespace

IconImageProvider::IconImageProvider()
    : QQuickImageProvider(QQuickImageProvider::Pixmap)
{
    // Platforms without a desktop theme (offscreen, minimal sessions) leave the theme unset and
    // search only Qt resources, so every lookup would fail; fill in the freedesktop defaults.
    QStringList searchPaths = QIcon::themeSearchPaths();
    const QStringList xdgPaths = QStandardPaths::locateAll(
        QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory);
    bool searchPathsChanged = false;
    for (const QString &path : xdgPaths) {
        if (!searchPaths.contains(path)) {
            searchPaths.append(path);
            searchPathsChanged = true;
        }
    }
    if (searchPathsChanged)
        QIcon::setThemeSearchPaths(searchPaths);
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("hicolor"));
    // A theme without these names (as outside GNOME) gets them from Adwaita.
    if (QIcon::fallbackThemeName().isEmpty())
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

QString IconImageProvider::themeIconName(const QString &symbol)
{
    return symbolTable().value(symbol);
}

QStringList IconImageProvider::symbolNames()
{
    QStringList names = symbolTable().keys();
    names.sort();
    return names;
}

QPixmap IconImageProvider::requestPixmap(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype queryStart = id.indexOf(u'?');
    const QString path = id.left(queryStart);
    const QUrlQuery query(queryStart < 0 ? QString() : id.mid(queryStart + 1));

    QIcon icon;
    if (path.startsWith(QLatin1String("symbol/"))) {
        const QString symbol = path.mid(7);
        // A name the table lacks may still be a theme name of its own.
        icon = themeIcon(themeIconName(symbol));
        if (icon.isNull())
            icon = themeIcon(symbol);
    } else if (path.startsWith(QLatin1String("theme/"))) {
        icon = themeIcon(path.mid(6));
    }
    if (icon.isNull())
        icon = themeIcon(missingIconName);

    QSize target(requestedSize.width() > 0 ? requestedSize.width() : requestedSize.height(),
        requestedSize.height() > 0 ? requestedSize.height() : requestedSize.width());
    if (target.isEmpty())
        target = QSize(defaultSize, defaultSize);

    QPixmap pixmap = icon.pixmap(target, 1.0);
    if (pixmap.isNull()) {
        // Not even a fallback in the theme: an empty image keeps the layout without a broken-image mark.
        pixmap = QPixmap(target);
        pixmap.fill(Qt::transparent);
    } else if (pixmap.size() != target) {
        // Fixed-size bitmap themes hand back their nearest size.
        pixmap = pixmap.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    const QString colorText = query.queryItemValue(QStringLiteral("color"), QUrl::FullyDecoded);
    if (!colorText.isEmpty()) {
        const QColor color = QColor::fromString(colorText);
        if (color.isValid())
            pixmap = tinted(pixmap, color);
    }

    if (size)
        *size = pixmap.size();
    return pixmap;
}
