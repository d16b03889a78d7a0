// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

namespace quillo {

class Preferences;

/// The desktop's system-wide key grab and keyboard layout, as HotKeyManager needs them. Two backends exist,
/// both always built: X11 key grabs, and the desktop's GlobalShortcuts portal for Wayland sessions, where no
/// program may grab a key. makeHotKeyBackend() picks one for the session. Main thread only.
class HotKeyBackend {
public:
    virtual ~HotKeyBackend() = default;

    /// Takes the combination for the whole desktop, replacing the previous grab. False, with nothing held, if
    /// the key cannot be grabbed (another program holds it, no such key, no display). A backend whose desktop
    /// answers later returns true once the request is on its way and calls `lost` if the desktop refuses.
    /// Mask bits other than the four Carbon modifiers are ignored.
    virtual bool grab(quint32 keyCode, quint32 carbonModifiers) = 0;
    virtual void release() = 0; ///< Lets go of the grab, if any.
    /// Lets go as Quillo ends. A binding that starts Quillo again (GNOME's custom shortcut runs
    /// `quillo --toggle`) stays with the desktop; everything else goes as with release().
    virtual void releaseAtExit() { release(); }

    /// The text the key types with no modifiers on the keyboard's current layout, read now; nothing when the
    /// layout gives no text or there is no keyboard to ask.
    virtual std::optional<QString> keyText(quint32 keyCode) = 0;

    /// Called on the main thread once per press, never for releases or repeats.
    std::function<void()> pressed;
    /// Called on the main thread when a grab that grab() accepted is refused or ended by the desktop later;
    /// nothing is held afterwards.
    std::function<void()> lost;
};

/// The backend for this session: the GlobalShortcuts portal in a Wayland session (WAYLAND_DISPLAY set or
/// XDG_SESSION_TYPE=wayland; an X11 grab through Xwayland would fire only while an X11 window has the focus),
/// in a GNOME one falling back to GNOME's custom keyboard shortcuts, X11 key grabs everywhere else.
/// `preferences` keeps what the portal last asked the desktop to bind.
std::unique_ptr<HotKeyBackend> makeHotKeyBackend(Preferences& preferences);

namespace x11 {
std::unique_ptr<HotKeyBackend> makeX11HotKeyBackend();
}
namespace portal {
/// `preferences` keeps what the desktop was last asked to bind; `layout` answers keyText() first.
std::unique_ptr<HotKeyBackend> makePortalHotKeyBackend(Preferences& preferences,
                                                       std::unique_ptr<HotKeyBackend> layout);
} // namespace portal
namespace gnome {
/// GNOME's GlobalShortcuts through `portal` where GNOME offers them, else a GNOME custom keyboard shortcut.
std::unique_ptr<HotKeyBackend> makeGnomeHotKeyBackend(std::unique_ptr<HotKeyBackend> portal);
} // namespace gnome

} // namespace quillo
