// quillo-fake-input: real key presses and clicks on a KWin Wayland session, for tests.
//
//   quillo-fake-input ACTION...
//     key CODE[+CODE...]   press the keys in order, release them in reverse (125+1 is Super+Escape)
//     type TEXT            type printable ASCII text on a US layout
//     click X Y            move the pointer to X, Y (logical pixels) and click the left button
//
// Codes are evdev key codes (linux/input-event-codes.h). KWin offers its fake-input protocol only to an
// executable named by a desktop file with X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input (written by
// scripts/test-wayland-desktop). Exits 0 once the compositor has handled every event.

#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kLeftShift = 42;
constexpr std::uint32_t kLeftButton = 0x110;

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

// Each step waits for the compositor, so that the receiving client sees every press and release in turn.
bool chord(const std::vector<std::uint32_t>& codes) {
    for (std::uint32_t code : codes)
        org_kde_kwin_fake_input_keyboard_key(input, code, 1);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        org_kde_kwin_fake_input_keyboard_key(input, *code, 0);
    return wl_display_roundtrip(display) >= 0;
}

// The keys of a US layout that type a character: evdev code, with Shift or not. Nothing for other characters.
std::vector<std::uint32_t> keysFor(char character) {
    static const struct {
        const char* plain;
        const char* shifted;
        std::uint32_t firstCode;
    } rows[] = {{"1234567890-=", "!@#$%^&*()_+", 2},
                {"qwertyuiop[]", "QWERTYUIOP{}", 16},
                {"asdfghjkl;'`", "ASDFGHJKL:\"~", 30},
                {"\\zxcvbnm,./", "|ZXCVBNM<>?", 43}};
    if (character == ' ')
        return {57};
    for (const auto& row : rows) {
        if (const char* at = std::strchr(row.plain, character); at)
            return {row.firstCode + std::uint32_t(at - row.plain)};
        if (const char* at = std::strchr(row.shifted, character); at)
            return {kLeftShift, row.firstCode + std::uint32_t(at - row.shifted)};
    }
    return {};
}

bool number(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return *text && !*end;
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

    for (int i = 1; i < argc; ++i) {
        const std::string action = argv[i];
        const int operands = action == "click" ? 2 : 1;
        if (i + operands >= argc)
            return fail("usage: quillo-fake-input (key CODE[+CODE...] | type TEXT | click X Y)...");
        bool ok = true;
        if (action == "key") {
            std::vector<std::uint32_t> codes;
            for (char* part = std::strtok(argv[++i], "+"); part; part = std::strtok(nullptr, "+"))
                codes.push_back(std::uint32_t(std::strtoul(part, nullptr, 10)));
            if (codes.empty() || std::count(codes.begin(), codes.end(), 0u))
                return fail("key wants evdev codes joined by +");
            ok = chord(codes);
        } else if (action == "type") {
            for (const char* c = argv[++i]; *c && ok; ++c) {
                const std::vector<std::uint32_t> keys = keysFor(*c);
                if (keys.empty())
                    return fail("cannot type a character outside printable ASCII");
                ok = chord(keys);
            }
        } else if (double x = 0, y = 0;
                   action == "click" && number(argv[i + 1], x) && number(argv[i + 2], y)) {
            i += 2;
            org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_double(x),
                                                            wl_fixed_from_double(y));
            org_kde_kwin_fake_input_button(input, kLeftButton, WL_POINTER_BUTTON_STATE_PRESSED);
            org_kde_kwin_fake_input_button(input, kLeftButton, WL_POINTER_BUTTON_STATE_RELEASED);
            ok = wl_display_roundtrip(display) >= 0;
        } else {
            return fail("unknown action or bad coordinates");
        }
        if (!ok)
            return fail("the Wayland connection broke");
    }
    org_kde_kwin_fake_input_destroy(input);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
