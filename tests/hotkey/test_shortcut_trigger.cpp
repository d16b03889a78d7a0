#include "hotkey/key_codes.h"
#include "hotkey/portal/default_keymap.h"
#include "hotkey/portal/shortcut_trigger.h"

#include <QTest>

using namespace quillo;
using namespace quillo::portal;

/// The stored shortcut in the words the desktop's shortcut services take, on xkbcommon's default keymap
/// (evdev rules, US layout: the test run sets no XKB_DEFAULT_* variables).
class TestShortcutTrigger : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void namesThePhysicalKey_data();
    void namesThePhysicalKey();
    void keysNoKeymapKnowsAreNotNamed();
    void keyTextIsWhatTheKeyTypes_data();
    void keyTextIsWhatTheKeyTypes();
};

void TestShortcutTrigger::initTestCase() {
    for (const char* name : {"XKB_DEFAULT_RULES", "XKB_DEFAULT_MODEL", "XKB_DEFAULT_LAYOUT",
                             "XKB_DEFAULT_VARIANT", "XKB_DEFAULT_OPTIONS"})
        qunsetenv(name);
}

void TestShortcutTrigger::namesThePhysicalKey_data() {
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("qtKeys");
    const quint32 command = Shortcut::kCommand;
    const quint32 all = Shortcut::kCommand | Shortcut::kShift | Shortcut::kOption | Shortcut::kControl;
    // KDE's own code for Meta+Esc, as its shortcut service reports it.
    QTest::newRow("default") << 53u << command << QStringLiteral("LOGO+Escape") << 0x11000000;
    QTest::newRow("every modifier, in a fixed order")
        << 49u << all << QStringLiteral("CTRL+ALT+SHIFT+LOGO+space")
        << int(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier) + Qt::Key_Space;
    QTest::newRow("letter: named lower case, Qt's key upper case")
        << 0u << quint32(Shortcut::kShift) << QStringLiteral("SHIFT+a") << int(Qt::ShiftModifier) + Qt::Key_A;
    QTest::newRow("no modifier") << 122u << 0u << QStringLiteral("F1") << int(Qt::Key_F1);
    QTest::newRow("punctuation") << 27u << quint32(Shortcut::kControl) << QStringLiteral("CTRL+minus")
                                 << int(Qt::ControlModifier) + Qt::Key_Minus;
    QTest::newRow("arrow") << 123u << command << QStringLiteral("LOGO+Left")
                           << int(Qt::MetaModifier) + Qt::Key_Left;
    QTest::newRow("keypad, as without Num Lock")
        << 83u << quint32(Shortcut::kOption) << QStringLiteral("ALT+KP_End")
        << int(Qt::AltModifier) + Qt::Key_End;
    // A key the table does not know, stored by its evdev code: KEY_F13 (183).
    QTest::newRow("key stored by its evdev code")
        << KeyCodes::kUntabledBase + 183 << command << QStringLiteral("LOGO+XF86Tools") << -1;
    QTest::newRow("mask bits beyond the four modifiers are ignored")
        << 53u << (command | 0x10000u) << QStringLiteral("LOGO+Escape") << 0x11000000;
}

void TestShortcutTrigger::namesThePhysicalKey() {
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, trigger);
    QFETCH(int, qtKeys);
    DefaultKeymap keymap;
    QCOMPARE(ShortcutTrigger::portalTrigger(Shortcut{keyCode, modifiers}, keymap), std::optional(trigger));
    const std::optional<int> expected = qtKeys < 0 ? std::nullopt : std::optional(qtKeys);
    QCOMPARE(ShortcutTrigger::qtKeyCombination(Shortcut{keyCode, modifiers}, keymap), expected);
}

void TestShortcutTrigger::keysNoKeymapKnowsAreNotNamed() {
    DefaultKeymap keymap;
    // A code that names no key, and a physical key beyond what the keymap maps.
    for (const quint32 keyCode : {0xffffffffu, 200u, KeyCodes::kUntabledBase + 0x2ff}) {
        QCOMPARE(ShortcutTrigger::portalTrigger(Shortcut{keyCode, Shortcut::kCommand}, keymap), std::nullopt);
        QCOMPARE(ShortcutTrigger::qtKeyCombination(Shortcut{keyCode, Shortcut::kCommand}, keymap),
                 std::nullopt);
    }
}

void TestShortcutTrigger::keyTextIsWhatTheKeyTypes_data() {
    QTest::addColumn<quint32>("evdevCode");
    QTest::addColumn<QString>("text");
    QTest::newRow("letter") << 30u << QStringLiteral("a");
    QTest::newRow("digit") << 2u << QStringLiteral("1");
    QTest::newRow("punctuation") << 51u << QStringLiteral(",");
    QTest::newRow("space") << 57u << QStringLiteral(" ");
    QTest::newRow("Escape types nothing") << 1u << QString();
    QTest::newRow("F1 types nothing") << 59u << QString();
}

void TestShortcutTrigger::keyTextIsWhatTheKeyTypes() {
    QFETCH(quint32, evdevCode);
    QFETCH(QString, text);
    DefaultKeymap keymap;
    QCOMPARE(keymap.text(evdevCode), text.isNull() ? std::nullopt : std::optional(text));
}

QTEST_GUILESS_MAIN(TestShortcutTrigger)
#include "test_shortcut_trigger.moc"
