#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <xcb/xcb.h>

namespace quillo::test {

/// Another X client in a process of its own (tests/support/x11_other_client_main.cpp): it holds a key grab,
/// or shows a window that takes the focus and reports the keys it receives. Every wait is bounded; the
/// process ends when this goes away.
class X11OtherClient final {
public:
    X11OtherClient() = default;
    ~X11OtherClient();
    X11OtherClient(const X11OtherClient&) = delete;
    X11OtherClient& operator=(const X11OtherClient&) = delete;

    /// Grabs the key with every mask; true when all were granted. The grabs last until stop().
    bool grab(xcb_keycode_t keycode, const QList<quint16>& masks);
    /// Maps a focusable window with this name; its id, or 0 when that failed.
    xcb_window_t showWindow(const QString& name);
    /// The keycodes of the key presses the window has received so far.
    QList<xcb_keycode_t> keyPresses();
    void stop(); ///< Ends the client; its grabs and window go with it.

    /// Whether another client could take the key with every mask now; it lets go at once.
    static bool canGrab(xcb_keycode_t keycode, const QList<quint16>& masks);
    /// Runs one of the client's one-shot commands (move-modifier, lock-group); true when it reports "done".
    static bool run(const QStringList& arguments);

private:
    bool start(const QStringList& arguments);
    QString nextLine(int timeoutMs = 10000);

    QProcess m_process;
    QList<xcb_keycode_t> m_keyPresses;
};

} // namespace quillo::test
