// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace quillo {

/// A screen as Qt lays it out: its geometry in device-independent pixels and how many device pixels make one.
struct ScreenScale final {
    QRect geometry;
    qreal devicePixelRatio = 1.0;
};

/// A point in device pixels, as panels give where their tray icon was clicked (the X server's pixels, also
/// Xwayland's), in Qt's device-independent coordinates. Qt keeps each screen's top-left corner in both spaces
/// and scales what lies right of and below it: the point goes by the screen whose device-pixel area holds it,
/// else by the nearest one, to the device-independent pixel it lies in. Without screens it stays as it is.
QPoint fromDevicePixels(QPoint point, const QList<ScreenScale>& screens);

/// The same on the application's screens as they are now.
QPoint fromDevicePixels(QPoint point);

} // namespace quillo
