// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkey/hotkey_backend.h"
#include "hotkey/portal/default_keymap.h"
#include "hotkey/shortcut.h"

#include <QObject>

#include <memory>
#include <optional>

namespace quillo::gnome {

/// The global hotkey of a GNOME Wayland session. GNOME 48 and later bind it through their GlobalShortcuts
/// portal (the `portal` backend, which asks the user once); older GNOME has no such portal, and there the
/// hotkey becomes a GNOME custom keyboard shortcut that runs `quillo --toggle`, which toggles the note of
/// the running copy. Which of the two is asked once, at the first grab, without waiting. Main thread only.
class GnomeHotKeyBackend final : public QObject, public HotKeyBackend {
    Q_OBJECT
public:
    /// The name GNOME's keyboard settings show for the custom shortcut.
    static const QString kCustomShortcutName;

    /// `portal` names the keys and binds where the portal offers GlobalShortcuts.
    explicit GnomeHotKeyBackend(std::unique_ptr<HotKeyBackend> portal);
    ~GnomeHotKeyBackend() override;

    /// True once the portal is being asked or the custom shortcut is filed; false for a key GNOME cannot
    /// name, or where GNOME's settings schemas are missing.
    bool grab(quint32 keyCode, quint32 carbonModifiers) override;
    /// Lets go of the portal's shortcut or takes the custom shortcut off, so the keys reach Quillo's windows.
    void release() override;
    /// Keeps the custom shortcut: its key then starts Quillo, as the user asked for that key.
    void releaseAtExit() override;
    std::optional<QString> keyText(quint32 keyCode) override;

private:
    enum class Route { Unknown, Asking, Portal, Custom };

    void askPortal();
    void routeChosen(Route route);
    bool fileCustom();

    std::unique_ptr<HotKeyBackend> m_portal;
    portal::DefaultKeymap m_keymap;
    Route m_route = Route::Unknown;
    std::optional<Shortcut> m_wanted;
    bool m_filed = false; ///< The custom shortcut is Quillo's now.
};

} // namespace quillo::gnome
