// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray_icon.h"

#include "device_pixels.h"
#include "status_notifier_item.h"
#include "tray_log.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QIcon>
#include <QSystemTrayIcon>

namespace quillo {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent) {}

TrayIcon::~TrayIcon() = default;

void TrayIcon::show() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool watcher = bus.isConnected() &&
                         bus.interface()->isServiceRegistered(StatusNotifierItem::kWatcherService).value();
    if (watcher)
        useStatusNotifierItem();
    else
        useEmbeddedIcon();
    if (!bus.isConnected())
        return;
    m_watcherOwner.setConnection(bus);
    m_watcherOwner.setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    m_watcherOwner.addWatchedService(StatusNotifierItem::kWatcherService);
    connect(&m_watcherOwner, &QDBusServiceWatcher::serviceRegistered, this, &TrayIcon::watcherAppeared);
}

void TrayIcon::watcherAppeared() {
    // A restarted panel forgets its items; a panel that starts after Quillo (both autostarted) brings its
    // watcher later, and the icon moves over from Qt's.
    if (m_item) {
        m_item->registerWithWatcher();
        return;
    }
    delete m_embedded.data();
    useStatusNotifierItem();
}

std::optional<QRect> TrayIcon::anchor() const {
    if (m_embedded) {
        const QRect icon = m_embedded->geometry();
        if (icon.isValid() && !icon.isEmpty())
            return icon;
    }
    if (m_lastClick)
        return QRect(*m_lastClick, QSize(1, 1));
    return std::nullopt;
}

void TrayIcon::useStatusNotifierItem() {
    m_item = std::make_unique<StatusNotifierItem>();
    connect(m_item.get(), &StatusNotifierItem::activated, this, &TrayIcon::itemActivated);
    if (m_item->publish())
        return;
    m_item.reset();
    useEmbeddedIcon();
}

void TrayIcon::useEmbeddedIcon() {
    m_embedded = new QSystemTrayIcon(QIcon(QStringLiteral(":/quillo/note.svg")), this);
    m_embedded->setToolTip(QStringLiteral("Quillo"));
    connect(m_embedded, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A quick second click arrives as a double click: it is a click like the first, so it toggles back.
        if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
            return;
        m_lastClick = QCursor::pos();
        emit clicked();
    });
    m_embedded->show();
}

void TrayIcon::itemActivated(QPoint at) {
    // Panels send the X server's pixels (Xwayland's in a Wayland session), not Qt's coordinates.
    if (!at.isNull())
        m_lastClick = fromDevicePixels(at);
    else if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_lastClick = QCursor::pos(); // a panel that sends no position: the pointer is where it clicked
    // A native Wayland client has no pointer position to go by: the last anchor stays.
    qCDebug(lcTray) << "tray clicked, the note goes to" << m_lastClick.value_or(QPoint());
    emit clicked();
}

} // namespace quillo
