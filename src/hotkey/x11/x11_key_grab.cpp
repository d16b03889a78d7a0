// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11_key_grab.h"

#include "hotkey/hotkey_log.h"

#include <cstdlib>
#include <utility>

namespace quillo::x11 {

X11KeyGrab::X11KeyGrab(xcb_connection_t* connection, xcb_window_t root, xcb_keycode_t keycode,
                       const QList<quint16>& masks)
    : m_connection(connection)
    , m_root(root)
    , m_keycode(keycode) {
    // owner_events off: the press reaches the root window even when one of Quillo's own windows has the
    // focus.
    QList<xcb_void_cookie_t> cookies;
    for (quint16 mask : masks)
        cookies << xcb_grab_key_checked(m_connection, 0, m_root, mask, m_keycode, XCB_GRAB_MODE_ASYNC,
                                        XCB_GRAB_MODE_ASYNC);
    // Every cookie is checked, so that no error of ours is left to reach Qt's event queue.
    QList<quint16> granted;
    bool refused = false;
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookies[i])) {
            qCDebug(lcHotKey) << "grab of keycode" << m_keycode << "mask" << masks[i] << "refused, X error"
                              << error->error_code;
            std::free(error);
            refused = true;
        } else {
            granted << masks[i];
        }
    }
    if (refused)
        ungrab(granted);
    else
        m_masks = granted;
}

X11KeyGrab::~X11KeyGrab() {
    ungrab(m_masks);
}

void X11KeyGrab::handOver(const X11KeyGrab& successor) {
    QList<quint16> given;
    for (quint16 mask : std::as_const(m_masks))
        if (successor.m_keycode != m_keycode || !successor.m_masks.contains(mask))
            given << mask;
    ungrab(given);
    m_masks.clear();
}

void X11KeyGrab::ungrab(const QList<quint16>& masks) {
    if (masks.isEmpty())
        return;
    for (quint16 mask : masks)
        xcb_ungrab_key(m_connection, m_keycode, m_root, mask);
    xcb_flush(m_connection);
}

} // namespace quillo::x11
