// clip-owner: takes the X11 CLIPBOARD with the given formats and serves them, for tests that need an
// owner whose behaviour they control.
//
//   clip-owner [--stall] FORMAT=TEXT | FORMAT=@FILE ...
//
// Prints "ready" once it owns the clipboard and "served FORMAT" for every request it answered. Exits
// when another client takes the clipboard, or on SIGTERM. With --stall it stops itself (SIGSTOP) right
// after taking the clipboard, before answering anything: a truly hung owner.

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Larger values are sent in chunks (INCR), as real owners do.
constexpr std::size_t chunkSize = 256 * 1024;

int signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char byte = 0;
    [[maybe_unused]] const auto written = write(signalPipe[1], &byte, 1);
}

struct Transfer {
    xcb_window_t requestor;
    xcb_atom_t property;
    xcb_atom_t type;
    const std::string *data;
    std::size_t offset;
};

class Owner {
public:
    explicit Owner(xcb_connection_t *connection)
        : m_connection(connection)
        , m_screen(xcb_setup_roots_iterator(xcb_get_setup(connection)).data)
    {
        m_clipboard = atom("CLIPBOARD");
        m_targets = atom("TARGETS");
        m_timestamp = atom("TIMESTAMP");
        m_incr = atom("INCR");
    }

    xcb_atom_t atom(const std::string &name)
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_connection,
                xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr),
            &std::free);
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    void add(const std::string &format, std::string data)
    {
        const xcb_atom_t target = atom(format);
        m_names[target] = format;
        m_formats[target] = std::move(data);
    }

    bool takeClipboard()
    {
        m_window = xcb_generate_id(m_connection);
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_screen->root, 0, 0, 1, 1, 0,
            XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        // A server timestamp for the ownership, from an empty property append.
        xcb_change_property(
            m_connection, XCB_PROP_MODE_APPEND, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(m_connection);
        while (xcb_generic_event_t *event = xcb_wait_for_event(m_connection)) {
            const bool found = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
            if (found)
                m_time = reinterpret_cast<xcb_property_notify_event_t *>(event)->time;
            std::free(event);
            if (found)
                break;
        }
        xcb_set_selection_owner(m_connection, m_window, m_clipboard, m_time);
        std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr),
            &std::free);
        return owner && owner->owner == m_window;
    }

    // Returns false once the clipboard is lost.
    bool handle(const xcb_generic_event_t *event)
    {
        switch (event->response_type & 0x7f) {
        case XCB_SELECTION_CLEAR:
            return false;
        case XCB_SELECTION_REQUEST:
            answer(*reinterpret_cast<const xcb_selection_request_event_t *>(event));
            break;
        case XCB_PROPERTY_NOTIFY:
            continueTransfer(*reinterpret_cast<const xcb_property_notify_event_t *>(event));
            break;
        default:
            break;
        }
        xcb_flush(m_connection);
        return true;
    }

private:
    void answer(const xcb_selection_request_event_t &request)
    {
        const xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
        bool served = true;
        if (request.target == m_targets) {
            std::vector<xcb_atom_t> atoms = {m_targets, m_timestamp};
            for (const auto &[target, data] : m_formats)
                atoms.push_back(target);
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                static_cast<std::uint32_t>(atoms.size()), atoms.data());
        } else if (request.target == m_timestamp) {
            xcb_change_property(
                m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER, 32, 1, &m_time);
        } else if (const auto it = m_formats.find(request.target); it != m_formats.end()) {
            const std::string &data = it->second;
            if (data.size() > chunkSize) {
                const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(m_connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
                const auto size = static_cast<std::uint32_t>(data.size());
                xcb_change_property(
                    m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, m_incr, 32, 1, &size);
                m_transfers.push_back({request.requestor, property, request.target, &data, 0});
            } else {
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, request.target, 8,
                    static_cast<std::uint32_t>(data.size()), data.data());
            }
            std::printf("served %s\n", m_names[request.target].c_str());
            std::fflush(stdout);
        } else {
            served = false;
        }

        xcb_selection_notify_event_t notify = {};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = served ? property : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        // SendEvent takes a full 32-byte event; the struct is shorter.
        char buffer[32] = {};
        std::memcpy(buffer, &notify, sizeof notify);
        xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, buffer);
    }

    void continueTransfer(const xcb_property_notify_event_t &event)
    {
        if (event.state != XCB_PROPERTY_DELETE)
            return;
        for (auto it = m_transfers.begin(); it != m_transfers.end(); ++it) {
            if (it->requestor != event.window || it->property != event.atom)
                continue;
            const std::size_t length = std::min(chunkSize, it->data->size() - it->offset);
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, it->requestor, it->property, it->type, 8,
                static_cast<std::uint32_t>(length), it->data->data() + it->offset);
            it->offset += length;
            if (length == 0) // the empty chunk that ends the transfer has just been written
                m_transfers.erase(it);
            return;
        }
    }

    xcb_connection_t *m_connection;
    xcb_screen_t *m_screen;
    xcb_window_t m_window = XCB_NONE;
    xcb_timestamp_t m_time = XCB_CURRENT_TIME;
    xcb_atom_t m_clipboard, m_targets, m_timestamp, m_incr;
    std::map<xcb_atom_t, std::string> m_formats;
    std::map<xcb_atom_t, std::string> m_names;
    std::list<Transfer> m_transfers;
};

} // namespace

int main(int argc, char **argv)
{
    bool stall = false;
    std::vector<std::pair<std::string, std::string>> formats;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--stall") {
            stall = true;
            continue;
        }
        const auto equals = arg.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::fprintf(stderr, "usage: clip-owner [--stall] FORMAT=TEXT|FORMAT=@FILE ...\n");
            return 2;
        }
        std::string value = arg.substr(equals + 1);
        if (!value.empty() && value[0] == '@') {
            std::ifstream file(value.substr(1), std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "clip-owner: cannot read %s\n", value.c_str() + 1);
                return 2;
            }
            value.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        formats.emplace_back(arg.substr(0, equals), std::move(value));
    }

    if (pipe(signalPipe) != 0)
        return 1;
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "clip-owner: cannot connect to the X server\n");
        return 1;
    }
    Owner owner(connection);
    for (auto &[format, data] : formats)
        owner.add(format, std::move(data));
    if (!owner.takeClipboard()) {
        std::fprintf(stderr, "clip-owner: cannot take the clipboard\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (stall)
        raise(SIGSTOP);

    pollfd fds[] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            const bool keep = owner.handle(event);
            std::free(event);
            if (!keep) {
                xcb_disconnect(connection);
                return 0;
            }
        }
        if (xcb_connection_has_error(connection))
            return 1;
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents & POLLIN)
            break;
    }
    xcb_disconnect(connection);
    return 0;
}
