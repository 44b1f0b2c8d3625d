#include "StatusItem.h"

#include "PanelPresenter.h"
#include "services/AppActions.h"
#include "services/ConsoleLog.h"

#include <QCoreApplication>

StatusItem::StatusItem(PanelPresenter &panel, AppActions &actions, QObject *parent)
    : QObject(parent)
    , m_icon(QIcon(QStringLiteral(":/icons/quillbox.svg")))
{
    m_icon.setToolTip(QStringLiteral("Quillbox"));
    m_menu.addAction(QStringLiteral("Open Quillbox"), &panel, &PanelPresenter::show);
    m_menu.addAction(QStringLiteral("Settings..."), &actions, &AppActions::openSettingsRequested);
    m_menu.addSeparator();
    // Queued: quitting from inside the menu's own handler would tear the menu down under it.
    m_menu.addAction(QStringLiteral("Quit Quillbox"), this,
        [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); });
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, &panel, [&panel](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            panel.toggle();
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        printLine(QStringLiteral("[Quillbox] No system tray on this desktop — open the panel with Super+Shift+V"));
    m_icon.show();
}
