#pragma once

#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>

namespace quillo::test {

/// What a panel provides on the session bus so that applications can show tray icons: the registry of
/// StatusNotifierItems (org.kde.StatusNotifierWatcher at /StatusNotifierWatcher). It claims a host is
/// present; tests play the host's part themselves (StatusNotifierHost) by calling the items' methods.
class StatusNotifierWatcher final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit StatusNotifierWatcher(QObject* parent = nullptr);
    /// Takes the service name and exports the object; false if another watcher already runs.
    bool publish();

    QStringList registeredItems() const { return m_items; } ///< "service/object path" of each item.
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    /// Takes a bus name (the item is at /StatusNotifierItem) or an object path of the caller.
    void RegisterStatusNotifierItem(const QString& serviceOrPath);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    void forgetItemsOf(const QString& service);

    QStringList m_items;
    QDBusServiceWatcher m_owners;
};

} // namespace quillo::test
