#include "status_notifier_host.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

namespace quillo::test {
namespace {

const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

QString serviceOf(const QString& item) {
    return item.left(item.indexOf(QLatin1Char('/')));
}
QString pathOf(const QString& item) {
    return item.mid(item.indexOf(QLatin1Char('/')));
}

} // namespace

QStringList StatusNotifierHost::items() const {
    QDBusInterface watcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                           QStringLiteral("/StatusNotifierWatcher"),
                           QStringLiteral("org.freedesktop.DBus.Properties"));
    const QDBusReply<QDBusVariant> reply =
        watcher.call(QStringLiteral("Get"), QStringLiteral("org.kde.StatusNotifierWatcher"),
                     QStringLiteral("RegisteredStatusNotifierItems"));
    return reply.isValid() ? reply.value().variant().toStringList() : QStringList();
}

QVariant StatusNotifierHost::itemProperty(const QString& item, const QString& name) const {
    QDBusInterface properties(serviceOf(item), pathOf(item),
                              QStringLiteral("org.freedesktop.DBus.Properties"));
    const QDBusReply<QDBusVariant> reply = properties.call(QStringLiteral("Get"), kItemInterface, name);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

bool StatusNotifierHost::activate(const QString& item, int x, int y) {
    QDBusMessage call = QDBusMessage::createMethodCall(serviceOf(item), pathOf(item), kItemInterface,
                                                       QStringLiteral("Activate"));
    call << x << y;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    m_error = reply.type() == QDBusMessage::ErrorMessage ? reply.errorMessage() : QString();
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace quillo::test
