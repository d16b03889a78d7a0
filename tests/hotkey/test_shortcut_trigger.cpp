// SPDX-License-Identifier: GPL-3.0-or-later
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
    void initTestCase() {
        for (const char* name : {"XKB_DEFAULT_RULES", "XKB_DEFAULT_MODEL", "XKB_DEFAULT_LAYOUT",
                                 "XKB_DEFAULT_VARIANT", "XKB_DEFAULT_OPTIONS"})
            qunsetenv(name);
    }

    void namesThePhysicalKey_data() {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("trigger");     // empty: the key cannot be named
        QTest::addColumn<int>("qtKeys");          // -1: no Qt key
        QTest::addColumn<QString>("accelerator"); // GNOME's
        const quint32 command = Shortcut::kCommand;
        const quint32 all = Shortcut::kCommand | Shortcut::kShift | Shortcut::kOption | Shortcut::kControl;
        const int metaEscape = 0x11000000; // KDE's own code for Meta+Esc, as its shortcut service reports it
        QTest::newRow("default") << 53u << command << "LOGO+Escape" << metaEscape << "<Super>Escape";
        QTest::newRow("every modifier, in a fixed order")
            << 49u << all << "CTRL+ALT+SHIFT+LOGO+space"
            << int(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier) +
                   Qt::Key_Space
            << "<Control><Alt><Shift><Super>space";
        QTest::newRow("letter: named lower case, Qt's key upper case")
            << 0u << quint32(Shortcut::kShift) << "SHIFT+a" << int(Qt::ShiftModifier) + Qt::Key_A
            << "<Shift>a";
        QTest::newRow("keypad, as without Num Lock") << 83u << quint32(Shortcut::kOption) << "ALT+KP_End"
                                                     << int(Qt::AltModifier) + Qt::Key_End << "<Alt>KP_End";
        QTest::newRow("key stored by its evdev code (F13)")
            << KeyCodes::kUntabledBase + 183 << command << "LOGO+XF86Tools" << -1 << "<Super>XF86Tools";
        QTest::newRow("mask bits beyond the four modifiers are ignored")
            << 53u << (command | 0x10000u) << "LOGO+Escape" << metaEscape << "<Super>Escape";
        QTest::newRow("a code that names no key") << 0xffffffffu << command << "" << -1 << "";
        QTest::newRow("gap in the table") << 200u << command << "" << -1 << "";
        QTest::newRow("beyond what the keymap maps")
            << KeyCodes::kUntabledBase + 0x2ff << command << "" << -1 << "";
    }
    void namesThePhysicalKey() {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QString, trigger);
        QFETCH(int, qtKeys);
        QFETCH(QString, accelerator);
        DefaultKeymap keymap;
        QCOMPARE(ShortcutTrigger::portalTrigger(Shortcut{keyCode, modifiers}, keymap),
                 trigger.isEmpty() ? std::nullopt : std::optional(trigger));
        QCOMPARE(ShortcutTrigger::qtKeyCombination(Shortcut{keyCode, modifiers}, keymap),
                 qtKeys < 0 ? std::nullopt : std::optional(qtKeys));
        QCOMPARE(ShortcutTrigger::gnomeAccelerator(Shortcut{keyCode, modifiers}, keymap),
                 accelerator.isEmpty() ? std::nullopt : std::optional(accelerator));
    }
};

QTEST_GUILESS_MAIN(TestShortcutTrigger)
#include "test_shortcut_trigger.moc"
