#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace quillo::test {

/// One window as KWin manages it.
struct KWinWindow {
    QString caption;
    QString resourceClass; ///< WM_CLASS's class under Xwayland, the app id for native Wayland windows.
    qint64 pid = 0;        ///< 0 when KWin does not know it (an X11 client without _NET_WM_PID).
    QRect frameGeometry;   ///< With decorations, in the compositor's logical pixels.
    bool active = false;
    bool keepAbove = false;
    bool skipTaskbar = false;
    bool minimized = false;
    bool demandsAttention = false;
};

/// The compositor's own view of the windows on the Wayland test desktop, asked each time through a one-shot
/// KWin script whose print() lines land in KWin's log ($QUILLO_KWIN_LOG, set by
/// scripts/test-wayland-desktop). Tests assert on this rather than on a client's own idea of its focus.
class KWinProbe final {
public:
    KWinProbe();

    bool isAvailable() const; ///< KWin's scripting service is on the bus and its log can be read.
    /// Every managed window now; empty with errorString() set when KWin could not be asked.
    QList<KWinWindow> windows();
    QString activeWindowCaption(); ///< Empty when no window is active or KWin could not be asked.
    /// The first window with this caption, or a window with an empty caption when there is none.
    KWinWindow window(const QString& caption);
    QString errorString() const { return m_error; }

private:
    bool runScript(const QString& body, QStringList& lines);

    QString m_logPath;
    QString m_error;
    int m_runs = 0;
};

} // namespace quillo::test
