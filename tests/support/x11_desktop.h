#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <xcb/xcb.h>

namespace quillo::test {

/// The test desktop as the X server sees it: windows, their names, mapping, geometry and focus, read with a
/// connection of the test's own. Input is sent by xdotool, a separate client, as a person's would be.
class X11Desktop final {
public:
    X11Desktop(); ///< Connects to $DISPLAY; isConnected() tells whether that worked.
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    bool isConnected() const;
    QString name(xcb_window_t window) const;            ///< _NET_WM_NAME, else WM_NAME.
    bool isViewable(xcb_window_t window) const;
    QRect geometry(xcb_window_t window) const; ///< In root coordinates.
    xcb_window_t activeWindow() const;         ///< _NET_ACTIVE_WINDOW of the window manager.
    xcb_window_t inputFocus() const;           ///< The X server's focus window.
    quint16 modifierState() const;             ///< Modifier and lock bits now in effect (Lock = Caps Lock).
    QList<xcb_window_t> clientList() const;    ///< _NET_CLIENT_LIST: what the taskbar may list.
    QList<quint32> cardinalProperty(xcb_window_t window, const char* atomName) const;
    xcb_atom_t atom(const char* name) const;

    /// The window manager's client windows with this name that are viewable now.
    QList<xcb_window_t> viewableWindowsNamed(const QString& name) const;

    /// Runs xdotool with these arguments; returns its standard output, or a null string when it failed.
    static QString xdotool(const QStringList& arguments);

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
};

} // namespace quillo::test
