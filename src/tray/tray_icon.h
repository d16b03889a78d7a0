// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusServiceWatcher>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

class QSystemTrayIcon;

namespace quillo {

class StatusNotifierItem;

/// Quillo's icon in the panel, whose left click shows or hides the note, and the place the note goes to.
/// Quillo's own StatusNotifierItem whenever a StatusNotifierWatcher (the panel's registry of such icons) is
/// on the session bus, as only it hears where the panel was clicked, in X11 and Wayland sessions alike; Qt's
/// tray icon otherwise, until a watcher appears. Main thread only.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void show(); ///< Puts the icon into the panel. Call once.
    /// Where the note window goes, in Qt's global coordinates: the icon's rectangle when Qt knows it, else a
    /// 1 x 1 rectangle at the spot the panel sent with the last click (or where the pointer was then, if it
    /// sent none); nothing before.
    std::optional<QRect> anchor() const;
    /// The own item in use, if it is; null while Qt's tray icon serves.
    StatusNotifierItem* statusNotifierItem() const { return m_item.get(); }

signals:
    void clicked(); ///< A left click (a quick second click counts as a click too).

private:
    void useStatusNotifierItem();
    void watcherAppeared();
    void useEmbeddedIcon();
    void itemActivated(QPoint at);

    QDBusServiceWatcher m_watcherOwner;
    std::unique_ptr<StatusNotifierItem> m_item;
    QPointer<QSystemTrayIcon> m_embedded;
    std::optional<QPoint> m_lastClick;
};

} // namespace quillo
