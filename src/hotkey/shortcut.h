#pragma once

#include <QtGlobal>

namespace quillo {

/// A global shortcut as the preferences keep it: the physical key's stored code (see KeyCodes) and the
/// modifiers as a Carbon mask. Any combination is valid, none at all included.
struct Shortcut final {
    static constexpr quint32 kCommand = 256; ///< Super on Linux.
    static constexpr quint32 kShift = 512;
    static constexpr quint32 kOption = 2048; ///< Alt on Linux.
    static constexpr quint32 kControl = 4096;

    static constexpr quint32 kDefaultKeyCode = 53; ///< Escape.
    static constexpr quint32 kDefaultModifiers = kCommand;

    quint32 keyCode = kDefaultKeyCode;
    quint32 carbonModifiers = kDefaultModifiers;

    friend bool operator==(const Shortcut&, const Shortcut&) = default;
};

} // namespace quillo
