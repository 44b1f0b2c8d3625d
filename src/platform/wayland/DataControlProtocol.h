#pragma once

#include <cstdint>
#include <functional>

struct wl_interface;
struct wl_seat;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;

/// One of the data-control protocols a compositor offers clipboard managers: ext-data-control-v1, the
/// standard one, or wlroots' wlr-data-control-unstable-v1, which some compositors still offer alone.
///
/// The two differ in names only: the same requests and events, with the same arguments, in the same
/// order. So the wlroots bindings drive either protocol's objects, and all that depends on the protocol
/// is the interface an object is made with: the manager's when it is bound, and the device's and
/// source's, made here. Offers take theirs from the device that announces them.
struct DataControlProtocol {
    /// As the protocol names itself, for the log and the settings.
    const char *name;
    const wl_interface *manager;
    const wl_interface *device;
    const wl_interface *source;
    /// The newest version of the manager this program speaks.
    std::uint32_t maxVersion;
    /// The first version of the manager that carries the primary selection.
    std::uint32_t primarySince;

    /// The manager's interface name, as the compositor lists its globals.
    const char *managerInterface() const;
    zwlr_data_control_device_v1 *getDataDevice(zwlr_data_control_manager_v1 *manager, wl_seat *seat) const;
    zwlr_data_control_source_v1 *createDataSource(zwlr_data_control_manager_v1 *manager) const;

    static const DataControlProtocol ext;
    static const DataControlProtocol wlroots;
    /// ext where `isOffered`, else wlroots' where offered; null when neither is.
    static const DataControlProtocol *preferred(const std::function<bool(const DataControlProtocol &)> &isOffered);
};
