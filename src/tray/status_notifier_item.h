// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPoint>
#include <QString>

namespace quillo {

/// One image of a StatusNotifierItem's icon (D-Bus type (iiay)): ARGB32 pixels, each in network byte order.
struct StatusNotifierImage final {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using StatusNotifierImages = QList<StatusNotifierImage>;

/// A StatusNotifierItem's tool tip (D-Bus type (sa(iiay)ss)).
struct StatusNotifierToolTip final {
    QString iconName;
    StatusNotifierImages images;
    QString title;
    QString description;
};

/// Quillo's tray icon as a StatusNotifierItem of its own (org.kde.StatusNotifierItem at /StatusNotifierItem
/// under a bus name of its own), registered with the panel's StatusNotifierWatcher. Unlike Qt's tray icon it
/// passes on where the panel says it was clicked. No menu. Main thread only.
class StatusNotifierItem final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(quillo::StatusNotifierImages IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(quillo::StatusNotifierImages OverlayIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(quillo::StatusNotifierImages AttentionIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(quillo::StatusNotifierToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    static const QString kWatcherService; ///< org.kde.StatusNotifierWatcher, the panel's registry of items.
    static constexpr int kImageSizes[] = {16, 22, 24, 32, 48, 64};

    explicit StatusNotifierItem(QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    /// Takes a bus name, exports the item and asks the watcher to show it; false without a session bus.
    bool publish();
    /// Asks the watcher to show the published item; again for each new watcher, as a restarted panel forgets.
    void registerWithWatcher();
    QString serviceName() const { return m_serviceName; } ///< The bus name the item is registered under.

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("Quillo"); }
    QString title() const { return QStringLiteral("Quillo"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString
    iconName() const; ///< The icon Quillo installs into the icon theme; panels fall back to the images.
    StatusNotifierImages iconPixmap() const { return m_images; }
    QString noName() const { return {}; }
    StatusNotifierImages noImages() const { return {}; }
    StatusNotifierToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")); }

    /// The bundled note icon rendered at kImageSizes, as the item passes it.
    static StatusNotifierImages renderImages();

public slots:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);
    Q_SCRIPTABLE void ProvideXdgActivationToken(const QString& token);

signals:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewAttentionIcon();
    Q_SCRIPTABLE void NewOverlayIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);
    /// A left click. `at` is the spot the panel sent (where a popup of the icon would open) in device
    /// pixels; (0, 0) when it sent none.
    void activated(QPoint at);

private:
    StatusNotifierImages m_images;
    QString m_serviceName;
    bool m_published = false;
};

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip);

} // namespace quillo

Q_DECLARE_METATYPE(quillo::StatusNotifierImage)
Q_DECLARE_METATYPE(quillo::StatusNotifierToolTip)
