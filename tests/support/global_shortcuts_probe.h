#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quillo::test {

/// The Wayland test desktop's own record of global shortcuts: KDE's shortcut service (kglobalaccel, served by
/// KWin), where the GlobalShortcuts portal registers a session's shortcuts, and the portal's sessions.
class GlobalShortcutsProbe final {
public:
    GlobalShortcutsProbe() = delete;

    /// The keys bound to the action, each a combined Qt key code; nothing when the desktop has no such
    /// action.
    static std::optional<QList<int>> keys(const QString& component, const QString& action);
    /// Whether a program holds the component's actions now (a portal session of it is open).
    static bool isActive(const QString& component);
    /// Binds the action to these keys, as the desktop's shortcut settings do.
    static bool setKeys(const QString& component, const QString& action, int keys);
    /// Whether the portal has a session with this token for the connection with this unique name.
    static bool portalSessionExists(const QString& uniqueName, const QString& token);
    /// The unique name of the connection that owns `busName`; empty when it has no owner.
    static QString ownerOf(const QString& busName);
};

} // namespace quillo::test
