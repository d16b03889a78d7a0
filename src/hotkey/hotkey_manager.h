// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcut.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace quillo {

class HotKeyBackend;

/// The one system-wide hotkey: at most one registration at a time, and a callback run on every press,
/// whichever window has the focus. A refused registration is passed over quietly. Main thread only.
class HotKeyManager final {
public:
    explicit HotKeyManager(std::unique_ptr<HotKeyBackend> backend); ///< Takes the backend for this session.
    ~HotKeyManager();                                               ///< Releases the registration.
    HotKeyManager(const HotKeyManager&) = delete;
    HotKeyManager& operator=(const HotKeyManager&) = delete;

    /// Run on the main thread, after the event that carried the press, once per press (a held combination
    /// that auto-repeats counts once). May be empty; a new value takes effect at the next press.
    std::function<void()> action;

    /// Releases the current registration, then takes this one. Returns whether the desktop granted it; a
    /// refusal (another program holds the combination, no such key, no X11 display) leaves nothing
    /// registered. The GlobalShortcuts portal of a Wayland session answers later: true then means that the
    /// request went out, and a later refusal clears registered() (and is logged) without another word.
    bool registerHotKey(quint32 keyCode, quint32 carbonModifiers);
    void unregister(); ///< Does nothing when nothing is registered.
    /// As unregister(), as Quillo ends: a desktop's binding that starts Quillo again is kept.
    void unregisterAtExit();
    /// What is grabbed now, or asked of a desktop that has not refused it yet; nothing otherwise.
    std::optional<Shortcut> registered() const { return m_registered; }

    /// The text the key types with no modifiers on the current layout, read afresh; nothing if none.
    std::optional<QString> keyText(quint32 keyCode) const;

private:
    void handlePress();

    std::unique_ptr<HotKeyBackend> m_backend;
    std::optional<Shortcut> m_registered;
};

} // namespace quillo
