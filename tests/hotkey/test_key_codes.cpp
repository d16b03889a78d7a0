// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkey/key_codes.h"

#include <QTest>

using namespace quillo;

/// Stored key codes and evdev codes, both ways: a wrong row would grab or name the wrong physical key.
class TestKeyCodes : public QObject {
    Q_OBJECT
private slots:
    void evdevCode_data() {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<qint64>("evdevCode"); // -1: names no key
        QTest::newRow("A") << 0u << 30LL;
        QTest::newRow("Y, where German keyboards have Z") << 16u << 21LL;
        QTest::newRow("Escape") << 53u << 1LL;
        QTest::newRow("gap in the table") << 52u << -1LL;
        QTest::newRow("last below the untabled codes") << 65535u << -1LL;
        QTest::newRow("untabled Compose key") << 65536u + 127 << 127LL;
        QTest::newRow("largest evdev code") << 65536u + 767 << 767LL;
        QTest::newRow("beyond the largest evdev code") << 65536u + 768 << -1LL;
        QTest::newRow("largest 32-bit value") << 0xffffffffu << -1LL;
    }
    void evdevCode() {
        QFETCH(quint32, keyCode);
        QFETCH(qint64, evdevCode);
        const std::optional<quint32> found = KeyCodes::evdevCode(keyCode);
        QCOMPARE(found ? qint64(*found) : -1, evdevCode);
        if (found)
            QCOMPARE(KeyCodes::keyCode(*found), std::optional(keyCode));
    }

    void everyPhysicalKeyHasItsOwnCode() {
        // Every physical key gets a stored code that leads back to it, so no two keys share one.
        for (quint32 evdev = 0; evdev <= KeyCodes::kLargestEvdevCode; ++evdev) {
            const std::optional<quint32> stored = KeyCodes::keyCode(evdev);
            QVERIFY2(stored, qPrintable(QString::number(evdev)));
            QCOMPARE(KeyCodes::evdevCode(*stored), std::optional(evdev));
        }
        for (quint32 stored = 0; stored < KeyCodes::kUntabledBase; ++stored)
            if (const std::optional<quint32> evdev = KeyCodes::evdevCode(stored))
                QCOMPARE(KeyCodes::keyCode(*evdev), std::optional(stored));
        QVERIFY(!KeyCodes::keyCode(KeyCodes::kLargestEvdevCode + 1));
    }
};

QTEST_GUILESS_MAIN(TestKeyCodes)
#include "test_key_codes.moc"
