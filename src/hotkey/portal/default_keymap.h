// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkey/xkb_handles.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace quillo::portal {

/// The keyboard layout that xkbcommon compiles from its default rules, model, layout, variant and options
/// (the XKB_DEFAULT_* variables, else evdev, pc105, us): key names where the compositor's own keymap is out
/// of reach, as it is for a native Wayland client of Qt. Compiled on first use. Main thread only.
class DefaultKeymap final {
public:
    DefaultKeymap();
    ~DefaultKeymap();
    DefaultKeymap(const DefaultKeymap&) = delete;
    DefaultKeymap& operator=(const DefaultKeymap&) = delete;

    /// The keysym of the physical key (evdev code) in the first layout with no modifier held; 0 (no symbol)
    /// when the keymap has none there.
    quint32 keysym(quint32 evdevCode);
    /// The UTF-8 text the key types in the first layout with no modifier held; nothing when it types none.
    std::optional<QString> text(quint32 evdevCode);

private:
    bool load();

    XkbContext m_context;
    XkbKeymap m_keymap;
    bool m_loaded = false;
};

} // namespace quillo::portal
