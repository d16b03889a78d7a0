#include "hotkey/key_codes.h"

#include <QTest>

using namespace quillo;

/// Stored key codes and evdev codes, both ways: a wrong row would grab or name the wrong physical key.
class TestKeyCodes : public QObject {
    Q_OBJECT
private slots:
    void tabledKeys_data();
    void tabledKeys();
    void everyKeyRoundTrips();
    void keysOutsideTheTable_data();
    void keysOutsideTheTable();
    void modifierKeys();
};

void TestKeyCodes::tabledKeys_data() {
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("evdevCode");
    QTest::newRow("A") << 0u << 30u;
    QTest::newRow("ISO section") << 10u << 86u;
    QTest::newRow("Y") << 16u << 21u;
    QTest::newRow("Return") << 36u << 28u;
    QTest::newRow("Space") << 49u << 57u;
    QTest::newRow("Escape") << 53u << 1u;
    QTest::newRow("Keypad Clear (Num Lock)") << 71u << 69u;
    QTest::newRow("JIS Yen") << 93u << 124u;
    QTest::newRow("F5") << 96u << 63u;
    QTest::newRow("F13 (Print Screen)") << 105u << 99u;
    QTest::newRow("Help (Insert)") << 114u << 110u;
    QTest::newRow("Forward Delete") << 117u << 111u;
    QTest::newRow("Up Arrow") << 126u << 103u;
}

void TestKeyCodes::tabledKeys() {
    QFETCH(quint32, keyCode);
    QFETCH(quint32, evdevCode);
    QCOMPARE(KeyCodes::evdevCode(keyCode), std::optional(evdevCode));
    QCOMPARE(KeyCodes::keyCode(evdevCode), std::optional(keyCode));
}

void TestKeyCodes::everyKeyRoundTrips() {
    // Every physical key gets a stored code that leads back to it, and no two keys share one.
    for (quint32 evdev = 0; evdev <= KeyCodes::kLargestEvdevCode; ++evdev) {
        const std::optional<quint32> stored = KeyCodes::keyCode(evdev);
        QVERIFY2(stored, qPrintable(QString::number(evdev)));
        QCOMPARE(KeyCodes::evdevCode(*stored), std::optional(evdev));
    }
    int tabled = 0;
    for (quint32 stored = 0; stored < KeyCodes::kUntabledBase; ++stored) {
        if (const std::optional<quint32> evdev = KeyCodes::evdevCode(stored)) {
            QCOMPARE(KeyCodes::keyCode(*evdev), std::optional(stored));
            ++tabled;
        }
    }
    QCOMPARE(tabled, 116);
    QVERIFY(!KeyCodes::keyCode(KeyCodes::kLargestEvdevCode + 1));
}

void TestKeyCodes::keysOutsideTheTable_data() {
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<qint64>("evdevCode"); // -1: names no key
    QTest::newRow("gap in the table (52)") << 52u << -1LL;
    QTest::newRow("beyond the table (200)") << 200u << -1LL;
    QTest::newRow("last below 65536") << 65535u << -1LL;
    QTest::newRow("Compose key, untabled") << 65536u + 127 << 127LL;
    QTest::newRow("largest evdev code") << 65536u + 767 << 767LL;
    QTest::newRow("beyond the largest evdev code") << 65536u + 768 << -1LL;
    QTest::newRow("largest 32-bit value") << 0xffffffffu << -1LL;
}

void TestKeyCodes::keysOutsideTheTable() {
    QFETCH(quint32, keyCode);
    QFETCH(qint64, evdevCode);
    const std::optional<quint32> found = KeyCodes::evdevCode(keyCode);
    QCOMPARE(found ? qint64(*found) : -1, evdevCode);
}

void TestKeyCodes::modifierKeys() {
    for (quint32 keyCode : {54u, 55u, 56u, 57u, 58u, 59u, 60u, 61u, 62u})
        QVERIFY2(KeyCodes::isModifierKey(keyCode), qPrintable(QString::number(keyCode)));
    QVERIFY(KeyCodes::isModifierKey(65536 + 42)); // left Shift in its untabled form
    for (quint32 keyCode : {0u, 53u, 63u, 71u, 65536u + 127, 0xffffffffu})
        QVERIFY2(!KeyCodes::isModifierKey(keyCode), qPrintable(QString::number(keyCode)));
}

QTEST_GUILESS_MAIN(TestKeyCodes)
#include "test_key_codes.moc"
