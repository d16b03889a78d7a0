// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "test_files.h"

#include <QTest>

using namespace quillo;
using namespace quillo::test;

/// The stored shortcut and its display text, without a display: names that come from the keyboard layout
/// are tested on the test desktop (tests/e2e/test_settings_window.py).
class TestHotKeySettings : public QObject {
    Q_OBJECT
private slots:
    void applyConvertsTheModifiers_data() {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<QString>("shown");
        QTest::newRow("all four, in order")
            << 36u << (Qt::MetaModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier) << 6912u
            << "⌃⌥⇧⌘⏎";
        QTest::newRow("keypad and group switch are no modifiers")
            << 48u << (Qt::KeypadModifier | Qt::GroupSwitchModifier | Qt::ControlModifier) << 4096u << "⌃⇥";
    }
    void applyConvertsTheModifiers() {
        QFETCH(quint32, keyCode);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(quint32, mask);
        QFETCH(QString, shown);
        TestHome home;
        HotKeyManager manager(x11::makeX11HotKeyBackend());
        HotKeySettings settings(home.preferences, manager);
        settings.apply(keyCode, modifiers);
        QCOMPARE(settings.carbonModifiers(), mask);
        QCOMPARE(settings.displayString(), shown);
    }

    void handEditedValues_data() {
        QTest::addColumn<QVariant>("storedKeyCode"); // invalid: absent
        QTest::addColumn<QVariant>("storedModifiers");
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("shown");
        const QVariant absent;
        const quint32 unusable = HotKeySettings::kUnusableKeyCode;
        QTest::newRow("nothing stored") << absent << absent << 53u << 256u << "⌘⎋";
        QTest::newRow("key code without a mask is the bare key")
            << QVariant(49) << absent << 49u << 0u << "Space";
        QTest::newRow("mask without a key code is ignored")
            << absent << QVariant(4096) << 53u << 256u << "⌘⎋";
        QTest::newRow("mask not numeric")
            << QVariant(48) << QVariant(QStringLiteral("cmd")) << 48u << 0u << "⇥";
        QTest::newRow("mask with unknown bits")
            << QVariant(53) << QVariant(65535) << 53u << 65535u << "⌃⌥⇧⌘⎋";
        QTest::newRow("negative mask") << QVariant(53) << QVariant(-256) << 53u << 0u << "⎋";
        QTest::newRow("mask beyond 32 bits")
            << QVariant(53) << QVariant(Q_INT64_C(0x100000100)) << 53u << 0u << "⎋";
        QTest::newRow("negative key code")
            << QVariant(-1) << QVariant(256) << unusable << 256u << "⌘Key 4294967295";
        QTest::newRow("key code beyond 32 bits")
            << QVariant(Q_INT64_C(4294967296 + 53)) << QVariant(0) << unusable << 0u << "Key 4294967295";
    }
    void handEditedValues() {
        QFETCH(QVariant, storedKeyCode);
        QFETCH(QVariant, storedModifiers);
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QString, shown);
        TestHome home;
        if (storedKeyCode.isValid())
            home.preferences.setValue(QString::fromLatin1(HotKeySettings::kKeyCodeKey), storedKeyCode);
        if (storedModifiers.isValid())
            home.preferences.setValue(QString::fromLatin1(HotKeySettings::kModifiersKey), storedModifiers);
        const QByteArray before = readFile(home.preferences.fileName());

        HotKeyManager manager(x11::makeX11HotKeyBackend());
        HotKeySettings settings(home.preferences, manager);
        QCOMPARE(settings.keyCode(), keyCode);
        QCOMPARE(settings.carbonModifiers(), modifiers);
        QCOMPARE(settings.displayString(), shown);
        QVERIFY(!manager.registered());                          // reading registers nothing
        QCOMPARE(readFile(home.preferences.fileName()), before); // nor repairs or fills in anything
        QCOMPARE(QFileInfo::exists(home.preferences.fileName()),
                 storedKeyCode.isValid() || storedModifiers.isValid());
    }
};

QTEST_GUILESS_MAIN(TestHotKeySettings)
#include "test_hotkey_settings.moc"
