#include "SettingsView.h"

#include "model/ClipboardItem.h"
#include "model/HistoryLimit.h"
#include "model/ModelContext.h"
#include "model/Preferences.h"
#include "services/AppActions.h"
#include "services/ConsoleLog.h"
#include "services/HotkeyService.h"
#include "services/KeyboardLayoutMapper.h"
#include "services/LanguageSwitchService.h"
#include "services/LoginItem.h"

#include <QColor>
#include <QCoreApplication>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Stored hex, the colour the circle is drawn in (the desktop-neutral tone of the colour's name), and
// the name a screen reader says.
struct BorderColor {
    const char *hex;
    const char *shown;
    const char *name;
};
const BorderColor borderColors[] = {
    {"#FF8C00", "#FF9500", QT_TRANSLATE_NOOP("SettingsView", "Orange")},
    {"#FF3B30", "#FF3B30", QT_TRANSLATE_NOOP("SettingsView", "Red")},
    {"#007AFF", "#007AFF", QT_TRANSLATE_NOOP("SettingsView", "Blue")},
    {"#34C759", "#34C759", QT_TRANSLATE_NOOP("SettingsView", "Green")},
    {"#AF52DE", "#AF52DE", QT_TRANSLATE_NOOP("SettingsView", "Purple")},
    {"#FF2D55", "#FF2D55", QT_TRANSLATE_NOOP("SettingsView", "Pink")},
    {"#FFCC00", "#FFCC00", QT_TRANSLATE_NOOP("SettingsView", "Yellow")},
    {"#FFFFFF", "#FFFFFF", QT_TRANSLATE_NOOP("SettingsView", "White")},
};

// The keys of a global combination by their names on this desktop: "Super + Shift + L".
QString keyNames(const KeyCombo &combo)
{
    QStringList names;
    if (combo.modifiers & KeyCombo::cmdKey)
        names << QCoreApplication::translate("SettingsView", "Super");
    if (combo.modifiers & KeyCombo::shiftKey)
        names << QCoreApplication::translate("SettingsView", "Shift");
    if (combo.modifiers & KeyCombo::optionKey)
        names << QCoreApplication::translate("SettingsView", "Alt");
    if (combo.modifiers & KeyCombo::controlKey)
        names << QCoreApplication::translate("SettingsView", "Ctrl");
    if (const auto key = KeyCombo::keyCodeToString(combo.keyCode))
        names << *key;
    return names.join(u" + "_s);
}

} // namespace

SettingsView::SettingsView(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_preferences(*services.preferences)
    , m_recorder(new ShortcutRecorderView(tr("Open Quillbox"), *services.preferences, Preferences::Key::hotkeyCombo,
          KeyCombo::defaultCombo(), *services.clock, this))
{
    Q_ASSERT(services.preferences && services.clock && services.actions);
    connect(m_recorder, &ShortcutRecorderView::recorded, services.actions, &AppActions::hotkeyReloadRequested);
    if (services.context)
        m_categoryManager = new CategoryManagerView(*services.context, {}, this);
    connect(&m_preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        if (key == Preferences::Key::launchAtLogin)
            return;
        emit preferencesChanged();
    });
    m_recorder->loadCombo();
    refreshGeneralTab();
}

SettingsView::~SettingsView() = default;

void SettingsView::refreshGeneralTab()
{
    const bool launch = m_services.loginItem && m_services.loginItem->isEnabled();
    if (launch != m_launchAtLogin) {
        m_launchAtLogin = launch;
        emit launchAtLoginChanged();
    }
    QStringList names;
    if (m_services.keyboardLayouts) {
        for (const LayoutInfo &layout : KeyboardLayoutMapper::installedLayouts(*m_services.keyboardLayouts))
            names << layout.name;
    }
    m_layouts = names;
    emit layoutsChanged();
}

void SettingsView::setLaunchAtLogin(bool on)
{
    m_preferences.setLaunchAtLogin(on);
    if (on != m_launchAtLogin) {
        m_launchAtLogin = on;
        emit launchAtLoginChanged();
    }
    if (!m_services.loginItem)
        return;
    if (const auto failure = m_services.loginItem->setEnabled(on))
        printLine(u"Failed to toggle launch at login: "_s + *failure);
}

bool SettingsView::showSourceApp() const
{
    return m_preferences.showSourceApp();
}

void SettingsView::setShowSourceApp(bool on)
{
    m_preferences.setShowSourceApp(on);
}

bool SettingsView::playSoundOnCopy() const
{
    return m_preferences.playSoundOnCopy();
}

void SettingsView::setPlaySoundOnCopy(bool on)
{
    m_preferences.setPlaySoundOnCopy(on);
}

bool SettingsView::playSoundOnNavigate() const
{
    return m_preferences.playSoundOnNavigate();
}

void SettingsView::setPlaySoundOnNavigate(bool on)
{
    m_preferences.setPlaySoundOnNavigate(on);
}

bool SettingsView::enableLanguageFix() const
{
    return m_preferences.enableLanguageFix();
}

void SettingsView::setEnableLanguageFix(bool on)
{
    if (on == enableLanguageFix())
        return;
    m_preferences.setEnableLanguageFix(on);
    if (on) {
        if (LanguageSwitchService *fix = LanguageSwitchService::shared())
            fix->registerHotkey();
    } else if (HotkeyService *hotkeys = HotkeyService::shared()) {
        hotkeys->unregister(LanguageSwitchService::hotkeyId);
    }
}

QString SettingsView::borderColorHex() const
{
    return m_preferences.borderColorHex();
}

void SettingsView::setBorderColorHex(const QString &hex)
{
    m_preferences.setBorderColorHex(hex);
}

QString SettingsView::categorySearchKey() const
{
    return Preferences::storedName(m_preferences.categorySearchKey());
}

void SettingsView::setCategorySearchKey(const QString &key)
{
    for (const auto choice : {Preferences::CategorySearchKey::tab, Preferences::CategorySearchKey::slash}) {
        if (key == Preferences::storedName(choice))
            m_preferences.setCategorySearchKey(choice);
    }
}

int SettingsView::maxHistoryCount() const
{
    // The limit in force: a value written by hand that is no choice shows as "Unlimited", as it acts.
    return m_services.historyLimit ? m_services.historyLimit->maxUnpinnedItems() : m_preferences.maxHistoryCount();
}

void SettingsView::setMaxHistoryCount(int count)
{
    m_preferences.setMaxHistoryCount(count);
}

int SettingsView::deletionsForMaxHistoryCount(int count) const
{
    return m_services.historyLimit ? m_services.historyLimit->deletionsFor(count) : 0;
}

int SettingsView::historyItemCount() const
{
    return m_services.context ? m_services.context->count<ClipboardItem>() : 0;
}

void SettingsView::clearAllHistory()
{
    emit m_services.actions->clearAllHistoryRequested();
}

QVariantList SettingsView::borderColorOptions() const
{
    QVariantList options;
    for (const auto &[hex, shown, name] : borderColors)
        options.append(QVariantMap{
            {u"hex"_s, QString::fromLatin1(hex)}, {u"color"_s, QColor(QLatin1String(shown))}, {u"name"_s, tr(name)}});
    return options;
}

QVariantList SettingsView::historySizeChoices() const
{
    QVariantList choices;
    for (const int value : HistoryLimit::choices) {
        const QString label = value == HistoryLimit::unlimited ? tr("Unlimited") : QString::number(value);
        choices.append(QVariantMap{{u"label"_s, label}, {u"value"_s, value}});
    }
    return choices;
}

QString SettingsView::languageFixTitle() const
{
    return tr("Fix wrong keyboard layout (%1)").arg(keyNames(LanguageSwitchService::fixCombo));
}

QString SettingsView::layoutHint() const
{
    if (layoutHintIsWarning())
        return tr("Add a second keyboard layout in your desktop's keyboard settings to use this feature.");
    const KeyCombo &fix = LanguageSwitchService::fixCombo;
    //: %1 is the combination as symbols ("⌘⇧L"), %2 its key names ("Super + Shift + L")
    return tr("Select mistyped text anywhere, press %1 (%2) to convert to the correct layout.")
        .arg(fix.displayString().remove(u' '), keyNames(fix));
}

QString SettingsView::version() const
{
    return tr("Version %1").arg(QStringLiteral(QUILLBOX_VERSION));
}

QString SettingsView::description() const
{
    return tr("A modern clipboard history manager for the Linux desktop");
}

QString SettingsView::clipboardProtocol() const
{
    if (m_services.clipboardProtocol.isEmpty())
        return {};
    return tr("Clipboard: %1").arg(m_services.clipboardProtocol);
}
