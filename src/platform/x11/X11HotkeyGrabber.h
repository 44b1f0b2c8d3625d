#pragma once

#include "services/HotkeyGrabber.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <map>

struct xcb_connection_t;

/// Passive key grabs on the root window through Qt's X connection. Construct after QGuiApplication;
/// use on the GUI thread. Grabs still held are released on destruction.
class X11HotkeyGrabber : public HotkeyGrabber, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11HotkeyGrabber(QObject *parent = nullptr);
    ~X11HotkeyGrabber() override;
    X11HotkeyGrabber(const X11HotkeyGrabber &) = delete;
    X11HotkeyGrabber &operator=(const X11HotkeyGrabber &) = delete;

    GrabResult grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void ungrab(std::uint32_t id) override;

private:
    struct Grab {
        std::uint8_t keycode;
        std::uint16_t mask;
    };

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    void ungrabVariants(const Grab &grab);

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::map<std::uint32_t, Grab> m_grabs;
};
