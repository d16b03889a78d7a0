#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "storage/preferences.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quillo;

/// The stored shortcut, its display text and the modifier conversion. Runs without a display: names that
/// come from the keyboard layout are tested on the test desktop (test_hotkey_manager).
class TestHotKeySettings : public QObject {
    Q_OBJECT
private slots:
    void carbonModifiers_data();
    void carbonModifiers();
    void format_data();
    void format();
    void freshPreferencesGiveTheDefaultAndWriteNothing();
    void storedValues_data();
    void storedValues();
    void applyWritesAndPublishesEvenWhenUnchanged();

private:
    QString freshFile() { return m_dir.filePath(QStringLiteral("p%1/Quillo.conf").arg(m_count++)); }
    QTemporaryDir m_dir;
    int m_count = 0;
};

void TestHotKeySettings::carbonModifiers_data() {
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<quint32>("mask");
    QTest::newRow("none") << Qt::KeyboardModifiers() << 0u;
    QTest::newRow("Meta is command") << Qt::KeyboardModifiers(Qt::MetaModifier) << 256u;
    QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier) << 512u;
    QTest::newRow("Alt is option") << Qt::KeyboardModifiers(Qt::AltModifier) << 2048u;
    QTest::newRow("Control") << Qt::KeyboardModifiers(Qt::ControlModifier) << 4096u;
    QTest::newRow("all four") << (Qt::MetaModifier | Qt::ShiftModifier | Qt::AltModifier |
                                  Qt::ControlModifier)
                              << 6912u;
    QTest::newRow("keypad alone") << Qt::KeyboardModifiers(Qt::KeypadModifier) << 0u;
    QTest::newRow("group switch alone") << Qt::KeyboardModifiers(Qt::GroupSwitchModifier) << 0u;
    QTest::newRow("keypad and Control") << (Qt::KeypadModifier | Qt::ControlModifier) << 4096u;
    QTest::newRow("every bit of the mask type") << Qt::KeyboardModifiers(Qt::KeyboardModifierMask) << 6912u;
}

void TestHotKeySettings::carbonModifiers() {
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(quint32, mask);
    QCOMPARE(Shortcut::carbonModifiersOf(modifiers), mask);
}

void TestHotKeySettings::format_data() {
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("shown");
    QTest::newRow("default") << 53u << 256u << QStringLiteral("⌘⎋");
    QTest::newRow("no modifiers") << 49u << 0u << QStringLiteral("Space");
    QTest::newRow("all four, in order") << 36u << 6912u << QStringLiteral("⌃⌥⇧⌘⏎");
    QTest::newRow("control and shift") << 48u << 4608u << QStringLiteral("⌃⇧⇥");
    QTest::newRow("bits outside the four ignored")
        << 123u << (1u | 2u | 1024u | 8192u | 0x80000000u) << QStringLiteral("←");
    QTest::newRow("every bit set") << 124u << 0xffffffffu << QStringLiteral("⌃⌥⇧⌘→");
    QTest::newRow("up") << 126u << 512u << QStringLiteral("⇧↑");
    // Without a keyboard to ask, every other key falls back to its number.
    QTest::newRow("no such key") << 200u << 0u << QStringLiteral("Key 200");
    QTest::newRow("beyond every evdev code") << 65536u + 768 << 256u << QStringLiteral("⌘Key 66304");
    QTest::newRow("letter without a keyboard") << 0u << 4096u << QStringLiteral("⌃Key 0");
}

void TestHotKeySettings::format() {
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, shown);
    Preferences preferences(freshFile());
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    QCOMPARE(HotKeySettings(preferences, manager).format(keyCode, modifiers), shown);
}

void TestHotKeySettings::freshPreferencesGiveTheDefaultAndWriteNothing() {
    Preferences preferences(freshFile());
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    HotKeySettings settings(preferences, manager);
    QCOMPARE(settings.keyCode(), 53u);
    QCOMPARE(settings.carbonModifiers(), 256u);
    QCOMPARE(settings.displayString(), QStringLiteral("⌘⎋"));
    QVERIFY(!preferences.contains(QString::fromLatin1(HotKeySettings::kKeyCodeKey)));
    QVERIFY(!preferences.contains(QString::fromLatin1(HotKeySettings::kModifiersKey)));
    QVERIFY(!QFileInfo::exists(preferences.fileName()));
    QVERIFY(!manager.registered()); // creating the settings registers nothing
}

void TestHotKeySettings::storedValues_data() {
    QTest::addColumn<QVariant>("storedKeyCode"); // invalid: absent
    QTest::addColumn<QVariant>("storedModifiers");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("shown");
    const QVariant absent;
    QTest::newRow("key code without a mask is the bare key")
        << QVariant(49) << absent << 49u << 0u << QStringLiteral("Space");
    QTest::newRow("mask without a key code is ignored")
        << absent << QVariant(4096) << 53u << 256u << QStringLiteral("⌘⎋");
    QTest::newRow("both") << QVariant(36) << QVariant(4608) << 36u << 4608u << QStringLiteral("⌃⇧⏎");
    QTest::newRow("mask not numeric")
        << QVariant(48) << QVariant(QStringLiteral("cmd")) << 48u << 0u << QStringLiteral("⇥");
    QTest::newRow("mask with unknown bits")
        << QVariant(53) << QVariant(65535) << 53u << 65535u << QStringLiteral("⌃⌥⇧⌘⎋");
    QTest::newRow("negative mask") << QVariant(53) << QVariant(-256) << 53u << 0u << QStringLiteral("⎋");
    QTest::newRow("mask beyond 32 bits")
        << QVariant(53) << QVariant(Q_INT64_C(0x100000100)) << 53u << 0u << QStringLiteral("⎋");
    QTest::newRow("largest key code") << QVariant(Q_INT64_C(4294967295)) << QVariant(256) << 4294967295u
                                      << 256u << QStringLiteral("⌘Key 4294967295");
    QTest::newRow("negative key code") << QVariant(-1) << QVariant(256) << HotKeySettings::kUnusableKeyCode
                                       << 256u << QStringLiteral("⌘Key 4294967295");
    QTest::newRow("key code beyond 32 bits")
        << QVariant(Q_INT64_C(4294967296 + 53)) << QVariant(0) << HotKeySettings::kUnusableKeyCode << 0u
        << QStringLiteral("Key 4294967295");
}

void TestHotKeySettings::storedValues() {
    QFETCH(QVariant, storedKeyCode);
    QFETCH(QVariant, storedModifiers);
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, shown);
    Preferences preferences(freshFile());
    if (storedKeyCode.isValid())
        preferences.setValue(QString::fromLatin1(HotKeySettings::kKeyCodeKey), storedKeyCode);
    if (storedModifiers.isValid())
        preferences.setValue(QString::fromLatin1(HotKeySettings::kModifiersKey), storedModifiers);

    HotKeyManager manager(x11::makeX11HotKeyBackend());
    HotKeySettings settings(preferences, manager);
    QCOMPARE(settings.keyCode(), keyCode);
    QCOMPARE(settings.carbonModifiers(), modifiers);
    QCOMPARE(settings.displayString(), shown);
    // Reading never repairs or fills in the stored values.
    QCOMPARE(preferences.value(QString::fromLatin1(HotKeySettings::kModifiersKey)).isValid(),
             storedModifiers.isValid());
}

void TestHotKeySettings::applyWritesAndPublishesEvenWhenUnchanged() {
    Preferences preferences(freshFile());
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    HotKeySettings settings(preferences, manager);
    QSignalSpy published(&settings, &HotKeySettings::displayStringChanged);
    const QString keyCodeKey = QString::fromLatin1(HotKeySettings::kKeyCodeKey);
    const QString modifiersKey = QString::fromLatin1(HotKeySettings::kModifiersKey);

    // The default again: nothing changes, yet both keys are written and the text is published.
    settings.apply(53, Qt::MetaModifier | Qt::KeypadModifier);
    QCOMPARE(published.count(), 1);
    QCOMPARE(settings.displayString(), QStringLiteral("⌘⎋"));
    QCOMPARE(Preferences(preferences.fileName()).integerValue(keyCodeKey), 53);
    QCOMPARE(Preferences(preferences.fileName()).integerValue(modifiersKey), 256);

    settings.apply(49, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    QCOMPARE(published.count(), 2);
    QCOMPARE(settings.keyCode(), 49u);
    QCOMPARE(settings.carbonModifiers(), 6912u);
    QCOMPARE(settings.displayString(), QStringLiteral("⌃⌥⇧⌘Space"));
    QCOMPARE(Preferences(preferences.fileName()).integerValue(modifiersKey), 6912);

    // A bare key is stored as it is: nothing is refused.
    settings.apply(0, Qt::GroupSwitchModifier);
    QCOMPARE(published.count(), 3);
    QCOMPARE(Preferences(preferences.fileName()).integerValue(keyCodeKey), 0);
    QCOMPARE(Preferences(preferences.fileName()).integerValue(modifiersKey), 0);
    HotKeyManager otherManager(x11::makeX11HotKeyBackend());
    QCOMPARE(HotKeySettings(preferences, otherManager).carbonModifiers(), 0u);
}

QTEST_GUILESS_MAIN(TestHotKeySettings)
#include "test_hotkey_settings.moc"
