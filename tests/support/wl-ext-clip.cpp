// wl-ext-clip: another program on the clipboard, speaking ext-data-control-v1 through its own bindings
// (none of Quillbox's code), so what Quillbox sets and reads over that protocol is checked by a client
// that shares none of its faults. The compositor is $WAYLAND_DISPLAY.
//   wl-ext-clip copy [--primary] [--stall] TYPE VALUE [TYPE VALUE ...]
//     sets the selection, prints "offered" and serves it until another program replaces it (exit 0);
//     with --stall it takes every request and never writes or closes it.
//   wl-ext-clip paste [--primary] [TYPE]
//     prints the selection's TYPE (text/plain;charset=utf-8 by default); exit 1 without a selection,
//     without that type, or when the source does not finish within 5 s.
#include <ext-data-control-v1-client.h>

#include <wayland-client.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Clipboard {
    wl_seat *seat = nullptr;
    ext_data_control_manager_v1 *manager = nullptr;
    std::map<ext_data_control_offer_v1 *, std::vector<std::string>> offers;
    ext_data_control_offer_v1 *selection = nullptr;
    ext_data_control_offer_v1 *primary = nullptr;
    std::map<std::string, std::string> formats;
    bool stall = false;
    std::vector<int> held;
    bool cancelled = false;
};

void global(void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t)
{
    auto *clipboard = static_cast<Clipboard *>(data);
    const std::string_view offered(interface);
    if (offered == wl_seat_interface.name && !clipboard->seat)
        clipboard->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (offered == ext_data_control_manager_v1_interface.name)
        clipboard->manager = static_cast<ext_data_control_manager_v1 *>(
            wl_registry_bind(registry, name, &ext_data_control_manager_v1_interface, 1));
}
void globalRemove(void *, wl_registry *, std::uint32_t) { }
const wl_registry_listener registryListener = {global, globalRemove};

void offerType(void *data, ext_data_control_offer_v1 *offer, const char *mimeType)
{
    static_cast<Clipboard *>(data)->offers[offer].emplace_back(mimeType);
}
const ext_data_control_offer_v1_listener offerListener = {offerType};

void dataOffer(void *data, ext_data_control_device_v1 *, ext_data_control_offer_v1 *offer)
{
    static_cast<Clipboard *>(data)->offers[offer];
    ext_data_control_offer_v1_add_listener(offer, &offerListener, data);
}
void selection(void *data, ext_data_control_device_v1 *, ext_data_control_offer_v1 *offer)
{
    static_cast<Clipboard *>(data)->selection = offer;
}
void primarySelection(void *data, ext_data_control_device_v1 *, ext_data_control_offer_v1 *offer)
{
    static_cast<Clipboard *>(data)->primary = offer;
}
void finished(void *, ext_data_control_device_v1 *) { }
const ext_data_control_device_v1_listener deviceListener = {dataOffer, selection, finished, primarySelection};

void send(void *data, ext_data_control_source_v1 *, const char *mimeType, std::int32_t fd)
{
    auto *clipboard = static_cast<Clipboard *>(data);
    if (clipboard->stall) {
        clipboard->held.push_back(fd);
        return;
    }
    const std::string &value = clipboard->formats[mimeType];
    ::fcntl(fd, F_SETFL, 0);
    for (std::size_t written = 0; written < value.size();) {
        const ssize_t count = ::write(fd, value.data() + written, value.size() - written);
        if (count <= 0)
            break;
        written += std::size_t(count);
    }
    ::close(fd);
}
void cancelled(void *data, ext_data_control_source_v1 *) { static_cast<Clipboard *>(data)->cancelled = true; }
const ext_data_control_source_v1_listener sourceListener = {send, cancelled};

int copy(wl_display *display, ext_data_control_device_v1 *device, Clipboard &clipboard, bool primary)
{
    ext_data_control_source_v1 *source = ext_data_control_manager_v1_create_data_source(clipboard.manager);
    ext_data_control_source_v1_add_listener(source, &sourceListener, &clipboard);
    for (const auto &[type, value] : clipboard.formats)
        ext_data_control_source_v1_offer(source, type.c_str());
    if (primary)
        ext_data_control_device_v1_set_primary_selection(device, source);
    else
        ext_data_control_device_v1_set_selection(device, source);
    if (wl_display_roundtrip(display) < 0)
        return 1;
    std::printf("offered\n");
    std::fflush(stdout);
    while (!clipboard.cancelled) {
        if (wl_display_dispatch(display) < 0)
            return 1;
    }
    return 0;
}

int paste(wl_display *display, const Clipboard &clipboard, bool primary, const std::string &type)
{
    ext_data_control_offer_v1 *offer = primary ? clipboard.primary : clipboard.selection;
    if (!offer)
        return 1;
    const std::vector<std::string> &types = clipboard.offers.at(offer);
    if (std::find(types.begin(), types.end(), type) == types.end())
        return 1;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return 1;
    ext_data_control_offer_v1_receive(offer, type.c_str(), pipe[1]);
    ::close(pipe[1]);
    if (wl_display_flush(display) < 0)
        return 1;
    std::string data;
    for (;;) {
        pollfd readable = {pipe[0], POLLIN, 0};
        if (::poll(&readable, 1, 5000) <= 0)
            return 1;
        char buffer[4096];
        const ssize_t count = ::read(pipe[0], buffer, sizeof buffer);
        if (count < 0)
            return 1;
        if (count == 0)
            break;
        data.append(buffer, std::size_t(count));
    }
    std::fwrite(data.data(), 1, data.size(), stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const std::string_view mode(argv[1]);
    Clipboard clipboard;
    bool primary = false;
    std::vector<std::string> arguments;
    for (int i = 2; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--primary")
            primary = true;
        else if (argument == "--stall")
            clipboard.stall = true;
        else
            arguments.emplace_back(argument);
    }
    if (mode == "copy") {
        if (arguments.empty() || arguments.size() % 2 != 0)
            return 2;
        for (std::size_t i = 0; i < arguments.size(); i += 2)
            clipboard.formats[arguments[i]] = arguments[i + 1];
    } else if (mode != "paste" || arguments.size() > 1) {
        return 2;
    }

    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &clipboard);
    if (wl_display_roundtrip(display) < 0 || !clipboard.seat || !clipboard.manager)
        return 1;
    ext_data_control_device_v1 *device = ext_data_control_manager_v1_get_data_device(clipboard.manager, clipboard.seat);
    ext_data_control_device_v1_add_listener(device, &deviceListener, &clipboard);
    // The device is told the current selections at once.
    if (wl_display_roundtrip(display) < 0)
        return 1;
    const int status = mode == "copy"
        ? copy(display, device, clipboard, primary)
        : paste(display, clipboard, primary, arguments.empty() ? "text/plain;charset=utf-8" : arguments[0]);
    wl_display_disconnect(display);
    return status;
}
