// SPDX-License-Identifier: GPL-3.0-or-later
// quillo-fake-input (key CODE[+CODE...] | type TEXT | click X Y)... | hold: real key presses and clicks on a
// KWin Wayland session, for tests. A chord of evdev key codes (125+1 is Super+Escape) is pressed in order and
// released in reverse; TEXT is printable ASCII, typed on a US layout; a click is the left button at X, Y in
// logical pixels. KWin offers its fake-input protocol only to an executable named by a desktop file with
// X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input (scripts/test-wayland-desktop writes one). Exits 0 once
// the compositor has handled every event. `hold` stays connected until it is ended: KWin 6 makes an input
// device of each connection, and this one stands for the mouse and keyboard a desktop always has.

#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

namespace {

wl_display* display = nullptr;
org_kde_kwin_fake_input* input = nullptr;

void onGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    // keyboard_key came with version 4, the newest there is.
    if (!input && version >= 4 && std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        input = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

int fail(const char* why) {
    std::fprintf(stderr, "quillo-fake-input: %s\n", why);
    return 1;
}

// Waits for the compositor after each chord, so that the receiving client sees every press and release in
// turn.
bool chord(const std::vector<std::uint32_t>& codes) {
    for (std::uint32_t code : codes)
        org_kde_kwin_fake_input_keyboard_key(input, code, 1);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        org_kde_kwin_fake_input_keyboard_key(input, *code, 0);
    return wl_display_roundtrip(display) >= 0;
}

// The keys that type a character on a US layout: its key's evdev code, after Shift (42) if it needs it.
std::vector<std::uint32_t> keysFor(char character) {
    static constexpr std::string_view kRows[][2] = {{"1234567890-=", "!@#$%^&*()_+"},
                                                    {"qwertyuiop[]", "QWERTYUIOP{}"},
                                                    {"asdfghjkl;'`", "ASDFGHJKL:\"~"},
                                                    {"\\zxcvbnm,./", "|ZXCVBNM<>?"}};
    static constexpr std::uint32_t kFirstCodes[] = {2, 16, 30, 43};
    if (character == ' ')
        return {57};
    for (int row = 0; row < 4; ++row)
        for (int shift = 0; shift < 2; ++shift)
            if (const auto at = kRows[row][shift].find(character); at != std::string_view::npos)
                return shift ? std::vector<std::uint32_t>{42, kFirstCodes[row] + std::uint32_t(at)}
                             : std::vector<std::uint32_t>{kFirstCodes[row] + std::uint32_t(at)};
    return {};
}

} // namespace

int main(int argc, char** argv) {
    display = wl_display_connect(nullptr);
    if (!display)
        return fail("cannot connect to the Wayland display (WAYLAND_DISPLAY)");
    static const wl_registry_listener listener{onGlobal, onGlobalRemove};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, nullptr);
    if (wl_display_roundtrip(display) < 0 || !input)
        return fail("the compositor offers no org_kde_kwin_fake_input (version 4) to this executable");
    org_kde_kwin_fake_input_authenticate(input, "Quillo tests", "Presses keys in automated tests");

    if (argc == 2 && std::string_view(argv[1]) == "hold") {
        while (wl_display_dispatch(display) >= 0) {
        }
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view action = argv[i];
        if (i + (action == "click" ? 2 : 1) >= argc)
            return fail("usage: quillo-fake-input (key CODE[+CODE...] | type TEXT | click X Y)...");
        std::vector<std::vector<std::uint32_t>> chords;
        if (action == "key") {
            chords.emplace_back();
            for (char* code = std::strtok(argv[++i], "+"); code; code = std::strtok(nullptr, "+"))
                chords.back().push_back(std::uint32_t(std::atoi(code)));
        } else if (action == "type") {
            for (const char* c = argv[++i]; *c; ++c)
                chords.push_back(keysFor(*c));
        } else if (action == "click") {
            org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_int(std::atoi(argv[i + 1])),
                                                            wl_fixed_from_int(std::atoi(argv[i + 2])));
            i += 2;
            org_kde_kwin_fake_input_button(input, 0x110, WL_POINTER_BUTTON_STATE_PRESSED); // BTN_LEFT
            org_kde_kwin_fake_input_button(input, 0x110, WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            return fail("unknown action");
        }
        for (const auto& keys : chords)
            if (keys.empty() || std::count(keys.begin(), keys.end(), 0u))
                return fail("a key code that is not one, or a character outside printable ASCII");
        for (const auto& keys : chords)
            if (!chord(keys))
                return fail("the Wayland connection broke");
        if (wl_display_roundtrip(display) < 0)
            return fail("the Wayland connection broke");
    }
    org_kde_kwin_fake_input_destroy(input);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
