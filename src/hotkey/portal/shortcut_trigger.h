// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkey/shortcut.h"

#include <QString>

#include <optional>

namespace quillo::portal {

class DefaultKeymap;

/// A Shortcut in the words of the desktop's shortcut services, the physical key named by its keysym in the
/// keymap's first layout.
class ShortcutTrigger final {
public:
    ShortcutTrigger() = delete;

    /// The GlobalShortcuts portal's trigger: CTRL, ALT, SHIFT, LOGO as set, then the keysym's name, joined by
    /// "+" ("LOGO+Escape", "CTRL+ALT+space"). Nothing for a key code that names no key of the keymap.
    static std::optional<QString> portalTrigger(const Shortcut& shortcut, DefaultKeymap& keymap);
    /// GNOME's accelerator syntax for its keyboard settings: "<Control>", "<Alt>", "<Shift>", "<Super>" as
    /// set, then the keysym's name ("<Super>Escape", "<Control><Alt>k"). Nothing where portalTrigger() gives
    /// nothing.
    static std::optional<QString> gnomeAccelerator(const Shortcut& shortcut, DefaultKeymap& keymap);
    /// The same combination as Qt's combined key code (modifier flags | Qt::Key), the form KDE's shortcut
    /// service keeps. Nothing where portalTrigger() gives nothing or Qt has no key for the keysym.
    static std::optional<int> qtKeyCombination(const Shortcut& shortcut, DefaultKeymap& keymap);
    /// The Qt::Key of a keysym: its upper-cased character for keys that type one, else the named key.
    static std::optional<int> qtKey(quint32 keysym);
};

} // namespace quillo::portal
