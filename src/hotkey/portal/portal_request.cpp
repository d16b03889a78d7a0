// SPDX-License-Identifier: GPL-3.0-or-later
#include "portal_request.h"

#include "hotkey/hotkey_log.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quillo::portal {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
constexpr int kCallTimeoutMs = 10000;

} // namespace

PortalRequest::PortalRequest(QDBusConnection bus, const QString& token, QDBusMessage call,
                             int responseTimeoutMs, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_call(std::move(call)) {
    // The portal names the Request object after the caller's unique name and the token.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_expectedPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    m_timeout.setSingleShot(true);
    if (responseTimeoutMs > 0) {
        m_timeout.setInterval(responseTimeoutMs);
        connect(&m_timeout, &QTimer::timeout, this, [this] {
            qCDebug(lcHotKey) << "the portal did not answer" << m_call.member() << "in time";
            emit timedOut();
        });
    }
}

PortalRequest::~PortalRequest() {
    unsubscribe();
}

void PortalRequest::start() {
    // Subscribed first: the Response may follow the reply at once.
    if (!subscribe(m_expectedPath)) {
        finish(kNoAnswer, {});
        return;
    }
    if (m_timeout.interval() > 0)
        m_timeout.start();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(m_call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *call;
        // A portal too busy to reply may still act on the call and answer later.
        if (reply.isError() && reply.error().type() == QDBusError::NoReply)
            return;
        if (reply.isError()) {
            qCDebug(lcHotKey) << "portal call" << m_call.member() << "failed:" << reply.error().name()
                              << reply.error().message();
            finish(kNoAnswer, {});
            return;
        }
        // Portals older than the handle_token convention answer on a path of their own choosing.
        const QString path = reply.value().path();
        if (!m_finished && path != m_expectedPath && !subscribe(path))
            finish(kNoAnswer, {});
    });
}

void PortalRequest::onResponse(uint response, const QVariantMap& results) {
    finish(response, results);
}

bool PortalRequest::subscribe(const QString& path) {
    const bool connected = m_bus.connect(kService, path, kRequestInterface, QStringLiteral("Response"), this,
                                         SLOT(onResponse(uint, QVariantMap)));
    if (connected)
        m_subscribed << path;
    else
        qCDebug(lcHotKey) << "cannot listen for the portal's response at" << path;
    return connected;
}

void PortalRequest::unsubscribe() {
    for (const QString& path : std::as_const(m_subscribed))
        m_bus.disconnect(kService, path, kRequestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
    m_subscribed.clear();
}

void PortalRequest::finish(uint response, const QVariantMap& results) {
    if (m_finished)
        return;
    m_finished = true;
    m_timeout.stop();
    unsubscribe();
    emit finished(response, results);
}

} // namespace quillo::portal
