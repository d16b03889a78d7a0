// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QtGlobal>

#include <xcb/xcb.h>

namespace quillo::x11 {

/// Passive grabs of one key on the root window, one per modifier mask, taken together or not at all: when
/// the server refuses any of them (another client holds it), the ones already taken are given back at once.
/// Released when this goes away.
class X11KeyGrab final {
public:
    X11KeyGrab(xcb_connection_t* connection, xcb_window_t root, xcb_keycode_t keycode,
               const QList<quint16>& masks);
    ~X11KeyGrab();
    X11KeyGrab(const X11KeyGrab&) = delete;
    X11KeyGrab& operator=(const X11KeyGrab&) = delete;

    bool isHeld() const { return !m_masks.isEmpty(); } ///< False when the server refused a mask.
    xcb_keycode_t keycode() const { return m_keycode; }
    bool holds(xcb_keycode_t keycode, const QList<quint16>& masks) const {
        return keycode == m_keycode && masks == m_masks;
    }

    /// Gives back the grabs that `successor` does not hold as well; this then holds nothing. Taking the new
    /// grab before letting the old one go leaves no moment in which the key reaches another window.
    void handOver(const X11KeyGrab& successor);

private:
    void ungrab(const QList<quint16>& masks);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_keycode_t m_keycode;
    QList<quint16> m_masks;
};

} // namespace quillo::x11
