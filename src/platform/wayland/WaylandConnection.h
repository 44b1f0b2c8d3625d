#pragma once

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class QSocketNotifier;
struct wl_display;
struct wl_interface;
struct wl_registry;

/// A connection to the Wayland compositor and the globals it offers, listed once on connecting.
/// Objects bound through it come back owned, with their protocol's destructor; declare the connection
/// before them so they go before it disconnects. Used from one thread at a time.
class WaylandConnection {
public:
    template <typename T> using Object = std::unique_ptr<T, void (*)(T *)>;

    /// Connects to `displayName` ($WAYLAND_DISPLAY when empty; a name or an absolute socket path) and
    /// waits for the list of globals.
    explicit WaylandConnection(const QByteArray &displayName = {});
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection &) = delete;
    WaylandConnection &operator=(const WaylandConnection &) = delete;

    /// Connected, and the compositor listed its globals.
    bool isConnected() const { return m_registry != nullptr; }
    wl_display *display() const { return m_display; }

    /// The interface names of the globals, in the order offered.
    QStringList interfaces() const;
    /// The version the compositor offers `interface` at; 0 when it does not.
    std::uint32_t version(const wl_interface &interface) const;

    /// The first global of `interface`, at its offered version up to `maxVersion`; empty when it is
    /// not offered or older than `minVersion`.
    template <typename T>
    Object<T> bind(const wl_interface &interface, std::uint32_t maxVersion, void (*destroy)(T *),
        std::uint32_t minVersion = 1)
    {
        return Object<T>(static_cast<T *>(bindGlobal(interface, maxVersion, minVersion)), destroy);
    }

    /// Sends what is queued and dispatches the compositor's answers to it. False once the connection
    /// is lost.
    bool roundtrip();
    /// Sends what is queued without waiting. False once the connection is lost.
    bool flush();
    /// From now on dispatches events as they arrive, on this thread's event loop, never waiting for
    /// more: for objects that listen to the compositor between round trips.
    void dispatchAsEventsArrive();

private:
    struct Global {
        std::uint32_t name;
        QByteArray interface;
        std::uint32_t version;
    };
    friend struct RegistryListener;
    void *bindGlobal(const wl_interface &interface, std::uint32_t maxVersion, std::uint32_t minVersion);
    const Global *global(const wl_interface &interface) const;
    void readEvents();

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    std::vector<Global> m_globals;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
