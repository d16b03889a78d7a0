// Another X client for the desktop tests, in a process of its own, as a second program on a user's desktop
// would be. Commands:
//   grab KEYCODE MASK...    grabs the key on the root window with each modifier mask; prints "grabbed", or
//                           "refused" (keeping nothing); holds the grabs until standard input closes
//   window NAME             maps a focusable window with this name; prints "window ID", then "key KEYCODE
//   STATE"
//                           for every key press it receives, until standard input closes
//   move-modifier INDEX KEYSYM...  moves the keys with these keysyms (numbers, such as 0xffeb for Super_L) to
//                           modifier INDEX (0 Shift .. 7 Mod5), or off every modifier for 8; prints "done"
//   lock-group GROUP        locks the keyboard's layout group; prints "done"
#include <xcb/xcb.h>
// xkb.h names a struct member "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_screen_t* screenOf(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Serves X events until standard input closes (the test is done with this client or has gone away).
template <typename Handler>
void serveUntilStdinCloses(xcb_connection_t* connection, Handler onEvent) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {xcb_get_file_descriptor(connection), POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            onEvent(event);
            std::free(event);
        }
        if (xcb_connection_has_error(connection))
            return;
        if (poll(fds, 2, -1) < 0)
            return;
        if (fds[0].revents) {
            char buffer[64];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
                return;
        }
    }
}

int grab(xcb_connection_t* connection, xcb_keycode_t keycode, const std::vector<uint16_t>& masks) {
    const xcb_window_t root = screenOf(connection)->root;
    bool refused = false;
    for (uint16_t mask : masks) {
        xcb_void_cookie_t cookie = xcb_grab_key_checked(connection, 0, root, mask, keycode,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            std::free(error);
            refused = true;
        }
    }
    if (refused) {
        for (uint16_t mask : masks)
            xcb_ungrab_key(connection, keycode, root, mask);
        xcb_flush(connection);
    }
    say(refused ? "refused" : "grabbed");
    serveUntilStdinCloses(connection, [](xcb_generic_event_t*) {});
    return 0;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, strlen(name), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

int window(xcb_connection_t* connection, const std::string& name) {
    xcb_screen_t* screen = screenOf(connection);
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_FOCUS_CHANGE};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 300, 300, 300, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        name.size(), name.data());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "_NET_WM_NAME"),
                        atom(connection, "UTF8_STRING"), 8, name.size(), name.data());
    // WM_HINTS with the input flag set: this window wants the keyboard focus.
    const uint32_t hints[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        9, hints);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    say("window " + std::to_string(window));
    serveUntilStdinCloses(connection, [](xcb_generic_event_t* event) {
        if ((event->response_type & ~0x80) == XCB_KEY_PRESS) {
            const auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
            say("key " + std::to_string(press->detail) + " " + std::to_string(press->state));
        }
    });
    return 0;
}

int moveModifier(xcb_connection_t* connection, int index, const std::vector<xcb_keysym_t>& wanted) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* keyboard = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, count), nullptr);
    xcb_get_modifier_mapping_reply_t* modifiers =
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    if (!keyboard || !modifiers)
        return 1;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(keyboard);
    std::vector<xcb_keycode_t> moved;
    for (int key = 0; key < count; ++key)
        for (int level = 0; level < keyboard->keysyms_per_keycode; ++level) {
            const xcb_keysym_t keysym = keysyms[key * keyboard->keysyms_per_keycode + level];
            if (std::find(wanted.begin(), wanted.end(), keysym) != wanted.end()) {
                moved.push_back(xcb_keycode_t(setup->min_keycode + key));
                break;
            }
        }
    // Rebuild the table: the keys leave every modifier and join the one asked for.
    const int perModifier = modifiers->keycodes_per_modifier;
    const xcb_keycode_t* old = xcb_get_modifier_mapping_keycodes(modifiers);
    std::vector<std::vector<xcb_keycode_t>> rows(8);
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t key = old[modifier * perModifier + i];
            if (key && std::find(moved.begin(), moved.end(), key) == moved.end())
                rows[modifier].push_back(key);
        }
    if (index < 8)
        rows[index].insert(rows[index].end(), moved.begin(), moved.end());
    size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.size());
    std::vector<xcb_keycode_t> table(8 * width, 0);
    for (int modifier = 0; modifier < 8; ++modifier)
        for (size_t i = 0; i < rows[modifier].size(); ++i)
            table[modifier * width + i] = rows[modifier][i];
    xcb_set_modifier_mapping_reply_t* reply = xcb_set_modifier_mapping_reply(
        connection, xcb_set_modifier_mapping(connection, uint8_t(width), table.data()), nullptr);
    const bool ok = reply && reply->status == XCB_MAPPING_STATUS_SUCCESS;
    std::free(reply);
    std::free(keyboard);
    std::free(modifiers);
    say(ok ? "done" : "failed");
    return ok ? 0 : 1;
}

int lockGroup(xcb_connection_t* connection, int group) {
    xcb_xkb_use_extension_reply_t* use =
        xcb_xkb_use_extension_reply(connection, xcb_xkb_use_extension(connection, 1, 0), nullptr);
    const bool supported = use && use->supported;
    std::free(use);
    if (!supported)
        return 1;
    xcb_void_cookie_t cookie = xcb_xkb_latch_lock_state_checked(connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1,
                                                                uint8_t(group), 0, 0, 0);
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    std::free(error);
    say(error ? "failed" : "done");
    return error ? 1 : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3)
        return 2;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 3;
    const std::string command = argv[1];
    int status = 2;
    if (command == "grab") {
        std::vector<uint16_t> masks;
        for (int i = 3; i < argc; ++i)
            masks.push_back(uint16_t(std::strtoul(argv[i], nullptr, 0)));
        status = grab(connection, xcb_keycode_t(std::strtoul(argv[2], nullptr, 0)), masks);
    } else if (command == "window") {
        status = window(connection, argv[2]);
    } else if (command == "move-modifier") {
        std::vector<xcb_keysym_t> keysyms;
        for (int i = 3; i < argc; ++i)
            keysyms.push_back(xcb_keysym_t(std::strtoul(argv[i], nullptr, 0)));
        status = moveModifier(connection, std::atoi(argv[2]), keysyms);
    } else if (command == "lock-group") {
        status = lockGroup(connection, std::atoi(argv[2]));
    }
    xcb_disconnect(connection);
    return status;
}
