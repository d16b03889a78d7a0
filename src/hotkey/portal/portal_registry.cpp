// SPDX-License-Identifier: GPL-3.0-or-later
#include "portal_registry.h"

#include "hotkey/hotkey_log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStandardPaths>
#include <QVariantMap>

namespace quillo::portal {
namespace {

constexpr int kCallTimeoutMs = 10000;

} // namespace

PortalRegistry::PortalRegistry(QString appId, QObject* parent)
    : QObject(parent)
    , m_appId(std::move(appId)) {}

bool PortalRegistry::ask() {
    if (m_call)
        return true;
    if (m_asked)
        return false;
    m_asked = true;
    // The portal finds the application by the same menu entry; run from the build tree Quillo has none.
    if (QStandardPaths::locate(QStandardPaths::ApplicationsLocation, m_appId + QStringLiteral(".desktop"))
            .isEmpty())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
    call << m_appId << QVariantMap();
    m_call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs), this);
    connect(m_call, &QDBusPendingCallWatcher::finished, this, &PortalRegistry::answered);
    return true;
}

void PortalRegistry::forget() {
    delete m_call.data();
    m_asked = false;
    m_registered = false;
}

void PortalRegistry::answered() {
    m_call->deleteLater();
    // Portals before 1.19 have no registry; a desktop that cannot find the menu entry refuses the name.
    // Either way Quillo stays anonymous, as it always was.
    m_registered = !m_call->isError();
    if (m_registered)
        qCDebug(lcHotKey) << "the portal knows Quillo as" << m_appId;
    else
        qCDebug(lcHotKey) << "the portal did not take Quillo's name:" << m_call->error().message();
    m_call = nullptr;
    emit finished();
}

} // namespace quillo::portal
