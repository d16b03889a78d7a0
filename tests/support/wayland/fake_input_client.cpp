#include "fake_input_client.h"

#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>

namespace quillo::test {
namespace {

// keyboard_key arrived in version 4; nothing newer exists.
constexpr std::uint32_t kNeededVersion = 4;

} // namespace

FakeInputClient::~FakeInputClient() {
    if (m_fakeInput)
        org_kde_kwin_fake_input_destroy(m_fakeInput);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void FakeInputClient::onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                               std::uint32_t version) {
    auto* self = static_cast<FakeInputClient*>(data);
    if (std::string(interface) != org_kde_kwin_fake_input_interface.name || self->m_fakeInput)
        return;
    self->m_version = std::min(version, kNeededVersion);
    self->m_fakeInput = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, self->m_version));
}

void FakeInputClient::onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

bool FakeInputClient::connect(std::string& error) {
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        error = "cannot connect to the Wayland display (is WAYLAND_DISPLAY set?)";
        return false;
    }
    static const wl_registry_listener listener{&FakeInputClient::onGlobal, &FakeInputClient::onGlobalRemove};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &listener, this);
    if (wl_display_roundtrip(m_display) < 0) {
        error = "the Wayland connection broke while listing the compositor's globals";
        return false;
    }
    if (!m_fakeInput) {
        error = "the compositor does not offer org_kde_kwin_fake_input to this executable "
                "(KWin grants it through a desktop file with X-KDE-Wayland-Interfaces naming it)";
        return false;
    }
    if (m_version < kNeededVersion) {
        error = "the compositor's org_kde_kwin_fake_input is too old for key presses";
        return false;
    }
    org_kde_kwin_fake_input_authenticate(m_fakeInput, "Quillo tests", "Presses keys in automated tests");
    return sync();
}

void FakeInputClient::key(std::uint32_t evdevCode, bool pressed) {
    org_kde_kwin_fake_input_keyboard_key(m_fakeInput, evdevCode, pressed ? 1 : 0);
}

void FakeInputClient::moveTo(double x, double y) {
    org_kde_kwin_fake_input_pointer_motion_absolute(m_fakeInput, wl_fixed_from_double(x),
                                                    wl_fixed_from_double(y));
}

void FakeInputClient::button(std::uint32_t evdevButton, bool pressed) {
    org_kde_kwin_fake_input_button(m_fakeInput, evdevButton,
                                   pressed ? WL_POINTER_BUTTON_STATE_PRESSED
                                           : WL_POINTER_BUTTON_STATE_RELEASED);
}

bool FakeInputClient::sync() {
    return wl_display_roundtrip(m_display) >= 0;
}

} // namespace quillo::test
