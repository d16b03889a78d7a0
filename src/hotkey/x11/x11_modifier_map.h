// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QtGlobal>

#include <xcb/xcb.h>

#include <optional>

namespace quillo::x11 {

/// Which X modifier bits the server really gives Super, Alt and the lock keys, read from its modifier map:
/// Super is Mod4 on most desktops but not on all. A key that no modifier carries has bit 0.
class X11ModifierMap final {
public:
    static X11ModifierMap read(xcb_connection_t* connection); ///< A round trip to the server.

    /// The X modifier mask of a Carbon mask; other bits are ignored. Nothing when the server has no bit for
    /// a modifier that is asked for (a keyboard without Super, say).
    std::optional<quint16> modifiers(quint32 carbonModifiers) const;
    /// Caps Lock, Num Lock and Scroll Lock: their state must not decide whether the hotkey fires.
    quint16 lockBits() const;
    /// Every combination of the lock bits that are not part of the wanted modifiers, 0 included.
    QList<quint16> lockCombinations(quint16 wanted) const;

    quint16 super() const { return m_super; }

private:
    quint16 m_super = 0;
    quint16 m_alt = 0;
    quint16 m_numLock = 0;
    quint16 m_scrollLock = 0;
};

} // namespace quillo::x11
