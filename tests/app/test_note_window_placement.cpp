// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/note_window_placement.h"

#include <QTest>

using namespace quillo;

/// Where the note window goes for a tray icon, on screens with the panel at the top or at the bottom.
class TestNoteWindowPlacement : public QObject {
    Q_OBJECT
private slots:
    void origin_data() {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("origin");

        // A 900 x 900 screen with a 24 px panel at the top: the icon sits in it, the window goes below.
        const QRect screen(0, 0, 900, 900);
        const QRect belowTopPanel(0, 24, 900, 876);
        const QSize note(340, 380);
        QTest::newRow("centred under the icon")
            << QRect(490, 0, 20, 24) << note << screen << belowTopPanel << QPoint(330, 30);
        QTest::newRow("near the right edge")
            << QRect(870, 0, 20, 24) << note << screen << belowTopPanel << QPoint(560, 30);
        QTest::newRow("near the left edge")
            << QRect(10, 0, 20, 24) << note << screen << belowTopPanel << QPoint(0, 30);
        QTest::newRow("wider than the screen ends at its right edge")
            << QRect(490, 0, 20, 24) << QSize(1000, 380) << screen << belowTopPanel << QPoint(-100, 30);
        QTest::newRow("taller than the room below is pulled up, not above the panel")
            << QRect(490, 0, 20, 24) << QSize(340, 890) << screen << belowTopPanel << QPoint(330, 24);

        // The same screen with the panel at the bottom: the window goes above the icon.
        const QRect abovePanel(0, 0, 900, 876);
        QTest::newRow("bottom panel: above the icon")
            << QRect(490, 876, 20, 24) << note << screen << abovePanel << QPoint(330, 876 - 6 - 380);
        QTest::newRow("bottom panel, taller than the room above")
            << QRect(490, 876, 20, 24) << QSize(340, 900) << screen << abovePanel << QPoint(330, 0);

        // Without a tray geometry the anchor is the 1 x 1 pointer position of the click.
        QTest::newRow("pointer in the bottom panel")
            << QRect(700, 890, 1, 1) << note << screen << abovePanel << QPoint(530, 496);

        // A second screen to the right of a 1280 px one, its panel at the top.
        QTest::newRow("second screen") << QRect(1280 + 1890, 0, 24, 28) << note << QRect(1280, 0, 1920, 1080)
                                       << QRect(1280, 28, 1920, 1052) << QPoint(1280 + 1920 - 340, 34);
        QTest::newRow("anchor exactly at the middle counts as lower half")
            << QRect(490, 440, 20, 20) << note << screen << QRect() << QPoint(330, 440 - 6 - 380);
        QTest::newRow("no screen known: below, unclamped")
            << QRect(890, 0, 20, 24) << note << QRect() << QRect() << QPoint(730, 30);
    }
    void origin() {
        QFETCH(QRect, anchor);
        QFETCH(QSize, window);
        QFETCH(QRect, screen);
        QFETCH(QRect, available);
        QFETCH(QPoint, origin);
        QCOMPARE(noteWindowOrigin(anchor, window, screen, available), origin);
    }
};

QTEST_APPLESS_MAIN(TestNoteWindowPlacement)
#include "test_note_window_placement.moc"
