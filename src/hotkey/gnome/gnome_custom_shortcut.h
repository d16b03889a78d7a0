// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace quillo::gnome {

/// Quillo's own entry among GNOME's custom keyboard shortcuts, which GNOME's settings daemon turns into a
/// command run on a key combination: filed, changed and taken off through GSettings (dconf), every other
/// entry left as it is. Where GNOME's settings schemas are not installed nothing is touched. Each call has
/// reached dconf when it returns. Main thread only.
class GnomeCustomShortcut final {
public:
    GnomeCustomShortcut() = delete;

    /// Where Quillo's entry lives in dconf, and how the list of custom shortcuts names it.
    static constexpr char kPath[] =
        "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/quillo/";

    /// Files the entry, or changes it: `name` as GNOME's keyboard settings list it, `command` as the program
    /// and its arguments, `binding` in GNOME's accelerator syntax ("<Control><Alt>n"). False, with nothing
    /// written, where the schemas are missing.
    static bool file(const QString& name, const QStringList& command, const QString& binding);
    /// Takes the entry off the list and clears it; nothing happens when it is not listed.
    static void remove();
};

} // namespace quillo::gnome
