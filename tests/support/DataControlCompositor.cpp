#include "DataControlCompositor.h"

#include <ext-data-control-v1-server.h>
#include <wlr-data-control-unstable-v1-server.h>

#include <wayland-server.h>

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <atomic>
#include <string>
#include <vector>

namespace {

// The interfaces of one data-control protocol. The two protocols differ in names only, so the same
// handlers serve both and their events are sent through the ext functions.
struct Protocol {
    const wl_interface *manager;
    const wl_interface *device;
    const wl_interface *source;
    const wl_interface *offer;
    int version;
    int primarySince;
};

const Protocol extProtocol{&ext_data_control_manager_v1_interface, &ext_data_control_device_v1_interface,
    &ext_data_control_source_v1_interface, &ext_data_control_offer_v1_interface, 1, 1};
const Protocol wlrProtocol{&zwlr_data_control_manager_v1_interface, &zwlr_data_control_device_v1_interface,
    &zwlr_data_control_source_v1_interface, &zwlr_data_control_offer_v1_interface, 2, 2};

struct Source {
    DataControlCompositor::Seat *seat;
    wl_resource *resource = nullptr;
    std::vector<std::string> mimeTypes;
    bool used = false;
};

struct Offer {
    DataControlCompositor::Seat *seat;
    wl_resource *resource = nullptr;
    // Null once the source is gone: a request then gets nothing, its descriptor closed.
    Source *source = nullptr;
};

struct Device {
    DataControlCompositor::Seat *seat;
    const Protocol *protocol;
    wl_resource *resource = nullptr;
};

struct Manager {
    DataControlCompositor::Seat *seat;
    const Protocol *protocol;
};

template <typename T> T *of(wl_resource *resource)
{
    return static_cast<T *>(wl_resource_get_user_data(resource));
}

} // namespace

struct DataControlCompositor::Seat {
    Manager ext{this, &extProtocol};
    Manager wlr{this, &wlrProtocol};
    std::vector<Device *> devices;
    std::vector<Offer *> offers;
    Source *selection = nullptr;
    Source *primary = nullptr;
    // Teardown destroys every client's objects: nobody is left to tell.
    std::atomic<bool> closing = false;

    mutable std::mutex mutex;
    QStringList deviceInterfaces;

    void offerTo(Device *device, Source *source, bool primary)
    {
        if (primary && wl_resource_get_version(device->resource) < device->protocol->primarySince)
            return;
        wl_resource *offer = nullptr;
        if (source) {
            offer = wl_resource_create(wl_resource_get_client(device->resource), device->protocol->offer,
                wl_resource_get_version(device->resource), 0);
            auto *state = new Offer{this, offer, source};
            offers.push_back(state);
            wl_resource_set_implementation(offer, &offerImplementation, state, destroyOffer);
            ext_data_control_device_v1_send_data_offer(device->resource, offer);
            for (const std::string &mimeType : source->mimeTypes)
                ext_data_control_offer_v1_send_offer(offer, mimeType.c_str());
        }
        if (primary)
            ext_data_control_device_v1_send_primary_selection(device->resource, offer);
        else
            ext_data_control_device_v1_send_selection(device->resource, offer);
    }

    void select(Source *source, bool primary)
    {
        Source *&current = primary ? this->primary : selection;
        Source *replaced = std::exchange(current, source);
        if (replaced && replaced != source)
            ext_data_control_source_v1_send_cancelled(replaced->resource);
        for (Device *device : devices)
            offerTo(device, source, primary);
    }

    void forget(Source *source)
    {
        for (Offer *offer : offers) {
            if (offer->source == source)
                offer->source = nullptr;
        }
        if (closing)
            return;
        if (selection == source)
            select(nullptr, false);
        if (primary == source)
            select(nullptr, true);
    }

    static void destroyResource(wl_client *, wl_resource *resource) { wl_resource_destroy(resource); }

    static void createDataSource(wl_client *client, wl_resource *resource, std::uint32_t id)
    {
        Manager *manager = of<Manager>(resource);
        wl_resource *source
            = wl_resource_create(client, manager->protocol->source, wl_resource_get_version(resource), id);
        wl_resource_set_implementation(
            source, &sourceImplementation, new Source{manager->seat, source, {}, false}, destroySource);
    }
    static void getDataDevice(wl_client *client, wl_resource *resource, std::uint32_t id, wl_resource *)
    {
        Manager *manager = of<Manager>(resource);
        Seat *seat = manager->seat;
        wl_resource *device
            = wl_resource_create(client, manager->protocol->device, wl_resource_get_version(resource), id);
        auto *state = new Device{seat, manager->protocol, device};
        wl_resource_set_implementation(device, &deviceImplementation, state, destroyDevice);
        seat->devices.push_back(state);
        {
            const std::lock_guard lock(seat->mutex);
            seat->deviceInterfaces.append(QString::fromLatin1(manager->protocol->device->name));
        }
        seat->offerTo(state, seat->selection, false);
        seat->offerTo(state, seat->primary, true);
    }
    static void setSelection(wl_client *, wl_resource *resource, wl_resource *source, bool primary)
    {
        Source *state = source ? of<Source>(source) : nullptr;
        if (state && std::exchange(state->used, true)) {
            wl_resource_post_error(
                resource, EXT_DATA_CONTROL_DEVICE_V1_ERROR_USED_SOURCE, "the source was already used");
            return;
        }
        of<Device>(resource)->seat->select(state, primary);
    }
    static void setClipboard(wl_client *client, wl_resource *resource, wl_resource *source)
    {
        setSelection(client, resource, source, false);
    }
    static void setPrimary(wl_client *client, wl_resource *resource, wl_resource *source)
    {
        setSelection(client, resource, source, true);
    }
    static void addMimeType(wl_client *, wl_resource *resource, const char *mimeType)
    {
        of<Source>(resource)->mimeTypes.emplace_back(mimeType);
    }
    static void receive(wl_client *, wl_resource *resource, const char *mimeType, std::int32_t fd)
    {
        // The event carries a duplicate of the descriptor.
        if (Source *source = of<Offer>(resource)->source)
            ext_data_control_source_v1_send_send(source->resource, mimeType, fd);
        ::close(fd);
    }

    static void destroyDevice(wl_resource *resource)
    {
        auto *device = of<Device>(resource);
        std::erase(device->seat->devices, device);
        delete device;
    }
    static void destroySource(wl_resource *resource)
    {
        auto *source = of<Source>(resource);
        source->seat->forget(source);
        delete source;
    }
    static void destroyOffer(wl_resource *resource)
    {
        auto *offer = of<Offer>(resource);
        std::erase(offer->seat->offers, offer);
        delete offer;
    }

    static void bindManager(wl_client *client, void *data, std::uint32_t version, std::uint32_t id)
    {
        auto *manager = static_cast<Manager *>(data);
        wl_resource *resource = wl_resource_create(client, manager->protocol->manager, int(version), id);
        wl_resource_set_implementation(resource, &managerImplementation, manager, nullptr);
    }
    static void bindSeat(wl_client *client, void *data, std::uint32_t version, std::uint32_t id)
    {
        wl_resource *resource = wl_resource_create(client, &wl_seat_interface, int(version), id);
        // No input devices: the clients here only name the seat.
        wl_resource_set_implementation(resource, &seatImplementation, data, nullptr);
        wl_seat_send_capabilities(resource, 0);
    }

    static constexpr struct ext_data_control_manager_v1_interface managerImplementation
        = {.create_data_source = createDataSource, .get_data_device = getDataDevice, .destroy = destroyResource};
    static constexpr struct ext_data_control_device_v1_interface deviceImplementation
        = {.set_selection = setClipboard, .destroy = destroyResource, .set_primary_selection = setPrimary};
    static constexpr struct ext_data_control_source_v1_interface sourceImplementation
        = {.offer = addMimeType, .destroy = destroyResource};
    static constexpr struct ext_data_control_offer_v1_interface offerImplementation
        = {.receive = receive, .destroy = destroyResource};
    static constexpr struct wl_seat_interface seatImplementation
        = {.get_pointer = nullptr, .get_keyboard = nullptr, .get_touch = nullptr, .release = destroyResource};
};

DataControlCompositor::DataControlCompositor(bool offerWlroots)
    : m_seat(std::make_unique<Seat>())
{
    wl_display *display = m_compositor.display();
    wl_global_create(display, &wl_seat_interface, 1, m_seat.get(), Seat::bindSeat);
    wl_global_create(display, extProtocol.manager, extProtocol.version, &m_seat->ext, Seat::bindManager);
    if (offerWlroots)
        wl_global_create(display, wlrProtocol.manager, wlrProtocol.version, &m_seat->wlr, Seat::bindManager);
    m_compositor.serve();
}

DataControlCompositor::~DataControlCompositor()
{
    m_seat->closing = true;
    m_compositor.stop();
}

QStringList DataControlCompositor::devices() const
{
    const std::lock_guard lock(m_seat->mutex);
    return m_seat->deviceInterfaces;
}
