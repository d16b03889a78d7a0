#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace quillo::test {

/// The Wayland test desktop a test runs in (scripts/test-wayland-desktop), and real input on it: key presses
/// and clicks go through KWin's fake-input protocol, sent by quillo-fake-input ($QUILLO_FAKE_INPUT), and
/// reach whichever window KWin has given the keyboard, as a person's would.
class WaylandDesktop final {
public:
    /// True when KWin serves the session's Wayland display and the input client is there; else says why.
    static bool isRunning(QString* why);
    static bool
    pressKeys(const QList<quint32>& evdevCodes); ///< A chord: pressed in order, released reversed.
    static bool typeText(const QString& text);   ///< Printable ASCII, on a US layout.
    static bool click(QPoint at);                ///< The left button, in logical pixels.
    /// Runs quillo-fake-input with these arguments; false (and its complaint in error) if it failed.
    static bool fakeInput(const QStringList& arguments, QString* error = nullptr);
};

// Evdev key codes the tests press (linux/input-event-codes.h).
constexpr quint32 kKeyEscape = 1;
constexpr quint32 kKeyK = 37;
constexpr quint32 kKeyX = 45;
constexpr quint32 kKeySpace = 57;
constexpr quint32 kKeyLeftCtrl = 29;
constexpr quint32 kKeyLeftShift = 42;
constexpr quint32 kKeyLeftAlt = 56;
constexpr quint32 kKeyLeftMeta = 125;

} // namespace quillo::test
