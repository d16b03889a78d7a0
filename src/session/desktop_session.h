// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace quillo {

/// The kind of graphical session Quillo was started in, read from its environment, and the Qt platform that
/// suits it.
class DesktopSession final {
public:
    DesktopSession() = delete;

    /// WAYLAND_DISPLAY is set or XDG_SESSION_TYPE is "wayland".
    static bool isWayland(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    /// XDG_CURRENT_DESKTOP names GNOME among its desktops ("GNOME", "ubuntu:GNOME").
    static bool isGnome(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    /// "xcb" in a Wayland session with Xwayland (DISPLAY set) where the user chose no Qt platform
    /// (QT_QPA_PLATFORM unset or empty): there the note window keeps the place Quillo gives it. Nothing
    /// otherwise: Qt's own choice, or the user's, stands.
    static std::optional<QString> preferredQtPlatform(const QProcessEnvironment& environment);
    /// Sets QT_QPA_PLATFORM to preferredQtPlatform() of this process. Call before the QApplication exists.
    static void choosePlatform();
};

} // namespace quillo
