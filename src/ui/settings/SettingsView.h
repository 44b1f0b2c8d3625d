#pragma once

#include "DesktopShortcutsView.h"
#include "GnomeExtensionView.h"
#include "PrivacyView.h"
#include "ShortcutRecorderView.h"
#include "ui/panel/CategoryManagerView.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class AppActions;
class Clock;
class HistoryLimit;
class KeyboardLayouts;
class LoginItem;
class ModelContext;
class Preferences;

/// The settings window's controller: every preference it shows, bound live (each control writes its
/// key at once, and a change made elsewhere shows at once), the effects of the toggles that act on
/// the desktop, the shortcut recorder and the category manager.
class SettingsView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window owns its controller")
    /// Whether Quillbox starts at login, as the desktop has it when the General tab was last shown.
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(bool showSourceApp READ showSourceApp WRITE setShowSourceApp NOTIFY preferencesChanged)
    Q_PROPERTY(bool playSoundOnCopy READ playSoundOnCopy WRITE setPlaySoundOnCopy NOTIFY preferencesChanged)
    Q_PROPERTY(bool playSoundOnNavigate READ playSoundOnNavigate WRITE setPlaySoundOnNavigate NOTIFY preferencesChanged)
    Q_PROPERTY(bool enableLanguageFix READ enableLanguageFix WRITE setEnableLanguageFix NOTIFY preferencesChanged)
    Q_PROPERTY(QString borderColorHex READ borderColorHex WRITE setBorderColorHex NOTIFY preferencesChanged)
    /// "tab" or "slash".
    Q_PROPERTY(QString categorySearchKey READ categorySearchKey WRITE setCategorySearchKey NOTIFY preferencesChanged)
    Q_PROPERTY(int maxHistoryCount READ maxHistoryCount NOTIFY preferencesChanged)
    /// Each {hex, color}: the border colours in display order.
    Q_PROPERTY(QVariantList borderColorOptions READ borderColorOptions CONSTANT)
    /// Each {label, value}: the "Max history items" choices.
    Q_PROPERTY(QVariantList historySizeChoices READ historySizeChoices CONSTANT)
    /// The enabled keyboard layouts' names, as found when the General tab was last shown.
    Q_PROPERTY(QStringList installedLayouts READ installedLayouts NOTIFY layoutsChanged)
    Q_PROPERTY(QString languageFixTitle READ languageFixTitle CONSTANT)
    /// How to use the fix with two or more layouts, or how to get a second one.
    Q_PROPERTY(QString layoutHint READ layoutHint NOTIFY layoutsChanged)
    Q_PROPERTY(bool layoutHintIsWarning READ layoutHintIsWarning NOTIFY layoutsChanged)
    /// The application's icon as a URL; empty where there is none to show.
    Q_PROPERTY(QString appIcon READ appIcon CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(QString description READ description CONSTANT)
    Q_PROPERTY(ShortcutRecorderView *recorder READ recorder CONSTANT)
    /// Null without a store.
    Q_PROPERTY(CategoryManagerView *categoryManager READ categoryManager CONSTANT)
    /// How to bind the global keys where the desktop owns them; null where Quillbox registers them.
    Q_PROPERTY(DesktopShortcutsView *desktopShortcuts READ desktopShortcuts CONSTANT)
    /// What this session keeps from Quillbox, in one line; empty where everything works.
    Q_PROPERTY(QString sessionLimits READ sessionLimits CONSTANT)
    /// How the clipboard is reached, where the session leaves a choice; empty on X11.
    Q_PROPERTY(QString clipboardProtocol READ clipboardProtocol CONSTANT)
    /// Quillbox's GNOME Shell extension where it is installed but does not serve yet; null elsewhere.
    Q_PROPERTY(GnomeExtensionView *gnomeExtension READ gnomeExtension CONSTANT)
    /// The Privacy tab; null where the application gives none (tests of other tabs).
    Q_PROPERTY(PrivacyView *privacy READ privacy CONSTANT)

public:
    /// What the window works with; only `preferences`, `clock` and `actions` are required. Each must
    /// outlive the view.
    struct Services {
        Preferences *preferences = nullptr;
        Clock *clock = nullptr;
        AppActions *actions = nullptr;
        ModelContext *context = nullptr;
        HistoryLimit *historyLimit = nullptr;
        LoginItem *loginItem = nullptr;
        const KeyboardLayouts *keyboardLayouts = nullptr;
        QUrl appIcon;
        DesktopShortcutsView *desktopShortcuts = nullptr;
        QString sessionLimits;
        /// What the clipboard is reached through where the session leaves a choice (a data-control
        /// protocol, GNOME Shell's extension); empty on X11.
        QString clipboardProtocol;
        GnomeExtensionView *gnomeExtension = nullptr;
        PrivacyView *privacy = nullptr;
    };

    explicit SettingsView(const Services &services, QObject *parent = nullptr);
    ~SettingsView() override;

    bool launchAtLogin() const { return m_launchAtLogin; }
    /// Stores the choice and adds or removes the start at login; a failure is printed and the toggle
    /// keeps the choice.
    void setLaunchAtLogin(bool on);
    bool showSourceApp() const;
    void setShowSourceApp(bool on);
    bool playSoundOnCopy() const;
    void setPlaySoundOnCopy(bool on);
    bool playSoundOnNavigate() const;
    void setPlaySoundOnNavigate(bool on);
    bool enableLanguageFix() const;
    /// Registers the fix's hotkey at once, or releases it.
    void setEnableLanguageFix(bool on);
    QString borderColorHex() const;
    void setBorderColorHex(const QString &hex);
    QString categorySearchKey() const;
    void setCategorySearchKey(const QString &key);
    int maxHistoryCount() const;

    QVariantList borderColorOptions() const;
    QVariantList historySizeChoices() const;
    QStringList installedLayouts() const { return m_layouts; }
    QString languageFixTitle() const;
    QString layoutHint() const;
    bool layoutHintIsWarning() const { return m_layouts.size() < 2; }
    QString appIcon() const { return m_services.appIcon.toString(); }
    QString version() const;
    QString description() const;
    ShortcutRecorderView *recorder() const { return m_recorder; }
    CategoryManagerView *categoryManager() const { return m_categoryManager; }
    DesktopShortcutsView *desktopShortcuts() const { return m_services.desktopShortcuts; }
    QString sessionLimits() const { return m_services.sessionLimits; }
    QString clipboardProtocol() const;
    GnomeExtensionView *gnomeExtension() const { return m_services.gnomeExtension; }
    PrivacyView *privacy() const { return m_services.privacy; }

    /// The General tab is shown: the layouts and the start at login are read afresh.
    Q_INVOKABLE void refreshGeneralTab();
    /// How many unpinned items choosing `count` would delete now; 0 needs no confirmation.
    Q_INVOKABLE int deletionsForMaxHistoryCount(int count) const;
    /// Stores the choice; the history is cut to it at once.
    Q_INVOKABLE void setMaxHistoryCount(int count);
    /// Every item, pinned ones included: what "Clear All History" deletes.
    Q_INVOKABLE int historyItemCount() const;
    /// Asks the application to delete every item.
    Q_INVOKABLE void clearAllHistory();

signals:
    void launchAtLoginChanged();
    void preferencesChanged();
    void layoutsChanged();

private:
    Services m_services;
    Preferences &m_preferences;
    ShortcutRecorderView *m_recorder;
    CategoryManagerView *m_categoryManager = nullptr;
    bool m_launchAtLogin = false;
    QStringList m_layouts;
};
