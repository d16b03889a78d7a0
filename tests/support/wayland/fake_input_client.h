#pragma once

#include <cstdint>
#include <string>

struct wl_display;
struct wl_registry;
struct org_kde_kwin_fake_input;

namespace quillo::test {

/// A connection to the compositor through which KWin's fake-input protocol sends key presses and pointer
/// events as if they came from real devices. KWin offers the protocol only to executables a desktop file
/// grants it to (scripts/test-wayland-desktop writes one).
class FakeInputClient final {
public:
    FakeInputClient() = default;
    ~FakeInputClient();
    FakeInputClient(const FakeInputClient&) = delete;
    FakeInputClient& operator=(const FakeInputClient&) = delete;

    /// Connects to $WAYLAND_DISPLAY, binds the protocol and authenticates; on failure says why in error.
    bool connect(std::string& error);
    void key(std::uint32_t evdevCode, bool pressed); ///< Codes from linux/input-event-codes.h.
    void moveTo(double x, double y);                 ///< Absolute, in the compositor's logical pixels.
    void button(std::uint32_t evdevButton, bool pressed);
    /// Waits until the compositor has handled everything sent so far; false if the connection broke.
    bool sync();

private:
    static void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                         std::uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    org_kde_kwin_fake_input* m_fakeInput = nullptr;
    std::uint32_t m_version = 0;
};

} // namespace quillo::test
