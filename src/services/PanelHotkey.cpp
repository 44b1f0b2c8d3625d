#include "PanelHotkey.h"

#include "AppActions.h"
#include "HotkeyService.h"
#include "model/Preferences.h"

#include <QPointer>

PanelHotkey::PanelHotkey(HotkeyGrabber &grabber, Preferences &preferences, AppActions &actions, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
{
    if (!HotkeyService::shared())
        m_ownService = std::make_unique<HotkeyService>(grabber);
    connect(
        &actions, &AppActions::hotkeyReloadRequested, this,
        [this] {
            m_preferences.reload();
            registerStored();
        },
        Qt::QueuedConnection);
}

PanelHotkey::~PanelHotkey() = default;

void PanelHotkey::registerStored()
{
    HotkeyService *hotkeys = HotkeyService::shared();
    if (!hotkeys)
        return;
    const KeyCombo combo = KeyCombo::fromStored(m_preferences.hotkeyCombo());
    hotkeys->registerHotkey(hotkeyId, fourCharCode("QLBX"), combo, [self = QPointer(this)] {
        if (self)
            emit self->pressed();
    });
}

void PanelHotkey::unregister()
{
    if (HotkeyService *hotkeys = HotkeyService::shared())
        hotkeys->unregister();
}
