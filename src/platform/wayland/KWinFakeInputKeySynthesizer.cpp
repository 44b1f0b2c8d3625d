#include "KWinFakeInputKeySynthesizer.h"

#include "EvdevChord.h"

#include <QLoggingCategory>

#include <kde-fake-input-client.h>

namespace {

Q_LOGGING_CATEGORY(lcFakeInput, "quillbox.paste", QtInfoMsg)

// The first version with keyboard_key.
constexpr std::uint32_t keyEventsVersion = 4;
constexpr std::uint32_t released = 0;
constexpr std::uint32_t pressed = 1;

} // namespace

KWinFakeInputKeySynthesizer::KWinFakeInputKeySynthesizer(WaylandConnection &connection)
    : m_connection(connection)
    , m_fakeInput(connection.bind(
          org_kde_kwin_fake_input_interface, keyEventsVersion, org_kde_kwin_fake_input_destroy, keyEventsVersion))
{
    if (const std::uint32_t offered = connection.version(org_kde_kwin_fake_input_interface);
        offered && offered < keyEventsVersion)
        qCInfo(lcFakeInput) << "KWin's fake-input is version" << offered << "and cannot type keys";
    if (!m_fakeInput)
        return;
    // KWin shows or logs this when it decides whether to let the events through.
    org_kde_kwin_fake_input_authenticate(
        m_fakeInput.get(), "Quillbox", "Pastes the clipboard item you chose into the window you were using");
    m_connection.flush();
}

bool KWinFakeInputKeySynthesizer::sendChord(int keyPosition, std::uint32_t modifiers)
{
    const std::optional<EvdevChord> chord = EvdevChord::of(keyPosition, modifiers);
    if (!isAvailable() || !chord)
        return false;
    for (const std::uint32_t modifier : chord->modifiers)
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput.get(), modifier, pressed);
    org_kde_kwin_fake_input_keyboard_key(m_fakeInput.get(), chord->key, pressed);
    org_kde_kwin_fake_input_keyboard_key(m_fakeInput.get(), chord->key, released);
    for (auto modifier = chord->modifiers.rbegin(); modifier != chord->modifiers.rend(); ++modifier)
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput.get(), *modifier, released);
    // The round trip tells a connection the compositor closed from one that took the keys.
    return m_connection.roundtrip();
}
