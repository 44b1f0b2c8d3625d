#include "OnboardingView.h"

#include "GnomeExtensionView.h"

#include <QVariantMap>

namespace {

// The desktop's system colours as the pages name them.
const QString orange = QStringLiteral("#ff9500");
const QString blue = QStringLiteral("#007aff");
const QString green = QStringLiteral("#34c759");
const QString purple = QStringLiteral("#af52de");
const QString teal = QStringLiteral("#30b0c7");
const QString pink = QStringLiteral("#ff2d55");

struct Bullet {
    QString icon;
    QString text;
};

QVariantMap makePage(const QString &icon, const QString &iconColor, const QString &title, const QString &subtitle,
    const QString &body, const QList<Bullet> &bullets = {}, const QString &actionLabel = {})
{
    QVariantList bulletList;
    for (const Bullet &bullet : bullets)
        bulletList.append(QVariantMap{{QStringLiteral("icon"), bullet.icon}, {QStringLiteral("text"), bullet.text}});
    return {
        {QStringLiteral("icon"), icon},
        {QStringLiteral("iconColor"), iconColor},
        {QStringLiteral("title"), title},
        {QStringLiteral("subtitle"), subtitle},
        {QStringLiteral("body"), body},
        {QStringLiteral("bullets"), bulletList},
        {QStringLiteral("actionLabel"), actionLabel},
        {QStringLiteral("hasAction"), !actionLabel.isEmpty()},
    };
}

// Automatic paste is a synthetic Ctrl+V: XTest under X11; under Wayland a virtual keyboard of Quillbox's
// own, or Plasma's fake-input. There is no permission to grant, so the page says what is needed and
// whether it is there.
QVariantMap pastePage(const OnboardingView::PasteSupport &support)
{
    QList<Bullet> bullets;
    if (support.isAvailable) {
        bullets.append({QStringLiteral("checkmark.circle.fill"), OnboardingView::tr("Automatic paste is available")});
        bullets.append({QStringLiteral("keyboard"),
            OnboardingView::tr("Quillbox presses Ctrl+V through %1").arg(support.mechanism)});
    } else {
        bullets.append({QStringLiteral("xmark.circle"), OnboardingView::tr("Automatic paste is not available yet")});
        bullets.append({QStringLiteral("gear"),
            support.isWayland ? OnboardingView::tr("Install ydotool to enable it")
                              : OnboardingView::tr("Run an X11 session with XTest, or install xdotool")});
    }
    return makePage(QStringLiteral("accessibility"), green, OnboardingView::tr("Allow automatic paste"),
        OnboardingView::tr("So Quillbox can paste directly"),
        OnboardingView::tr(
            "Quillbox pastes by pressing Ctrl+V in the active app for you. In an X11 session this "
            "needs nothing extra; on Wayland Quillbox types through a virtual keyboard of its own (sway, "
            "Hyprland, labwc) or through KDE Plasma's fake-input, and elsewhere it needs ydotool. "
            "Without it, Quillbox can still copy items to your clipboard, but won't auto-paste into the "
            "active app."),
        bullets, support.openKeyboardSettings ? OnboardingView::tr("Open Keyboard Settings") : QString());
}

// On GNOME under Wayland only Quillbox's Shell extension lets it see every copy, bind its keys and
// paste; installed but switched off, it is one command away, which the person agrees to by the button.
QVariantMap gnomeExtensionPage(const GnomeExtensionView &extension)
{
    return makePage(QStringLiteral("puzzlepiece.extension"), orange, OnboardingView::tr("Turn on the GNOME extension"),
        OnboardingView::tr("So Quillbox works in every window"), extension.advice(),
        {{QStringLiteral("xmark.circle"), OnboardingView::tr("Until then, copies made in Wayland windows are missed")}},
        extension.canEnable() ? OnboardingView::tr("Enable the Extension") : QString());
}

} // namespace

OnboardingView::OnboardingView(
    PasteSupport pasteSupport, const QString &hotkeyInstructions, GnomeExtensionView *gnomeExtension, QObject *parent)
    : QObject(parent)
    , m_pasteSupport(std::move(pasteSupport))
    , m_gnomeExtension(gnomeExtension)
{
    m_pages = {
        makePage(QStringLiteral("clipboard.fill"), orange, tr("Welcome to Quillbox"),
            tr("Your clipboard, supercharged."),
            tr("Quillbox keeps a searchable history of everything you copy — text, links, images, "
               "and files — so you can paste anything from the last week in two keystrokes.")),
        makePage(QStringLiteral("command"), blue, tr("Open it from anywhere"), tr("Default hotkey: ⌘⇧V"),
            hotkeyInstructions.isEmpty()
                ? tr("Press ⌘⇧V (Super + Shift + V) from any app to open Quillbox. You can change this "
                     "shortcut any time in Settings → Shortcuts.")
                : hotkeyInstructions,
            {
                {QStringLiteral("keyboard"), tr("⌘⇧V opens the panel")},
                {QStringLiteral("arrow.up.arrow.down"), tr("↑ / ↓ to navigate")},
                {QStringLiteral("return"), tr("Enter to paste")},
                {QStringLiteral("xmark.circle"), tr("Esc to dismiss")},
            }),
        pastePage(m_pasteSupport),
        makePage(QStringLiteral("square.grid.2x2.fill"), purple, tr("Organize with Categories"),
            tr("Keep similar clips together"),
            tr("Assign items to categories like Work, Code, or Links. Filter by category with the "
               "colored chips at the top, or press Tab to search categories."),
            {
                {QStringLiteral("tag.fill"), tr("Right-click a clip to assign a category")},
                {QStringLiteral("pin.fill"), tr("Pin clips to keep them at the top")},
                {QStringLiteral("magnifyingglass"), tr("Type to search your history")},
            }),
        makePage(QStringLiteral("globe"), teal, tr("Wrong keyboard layout? Fixed."), tr("⌘⇧L converts mistyped text"),
            tr("Typed a message in the wrong language layout? Select the text anywhere on your "
               "desktop and press ⌘⇧L — Quillbox instantly converts it to the correct layout."),
            {
                {QStringLiteral("character.textbox"), tr("Works across any app")},
                {QStringLiteral("arrow.triangle.2.circlepath"), tr("Supports multiple layouts")},
            }),
        makePage(QStringLiteral("sparkles"), pink, tr("You're all set"), tr("Start copying something"),
            tr("Copy any text, link, image, or file — it'll show up in Quillbox. Press ⌘⇧V to open "
               "it, then Enter to paste. Welcome aboard!")),
    };
    m_pastePage = 2;
    if (m_gnomeExtension && !m_gnomeExtension->advice().isEmpty()) {
        // Right after the welcome: without it the rest works on X11 windows only.
        m_extensionPage = 1;
        ++m_pastePage;
        m_pages.insert(m_extensionPage, gnomeExtensionPage(*m_gnomeExtension));
        connect(m_gnomeExtension, &GnomeExtensionView::statusChanged, this, &OnboardingView::actionStatusChanged);
        connect(this, &OnboardingView::pageChanged, this, &OnboardingView::actionStatusChanged);
    }
}

QString OnboardingView::actionStatus() const
{
    return m_page == m_extensionPage ? m_gnomeExtension->status() : QString();
}

int OnboardingView::pageCount() const
{
    return int(m_pages.size());
}

void OnboardingView::goNext()
{
    if (m_page < pageCount() - 1) {
        ++m_page;
        emit pageChanged();
    } else {
        emit finished();
    }
}

void OnboardingView::goBack()
{
    if (m_page == 0)
        return;
    --m_page;
    emit pageChanged();
}

void OnboardingView::skip()
{
    emit finished();
}

void OnboardingView::runAction()
{
    if (m_page == m_pastePage && m_pasteSupport.openKeyboardSettings)
        m_pasteSupport.openKeyboardSettings();
    else if (m_page == m_extensionPage && m_gnomeExtension->canEnable())
        m_gnomeExtension->enable();
}
