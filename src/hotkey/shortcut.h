// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qt>
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
    /// GNOME keeps Super+Escape for itself (it gives back shortcuts a program inhibited): Control+Alt+N
    /// there.
    static constexpr quint32 kGnomeDefaultKeyCode = 45;
    static constexpr quint32 kGnomeDefaultModifiers = kControl | kOption;

    quint32 keyCode = kDefaultKeyCode;
    quint32 carbonModifiers = kDefaultModifiers;

    /// The Carbon mask of Qt's modifier flags: Meta (Super) is command, Alt option; other flags are dropped.
    static quint32 carbonModifiersOf(Qt::KeyboardModifiers modifiers);
    /// Qt's flags for the mask, in the order Control, Alt, Shift, Meta when iterated; other bits are ignored.
    Qt::KeyboardModifiers qtModifiers() const;

    friend bool operator==(const Shortcut&, const Shortcut&) = default;
};

} // namespace quillo
