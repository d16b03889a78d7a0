#include "hotkey_backend.h"

#include "app/desktop_session.h"
#include "storage/preferences.h"

namespace quillo {

std::unique_ptr<HotKeyBackend> makeHotKeyBackend() {
    if (!DesktopSession::isWayland())
        return x11::makeX11HotKeyBackend();
    // Quillo's windows usually run on Xwayland, whose keymap mirrors the compositor's: key names come from
    // there when Qt runs on it.
    return portal::makePortalHotKeyBackend(Preferences::shared(), x11::makeX11HotKeyBackend());
}

} // namespace quillo
