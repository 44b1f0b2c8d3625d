#include "KWinFakeInputKeySynthesizer.h"

#include "services/KeyCombo.h"
#include "services/KeyPositions.h"

#include <QLoggingCategory>

#include <kde-fake-input-client.h>

#include <wayland-client.h>

#include <array>
#include <linux/input-event-codes.h>
#include <string_view>

namespace {

Q_LOGGING_CATEGORY(lcFakeInput, "quillbox.paste", QtInfoMsg)

// The first version with keyboard_key.
constexpr std::uint32_t keyEventsVersion = 4;
constexpr std::uint32_t released = 0;
constexpr std::uint32_t pressed = 1;

struct ModifierKey {
    std::uint32_t bit;
    std::uint32_t evdev;
};
constexpr std::array<ModifierKey, 4> modifierKeys{{{KeyCombo::controlKey, KEY_LEFTCTRL},
    {KeyCombo::shiftKey, KEY_LEFTSHIFT}, {KeyCombo::optionKey, KEY_LEFTALT}, {KeyCombo::cmdKey, KEY_LEFTMETA}}};

} // namespace

struct FakeInputListeners {
    static void global(
        void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
    {
        static_cast<KWinFakeInputKeySynthesizer *>(data)->noteGlobal(registry, name, interface, version);
    }
    static void globalRemove(void *, wl_registry *, std::uint32_t) { }
    static constexpr wl_registry_listener registryListener = {global, globalRemove};
};

KWinFakeInputKeySynthesizer::KWinFakeInputKeySynthesizer(const QByteArray &displayName)
    : m_display(wl_display_connect(displayName.isEmpty() ? nullptr : displayName.constData()))
{
    if (!m_display)
        return;
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &FakeInputListeners::registryListener, this);
    wl_display_roundtrip(m_display);
    if (!m_fakeInput)
        return;
    // KWin shows or logs this when it decides whether to let the events through.
    org_kde_kwin_fake_input_authenticate(
        m_fakeInput, "Quillbox", "Pastes the clipboard item you chose into the window you were using");
    wl_display_flush(m_display);
}

KWinFakeInputKeySynthesizer::~KWinFakeInputKeySynthesizer()
{
    if (m_fakeInput)
        org_kde_kwin_fake_input_destroy(m_fakeInput);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void KWinFakeInputKeySynthesizer::noteGlobal(
    wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
{
    if (std::string_view(interface) != org_kde_kwin_fake_input_interface.name || m_fakeInput)
        return;
    if (version < keyEventsVersion) {
        qCInfo(lcFakeInput) << "KWin's fake-input is version" << version << "and cannot type keys";
        return;
    }
    m_fakeInput = static_cast<org_kde_kwin_fake_input *>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, keyEventsVersion));
}

bool KWinFakeInputKeySynthesizer::sendChord(int keyPosition, std::uint32_t modifiers)
{
    const std::optional<int> key = KeyPositions::evdevCode(keyPosition);
    if (!isAvailable() || !key)
        return false;
    for (const ModifierKey &modifier : modifierKeys) {
        if (modifiers & modifier.bit)
            org_kde_kwin_fake_input_keyboard_key(m_fakeInput, modifier.evdev, pressed);
    }
    org_kde_kwin_fake_input_keyboard_key(m_fakeInput, std::uint32_t(*key), pressed);
    org_kde_kwin_fake_input_keyboard_key(m_fakeInput, std::uint32_t(*key), released);
    for (auto modifier = modifierKeys.rbegin(); modifier != modifierKeys.rend(); ++modifier) {
        if (modifiers & modifier->bit)
            org_kde_kwin_fake_input_keyboard_key(m_fakeInput, modifier->evdev, released);
    }
    // The round trip tells a connection the compositor closed from one that took the keys.
    return wl_display_roundtrip(m_display) >= 0;
}
