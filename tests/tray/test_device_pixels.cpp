// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/device_pixels.h"

#include <QTest>

using namespace quillo;
Q_DECLARE_METATYPE(ScreenScale)

/// A panel's click spot in device pixels, in Qt's coordinates, on one screen or on two of different scales.
class TestDevicePixels : public QObject {
    Q_OBJECT
private slots:
    void fromDevicePixels_data() {
        QTest::addColumn<QList<ScreenScale>>("screens");
        QTest::addColumn<QPoint>("spot");
        QTest::addColumn<QPoint>("point");
        const ScreenScale doubled{QRect(0, 0, 1280, 800), 2.0}; // 2560 x 1600 device pixels
        QTest::newRow("200 %, odd pixel") << QList{doubled} << QPoint(401, 1599) << QPoint(200, 799);
        // Qt puts a second screen where the first ends in device pixels, and keeps its top-left corner.
        const QList screens{ScreenScale{QRect(0, 0, 1280, 800), 1.0},
                            ScreenScale{QRect(1280, 0, 960, 540), 2.0}};
        QTest::newRow("unscaled left of two") << screens << QPoint(1279, 799) << QPoint(1279, 799);
        QTest::newRow("200 % right of two") << screens << QPoint(1281, 1079) << QPoint(1280, 539);
        QTest::newRow("below both: the nearer") << screens << QPoint(1300, 1200) << QPoint(1290, 600);
    }
    void fromDevicePixels() {
        QFETCH(QList<ScreenScale>, screens);
        QFETCH(QPoint, spot);
        QFETCH(QPoint, point);
        QCOMPARE(quillo::fromDevicePixels(spot, screens), point);
    }
};

QTEST_APPLESS_MAIN(TestDevicePixels)
#include "test_device_pixels.moc"
