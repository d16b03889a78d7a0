#include "status_notifier_watcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <cstdio>

namespace quillo::test {

StatusNotifierWatcher::StatusNotifierWatcher(QObject* parent)
    : QObject(parent)
    , m_owners(QString(), QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForUnregistration) {
    connect(&m_owners, &QDBusServiceWatcher::serviceUnregistered, this,
            &StatusNotifierWatcher::forgetItemsOf);
}

bool StatusNotifierWatcher::publish() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                  QDBusConnection::ExportAllProperties) &&
           bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& serviceOrPath) {
    const QString sender = calledFromDBus() ? message().service() : QString();
    const bool isPath = serviceOrPath.startsWith(QLatin1Char('/'));
    const QString service = isPath ? sender : serviceOrPath;
    const QString path = isPath ? serviceOrPath : QStringLiteral("/StatusNotifierItem");
    const QString item = service + path;
    if (service.isEmpty() || m_items.contains(item))
        return;
    if (!QDBusConnection::sessionBus().interface()->isServiceRegistered(service).value())
        return;
    m_owners.addWatchedService(service);
    m_items << item;
    std::printf("registered item %s\n", qPrintable(item));
    std::fflush(stdout);
    emit StatusNotifierItemRegistered(item);
}

void StatusNotifierWatcher::RegisterStatusNotifierHost(const QString& service) {
    std::printf("registered host %s\n", qPrintable(service));
    std::fflush(stdout);
    emit StatusNotifierHostRegistered();
}

void StatusNotifierWatcher::forgetItemsOf(const QString& service) {
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        const QString item = m_items.at(i);
        if (item.left(item.indexOf(QLatin1Char('/'))) != service)
            continue;
        m_items.removeAt(i);
        std::printf("unregistered item %s\n", qPrintable(item));
        std::fflush(stdout);
        emit StatusNotifierItemUnregistered(item);
    }
    m_owners.removeWatchedService(service);
}

} // namespace quillo::test
