#include "StatusItem.h"

#include "services/ConsoleLog.h"

StatusItem::StatusItem(QObject *parent)
    : QObject(parent)
    , m_icon(QIcon(QStringLiteral(":/icons/quillbox.svg")))
{
    m_icon.setToolTip(QStringLiteral("Quillbox"));
    m_menu.addAction(QStringLiteral("Open Quillbox"), this, &StatusItem::openRequested);
    m_menu.addAction(QStringLiteral("Settings..."), this, &StatusItem::settingsRequested);
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("Quit Quillbox"), this, &StatusItem::quitRequested);
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit toggleRequested();
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        printLine(QStringLiteral("[Quillbox] No system tray on this desktop — open the panel with Super+Shift+V"));
    m_icon.show();
}
