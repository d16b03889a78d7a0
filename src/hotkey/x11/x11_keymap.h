// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkey/xkb_handles.h"

#include <QString>

#include <xcb/xcb.h>

#include <optional>

namespace quillo::x11 {

/// The keyboard's layouts as the X server holds them, read through xkbcommon.
class X11Keymap final {
public:
    X11Keymap();
    ~X11Keymap();
    X11Keymap(const X11Keymap&) = delete;
    X11Keymap& operator=(const X11Keymap&) = delete;

    /// The UTF-8 text of the key pressed with no modifiers in the keyboard's current layout group, read from
    /// the server now, so that a layout switch is followed. Nothing when the key types no text.
    std::optional<QString> text(xcb_connection_t* connection, xcb_keycode_t keycode);

private:
    XkbContext m_context;
};

} // namespace quillo::x11
