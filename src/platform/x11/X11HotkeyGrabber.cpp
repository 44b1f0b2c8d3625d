#include "X11HotkeyGrabber.h"

#include "QtX11Connection.h"

#include "services/KeyCombo.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>

namespace {

Q_LOGGING_CATEGORY(lcHotkeys, "quillbox.hotkeys", QtInfoMsg)

// A passive grab matches the exact modifier state, so CapsLock (Lock) or NumLock (Mod2) being on would
// hide the press: every combination is grabbed once per lock state, and the locks are ignored when matching.
constexpr std::array<std::uint16_t, 4> lockVariants
    = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr std::uint16_t comboMask = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_1 | XCB_MOD_MASK_CONTROL;

HotkeyGrabber::GrabResult resultOf(std::uint8_t errorCode)
{
    switch (errorCode) {
    case XCB_ACCESS:
        return HotkeyGrabber::GrabResult::taken;
    case XCB_VALUE:
        return HotkeyGrabber::GrabResult::noSuchKey;
    default:
        return HotkeyGrabber::GrabResult::unavailable;
    }
}

} // namespace

X11HotkeyGrabber::X11HotkeyGrabber(QObject *parent)
    : HotkeyGrabber(parent)
{
    const auto x11 = QtX11Connection::get();
    if (!x11) {
        qCWarning(lcHotkeys) << "not running on X11; global hotkeys are unavailable";
        return;
    }
    m_connection = x11->connection;
    m_root = x11->root;
    qGuiApp->installNativeEventFilter(this);
}

X11HotkeyGrabber::~X11HotkeyGrabber()
{
    if (!m_connection)
        return;
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
    for (const auto &[id, grab] : m_grabs)
        ungrabVariants(grab);
    xcb_flush(m_connection);
}

HotkeyGrabber::GrabResult X11HotkeyGrabber::grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers)
{
    if (!m_connection)
        return GrabResult::unavailable;
    if (keycode < 8 || keycode > 255)
        return GrabResult::noSuchKey;
    ungrab(id);
    const Grab grab{static_cast<std::uint8_t>(keycode), xModifierMask(modifiers)};

    std::array<xcb_void_cookie_t, lockVariants.size()> cookies{};
    for (std::size_t i = 0; i < lockVariants.size(); ++i) {
        cookies[i] = xcb_grab_key_checked(m_connection, 1, m_root, grab.mask | lockVariants[i], grab.keycode,
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    // Each variant is refused on its own (another client may hold only one of them), so every
    // reply is collected before deciding; the variants that were granted are given back on failure.
    GrabResult result = GrabResult::ok;
    for (const xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            if (result == GrabResult::ok)
                result = resultOf(error->error_code);
            std::free(error);
        }
    }
    if (result != GrabResult::ok) {
        // Ungrabbing a variant another client holds is a no-op: X ungrabs only the caller's own grabs.
        ungrabVariants(grab);
        xcb_flush(m_connection);
        return result;
    }
    m_grabs[id] = grab;
    return GrabResult::ok;
}

void X11HotkeyGrabber::ungrab(std::uint32_t id)
{
    const auto it = m_grabs.find(id);
    if (it == m_grabs.end())
        return;
    ungrabVariants(it->second);
    m_grabs.erase(it);
    xcb_flush(m_connection);
}

void X11HotkeyGrabber::ungrabVariants(const Grab &grab)
{
    for (const std::uint16_t locks : lockVariants)
        xcb_ungrab_key(m_connection, grab.keycode, m_root, grab.mask | locks);
}

bool X11HotkeyGrabber::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(message);
    if (press->event != m_root)
        return false;
    for (const auto &[id, grab] : m_grabs) {
        if (grab.keycode == press->detail && grab.mask == (press->state & comboMask)) {
            emit pressed(id);
            return true;
        }
    }
    return false;
}
