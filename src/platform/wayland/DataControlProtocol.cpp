#include "DataControlProtocol.h"

#include <ext-data-control-v1-client.h>
#include <wlr-data-control-unstable-v1-client.h>

#include <cstddef>

// The wlroots bindings send every request by its opcode and dispatch every event by its place in the
// listener; both must mean the same in the two protocols.
static_assert(EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE == ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_DESTROY == ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION == ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_DESTROY == ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION == ZWLR_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_OFFER == ZWLR_DATA_CONTROL_SOURCE_V1_OFFER);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_DESTROY == ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_OFFER_V1_RECEIVE == ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE);
static_assert(EXT_DATA_CONTROL_OFFER_V1_DESTROY == ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);
static_assert(sizeof(ext_data_control_device_v1_listener) == sizeof(zwlr_data_control_device_v1_listener));
static_assert(offsetof(ext_data_control_device_v1_listener, data_offer)
    == offsetof(zwlr_data_control_device_v1_listener, data_offer));
static_assert(offsetof(ext_data_control_device_v1_listener, selection)
    == offsetof(zwlr_data_control_device_v1_listener, selection));
static_assert(offsetof(ext_data_control_device_v1_listener, finished)
    == offsetof(zwlr_data_control_device_v1_listener, finished));
static_assert(offsetof(ext_data_control_device_v1_listener, primary_selection)
    == offsetof(zwlr_data_control_device_v1_listener, primary_selection));
static_assert(sizeof(ext_data_control_source_v1_listener) == sizeof(zwlr_data_control_source_v1_listener));
static_assert(offsetof(ext_data_control_source_v1_listener, send)
    == offsetof(zwlr_data_control_source_v1_listener, send));
static_assert(offsetof(ext_data_control_source_v1_listener, cancelled)
    == offsetof(zwlr_data_control_source_v1_listener, cancelled));
static_assert(sizeof(ext_data_control_offer_v1_listener) == sizeof(zwlr_data_control_offer_v1_listener));

const DataControlProtocol DataControlProtocol::ext = {"ext-data-control-v1", &ext_data_control_manager_v1_interface,
    &ext_data_control_device_v1_interface, &ext_data_control_source_v1_interface, 1, 1};
const DataControlProtocol DataControlProtocol::wlroots = {"wlr-data-control-unstable-v1",
    &zwlr_data_control_manager_v1_interface, &zwlr_data_control_device_v1_interface,
    &zwlr_data_control_source_v1_interface, 2, 2};

const char *DataControlProtocol::managerInterface() const
{
    return manager->name;
}

// What the bindings' inline functions do, with this protocol's interface for the new object.
zwlr_data_control_device_v1 *DataControlProtocol::getDataDevice(
    zwlr_data_control_manager_v1 *manager, wl_seat *seat) const
{
    auto *proxy = reinterpret_cast<wl_proxy *>(manager);
    return reinterpret_cast<zwlr_data_control_device_v1 *>(wl_proxy_marshal_flags(
        proxy, ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE, device, wl_proxy_get_version(proxy), 0, nullptr, seat));
}

zwlr_data_control_source_v1 *DataControlProtocol::createDataSource(zwlr_data_control_manager_v1 *manager) const
{
    auto *proxy = reinterpret_cast<wl_proxy *>(manager);
    return reinterpret_cast<zwlr_data_control_source_v1 *>(wl_proxy_marshal_flags(
        proxy, ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE, source, wl_proxy_get_version(proxy), 0, nullptr));
}

const DataControlProtocol *DataControlProtocol::preferred(
    const std::function<bool(const DataControlProtocol &)> &isOffered)
{
    for (const DataControlProtocol *protocol : {&ext, &wlroots}) {
        if (isOffered(*protocol))
            return protocol;
    }
    return nullptr;
}
