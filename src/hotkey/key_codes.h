// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>

namespace quillo {

/// The stored key code of a physical key and its Linux evdev code, both ways. A stored code is the Mac
/// virtual key code of the key at the same place, so that preferences read the same everywhere; a key the
/// table does not know is stored as kUntabledBase + its evdev code, so that every key can be recorded.
class KeyCodes final {
public:
    KeyCodes() = delete;

    /// What the X server and XKB add to a key's evdev code to make their keycode.
    static constexpr quint32 kEvdevOffset = 8;

    static constexpr quint32 kUntabledBase = 65536;
    static constexpr quint32 kLargestEvdevCode = 0x2ff; ///< KEY_MAX of the Linux input layer.

    /// The evdev code of a stored key code; nothing for a code that names no physical key.
    static std::optional<quint32> evdevCode(quint32 keyCode);
    /// The stored key code of a physical key; nothing for an evdev code beyond kLargestEvdevCode.
    static std::optional<quint32> keyCode(quint32 evdevCode);
    /// Modifier keys (Shift, Control, Alt, Super, Caps Lock) never become a shortcut's key on their own.
    static bool isModifierKey(quint32 keyCode);
};

} // namespace quillo
