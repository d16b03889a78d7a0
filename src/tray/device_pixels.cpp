// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_pixels.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

#include <algorithm>

namespace quillo {
namespace {

/// How far the point lies outside the screen's device-pixel area, squared; 0 inside it.
qint64 distanceSquared(QPoint point, const ScreenScale& screen) {
    const QRect area(screen.geometry.topLeft(), screen.geometry.size() * screen.devicePixelRatio);
    const qint64 dx = std::max({area.left() - point.x(), 0, point.x() - area.right()});
    const qint64 dy = std::max({area.top() - point.y(), 0, point.y() - area.bottom()});
    return dx * dx + dy * dy;
}

} // namespace

QPoint fromDevicePixels(QPoint point, const QList<ScreenScale>& screens) {
    const auto nearer = [point](const ScreenScale& a, const ScreenScale& b) {
        return distanceSquared(point, a) < distanceSquared(point, b);
    };
    const auto screen = std::min_element(screens.begin(), screens.end(), nearer);
    if (screen == screens.end())
        return point;
    const QPoint origin = screen->geometry.topLeft();
    const QPointF scaled = QPointF(point - origin) / screen->devicePixelRatio;
    return origin + QPoint(qFloor(scaled.x()), qFloor(scaled.y()));
}

QPoint fromDevicePixels(QPoint point) {
    QList<ScreenScale> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->devicePixelRatio()});
    return fromDevicePixels(point, screens);
}

} // namespace quillo
