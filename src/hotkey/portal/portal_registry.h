// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QDBusPendingCallWatcher;

namespace quillo::portal {

/// The name the desktop portal knows Quillo by. A program outside a sandbox is anonymous to the portal, and
/// the desktop files its shortcut under the session's token; xdg-desktop-portal 1.19 and later let it name
/// itself by its application id, before its first portal call and only where the desktop finds its menu
/// entry (an installed Quillo). Anonymous otherwise, as with older portals. Main thread only.
class PortalRegistry final : public QObject {
    Q_OBJECT
public:
    /// `appId` names the menu entry, `appId`.desktop, looked for in the XDG data folders.
    explicit PortalRegistry(QString appId, QObject* parent = nullptr);

    /// True while the portal is being asked to take the name, then finished() follows. False once that is
    /// settled: asked before, or nothing to ask (not installed).
    bool ask();
    /// Forgets the answer, for a portal that has restarted and knows nobody.
    void forget();
    /// The application id the portal knows Quillo by; empty while anonymous.
    QString appId() const { return m_registered ? m_appId : QString(); }

signals:
    void finished();

private:
    void answered();

    QString m_appId;
    bool m_asked = false;
    bool m_registered = false;
    QPointer<QDBusPendingCallWatcher> m_call;
};

} // namespace quillo::portal
