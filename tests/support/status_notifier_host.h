#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace quillo::test {

/// What a panel does with tray icons on a desktop without an embedding tray: it lists the
/// StatusNotifierItems registered with the session's org.kde.StatusNotifierWatcher and clicks them by calling
/// their methods, with the screen position a panel would pass.
class StatusNotifierHost final {
public:
    /// Each item as "bus name/object path"; empty when there is no watcher.
    QStringList items() const;
    /// A property of the item's org.kde.StatusNotifierItem interface (Id, Title, IconName, ...).
    QVariant itemProperty(const QString& item, const QString& name) const;
    /// A left click: Activate(x, y), where x, y is the spot near the icon where a popup should open.
    bool activate(const QString& item, int x, int y);
    QString errorString() const { return m_error; }

private:
    QString m_error;
};

} // namespace quillo::test
