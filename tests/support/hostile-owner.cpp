// hostile-owner MODE: owns the X11 CLIPBOARD and answers the way a broken or hostile program does.
//   endless-incr  text offered through an INCR transfer that never ends
//   stalled-text  lists its text but never answers for it; prints "text requested" when asked for it
//   wrong-type    answers the text targets with INTEGER data
//   fresh-atoms   offers 300 atoms never seen before with every change, and the text "change N";
//                 each line on standard input makes the next change
// Prints "ready" once it owns the clipboard; exits when another program takes it.

#include <xcb/xcb.h>

#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

xcb_connection_t *connection;

xcb_atom_t atom(const char *name)
{
    xcb_intern_atom_reply_t *reply
        = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

void notify(const xcb_selection_request_event_t *request, xcb_atom_t property)
{
    xcb_selection_notify_event_t event = {};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request->time;
    event.requestor = request->requestor;
    event.selection = request->selection;
    event.target = request->target;
    event.property = property;
    xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = atom("CLIPBOARD"), targets = atom("TARGETS"), utf8 = atom("UTF8_STRING"),
                     incr = atom("INCR");
    int change = 1;
    std::vector<xcb_atom_t> fresh;
    // Interns this change's atoms (in one batch) and takes the clipboard again.
    const auto makeChange = [&] {
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (int i = 0; mode == "fresh-atoms" && i < 300; ++i) {
            const std::string name
                = "quillbox-test-" + std::to_string(getpid()) + "-" + std::to_string(change) + "-" + std::to_string(i);
            cookies.push_back(xcb_intern_atom(connection, 0, name.size(), name.c_str()));
        }
        fresh.clear();
        for (const auto cookie : cookies) {
            xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
            fresh.push_back(reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE));
            std::free(reply);
        }
        xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
        xcb_flush(connection);
    };
    makeChange();
    std::printf("ready\n");
    std::fflush(stdout);

    // The endless transfers in progress: requestor window -> property.
    std::map<xcb_window_t, xcb_atom_t> transfers;
    const std::vector<char> chunk(1024 * 1024, 'x');
    pollfd inputs[] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        xcb_generic_event_t *event = xcb_poll_for_event(connection);
        if (!event) {
            if (xcb_connection_has_error(connection))
                return 1;
            poll(inputs, mode == "fresh-atoms" ? 2 : 1, -1);
            char line[64];
            if ((inputs[1].revents & POLLIN) && read(STDIN_FILENO, line, sizeof line) > 0) {
                ++change;
                makeChange();
            }
            continue;
        }
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR)
            return 0;
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            // Each chunk taken asks for the next one; this owner never sends the empty one that ends it.
            const auto transfer = transfers.find(change->window);
            if (transfer != transfers.end() && change->atom == transfer->second
                && change->state == XCB_PROPERTY_DELETE) {
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, change->window, transfer->second, utf8, 8,
                    chunk.size(), chunk.data());
                xcb_flush(connection);
            }
        } else if (type == XCB_SELECTION_REQUEST) {
            const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
            if (request->target == targets) {
                std::vector<xcb_atom_t> offered = {targets, utf8};
                offered.insert(offered.end(), fresh.begin(), fresh.end());
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                    XCB_ATOM_ATOM, 32, offered.size(), offered.data());
                notify(request, request->property);
            } else if (request->target == utf8 && mode == "stalled-text") {
                // Never answered.
                std::printf("text requested\n");
                std::fflush(stdout);
            } else if (request->target == utf8 && mode == "endless-incr") {
                const std::uint32_t size = 0x7fffffff;
                transfers[request->requestor] = request->property;
                const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(connection, request->requestor, XCB_CW_EVENT_MASK, &mask);
                xcb_change_property(
                    connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property, incr, 32, 1, &size);
                notify(request, request->property);
            } else if (request->target == utf8 && mode == "wrong-type") {
                const std::uint32_t numbers[] = {0x41424344, 0x45464748, 0x00010203};
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                    XCB_ATOM_INTEGER, 32, 3, numbers);
                notify(request, request->property);
            } else if (request->target == utf8) {
                const std::string text = mode == "fresh-atoms" ? "change " + std::to_string(change) : "hunter2";
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property, utf8, 8,
                    text.size(), text.data());
                notify(request, request->property);
            } else {
                notify(request, XCB_NONE);
            }
            xcb_flush(connection);
        }
        std::free(event);
    }
    return 0;
}
