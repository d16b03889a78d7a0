// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkey_backend.h"

#include "session/desktop_session.h"

namespace quillo {

std::unique_ptr<HotKeyBackend> makeHotKeyBackend(Preferences& preferences) {
    if (!DesktopSession::isWayland())
        return x11::makeX11HotKeyBackend();
    // Quillo's windows usually run on Xwayland, whose keymap mirrors the compositor's: key names come from
    // there when Qt runs on it.
    auto portal = portal::makePortalHotKeyBackend(preferences, x11::makeX11HotKeyBackend());
    if (DesktopSession::isGnome())
        return gnome::makeGnomeHotKeyBackend(std::move(portal));
    return portal;
}

} // namespace quillo
