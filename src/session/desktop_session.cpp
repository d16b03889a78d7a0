// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop_session.h"

namespace quillo {

bool DesktopSession::isWayland(const QProcessEnvironment& environment) {
    return !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
           environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland");
}

bool DesktopSession::isGnome(const QProcessEnvironment& environment) {
    return environment.value(QStringLiteral("XDG_CURRENT_DESKTOP"))
        .split(QLatin1Char(':'))
        .contains(QLatin1String("GNOME"), Qt::CaseInsensitive);
}

std::optional<QString> DesktopSession::preferredQtPlatform(const QProcessEnvironment& environment) {
    // A native Wayland window cannot choose its position and the compositor would centre the note; through
    // Xwayland it goes exactly where the tray was clicked.
    if (isWayland(environment) && !environment.value(QStringLiteral("DISPLAY")).isEmpty() &&
        environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        return QStringLiteral("xcb");
    return std::nullopt;
}

void DesktopSession::choosePlatform() {
    if (const std::optional<QString> platform = preferredQtPlatform(QProcessEnvironment::systemEnvironment()))
        qputenv("QT_QPA_PLATFORM", platform->toLocal8Bit());
}

} // namespace quillo
