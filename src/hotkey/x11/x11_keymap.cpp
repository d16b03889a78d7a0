// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11_keymap.h"

#include "hotkey/hotkey_log.h"

#include <xkbcommon/xkbcommon-x11.h>

#include <QByteArray>

namespace quillo::x11 {

X11Keymap::X11Keymap()
    : m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

X11Keymap::~X11Keymap() = default;

std::optional<QString> X11Keymap::text(xcb_connection_t* connection, xcb_keycode_t keycode) {
    if (!m_context)
        return std::nullopt;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0)
        return std::nullopt;
    const XkbKeymap keymap(
        xkb_x11_keymap_new_from_device(m_context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return std::nullopt;
    const XkbState serverState(xkb_x11_state_new_from_device(keymap.get(), connection, device));
    if (!serverState)
        return std::nullopt;
    // Only the server's current group is taken over: the text is the key's own, with no modifier held.
    const xkb_layout_index_t group =
        xkb_state_serialize_layout(serverState.get(), XKB_STATE_LAYOUT_EFFECTIVE);
    const XkbState plain(xkb_state_new(keymap.get()));
    if (!plain)
        return std::nullopt;
    xkb_state_update_mask(plain.get(), 0, 0, 0, 0, 0, group);
    const int size = xkb_state_key_get_utf8(plain.get(), keycode, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    QByteArray utf8(size + 1, '\0');
    xkb_state_key_get_utf8(plain.get(), keycode, utf8.data(), size_t(utf8.size()));
    utf8.truncate(size);
    qCDebug(lcHotKey) << "keycode" << keycode << "in group" << group << "types" << utf8;
    return QString::fromUtf8(utf8);
}

} // namespace quillo::x11
