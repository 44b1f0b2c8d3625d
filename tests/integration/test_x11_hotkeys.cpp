// Global hotkeys against a real X server: presses from xdotool, and a combination another client holds.

#include "platform/x11/X11HotkeyGrabber.h"
#include "services/HotkeyService.h"

#include <QProcess>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

/// Another X client, to hold grabs of its own.
class OtherClient {
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
        , m_root(xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root)
    {
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    /// The X error code of the grab, 0 when granted.
    int grab(xcb_keycode_t keycode, std::uint16_t mask)
    {
        xcb_generic_error_t *error = xcb_request_check(m_connection,
            xcb_grab_key_checked(m_connection, 1, m_root, mask, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_root;
};

constexpr xcb_keycode_t keycodeV = 47 + 8;
constexpr std::uint16_t superShift = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT;

bool xdotool(const QStringList &keys)
{
    return QProcess::execute(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys) == 0;
}

} // namespace

class TestX11Hotkeys : public QObject {
    Q_OBJECT

private slots:
    void pressesReachTheHandlerWhateverTheLocks()
    {
        X11HotkeyGrabber grabber;
        HotkeyService service(grabber);
        int presses = 0;
        service.registerHotkey(1, fourCharCode("QLBX"), KeyCombo::defaultCombo(), [&] { ++presses; });
        QVERIFY(service.isRegistered(1));

        QVERIFY(xdotool({"super+shift+v"}));
        QTRY_COMPARE(presses, 1);
        QVERIFY(xdotool({"Num_Lock", "Caps_Lock", "super+shift+v", "Caps_Lock", "Num_Lock"}));
        QTRY_COMPARE(presses, 2);
        QVERIFY(xdotool({"super+v", "shift+v"}));
        QTest::qWait(100);
        QCOMPARE(presses, 2);

        service.unregister();
        QCOMPARE(OtherClient().grab(keycodeV, superShift), 0); // released on the server too
    }

    void aCombinationHeldElsewhereIsRefused()
    {
        // Only the last lock variant is taken, so the refusal comes after three granted variants,
        // which must be given back.
        OtherClient holder;
        QCOMPARE(holder.grab(keycodeV, superShift | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2), 0);

        X11HotkeyGrabber grabber;
        QCOMPARE(grabber.grab(1, keycodeV, KeyCombo::cmdKey | KeyCombo::shiftKey), HotkeyGrabber::GrabResult::taken);
        QCOMPARE(OtherClient().grab(keycodeV, superShift), 0);
        HotkeyService service(grabber);
        service.registerHotkey(1, fourCharCode("QLBX"), KeyCombo::defaultCombo(), [] {});
        QVERIFY(!service.isRegistered(1) && !service.hasHandler(1));
    }
};

QTEST_MAIN(TestX11Hotkeys)
#include "test_x11_hotkeys.moc"
