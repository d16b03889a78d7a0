#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "storage/preferences.h"
#include "test_keymap.h"
#include "x11_desktop.h"
#include "x11_other_client.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

using namespace quillo;
using namespace quillo::test;

namespace {

constexpr int kMod3Index = 5;
constexpr int kMod4Index = 6;

bool xdotool(const QStringList& arguments) {
    return !X11Desktop::xdotool(arguments).isNull();
}
bool press(const QString& keys) {
    return xdotool({QStringLiteral("key"), keys});
}
bool setLayout(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("setxkbmap"), arguments) == 0;
}

const QStringList kSuperKeysyms{QStringLiteral("0xffeb"), QStringLiteral("0xffec")};
const QStringList kScrollLockKeysym{QStringLiteral("0xff14")};
constexpr int kNoModifier = 8;

/// Puts the keys with these keysyms on modifier index (0 Shift .. 7 Mod5), or on none for kNoModifier.
bool moveToModifier(int index, const QStringList& keysyms) {
    return X11OtherClient::run(QStringList{QStringLiteral("move-modifier"), QString::number(index)} +
                               keysyms);
}

/// Every key press that reaches this process's X connection on the root window: the presses of its grabs,
/// repeats of a held key included. Sees them as Quillo's backend does, and lets them through.
class RootKeyPresses final : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & ~0x80) == XCB_KEY_PRESS) {
            const auto* keyPress = reinterpret_cast<const xcb_key_press_event_t*>(event);
            keycodes << keyPress->detail;
            states << keyPress->state;
            times << keyPress->time;
        }
        return false;
    }
    QList<xcb_keycode_t> keycodes;
    QList<quint16> states;
    QList<xcb_timestamp_t> times;
};

/// A window of this process that counts the key presses it receives.
class KeyWindow final : public QRasterWindow {
public:
    QList<int> keyPresses; ///< Qt::Key values.

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), Qt::darkCyan); }
    void keyPressEvent(QKeyEvent* event) override { keyPresses << event->key(); }
};

} // namespace

/// The X11 hotkey against the real X server of the test desktop, with key presses sent by xdotool from
/// another process while another client's window has the focus.
class TestHotKeyManager : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firesOncePerPressWhateverLocksAreOn_data();
    void firesOncePerPressWhateverLocksAreOn();
    void heldCombinationFiresOnce();
    void secondRegistrationReplacesTheFirst();
    void refusedWhileAnotherClientHoldsIt_data();
    void refusedWhileAnotherClientHoldsIt();
    void unregisterGivesTheCombinationBack();
    void registersWhatTheKeyboardCanPress_data();
    void registersWhatTheKeyboardCanPress();
    void followsSuperToAnotherModifier();
    void scrollLockOnAModifierChangesNothing();
    void shownWindowTakesTheFocus();
    void applyStoresAndRegistersAgain();
    void namesKeysOnTheCurrentLayout_data();
    void namesKeysOnTheCurrentLayout();
    void grabSurvivesALayoutChange();

private:
    /// _NET_WM_USER_TIME of a window, from its user time window when it has one.
    std::optional<xcb_timestamp_t> userTime(xcb_window_t window) const;
    /// Whether the other client's window has received a press of the key: after the sentinel "x" has arrived
    /// there, every earlier press it was sent has arrived too.
    bool otherWindowReceived(xcb_keycode_t keycode);

    X11Desktop m_desktop;
    X11OtherClient m_other;
    xcb_window_t m_otherWindow = 0;
    RootKeyPresses m_rootPresses;
    int m_fired = 0;
};

void TestHotKeyManager::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(setLayout({QStringLiteral("us")}));
    qApp->installNativeEventFilter(&m_rootPresses);
    m_otherWindow = m_other.showWindow(QStringLiteral("Another program"));
    QVERIFY(m_otherWindow);
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.clientList().contains(m_otherWindow), 5000); // managed by the WM
}

void TestHotKeyManager::init() {
    // Every press is sent while the other program's window has the focus.
    QVERIFY(xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(m_otherWindow)}));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), m_otherWindow, 5000);
    m_fired = 0;
    m_rootPresses.keycodes.clear();
    m_rootPresses.states.clear();
    m_rootPresses.times.clear();
}

void TestHotKeyManager::cleanup() {
    const quint16 state = m_desktop.modifierState();
    if (state & kLock)
        press(QStringLiteral("Caps_Lock"));
    if (state & kNumLock)
        press(QStringLiteral("Num_Lock"));
    QTRY_COMPARE(m_desktop.modifierState() & (kLock | kNumLock), 0);
}

bool TestHotKeyManager::otherWindowReceived(xcb_keycode_t keycode) {
    if (!press(QStringLiteral("x")))
        return false;
    if (!QTest::qWaitFor([this] { return m_other.keyPresses().contains(kXKey); }, 5000))
        return false;
    const bool received = m_other.keyPresses().contains(keycode);
    return received;
}

std::optional<xcb_timestamp_t> TestHotKeyManager::userTime(xcb_window_t window) const {
    const QList<quint32> timeWindow = m_desktop.cardinalProperty(window, "_NET_WM_USER_TIME_WINDOW");
    const QList<quint32> time =
        m_desktop.cardinalProperty(timeWindow.isEmpty() ? window : timeWindow.first(), "_NET_WM_USER_TIME");
    return time.isEmpty() ? std::nullopt : std::optional(xcb_timestamp_t(time.first()));
}

void TestHotKeyManager::firesOncePerPressWhateverLocksAreOn_data() {
    QTest::addColumn<QStringList>("lockKeys");
    QTest::addColumn<quint16>("lockBits");
    QTest::newRow("no lock") << QStringList() << quint16(0);
    QTest::newRow("Num Lock") << QStringList{QStringLiteral("Num_Lock")} << kNumLock;
    QTest::newRow("Caps Lock") << QStringList{QStringLiteral("Caps_Lock")} << kLock;
    QTest::newRow("Num Lock and Caps Lock")
        << QStringList{QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock")} << quint16(kNumLock | kLock);
}

void TestHotKeyManager::firesOncePerPressWhateverLocksAreOn() {
    QFETCH(QStringList, lockKeys);
    QFETCH(quint16, lockBits);
    for (const QString& key : lockKeys)
        QVERIFY(press(key));
    QTRY_COMPARE(m_desktop.modifierState() & (kLock | kNumLock), lockBits);

    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 1);
    QCOMPARE(m_rootPresses.states.value(0) & (kLock | kNumLock), lockBits); // the press really carried them
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 2);
    QVERIFY(!otherWindowReceived(kEscapeKey)); // the focused window never saw the combination
    QCOMPARE(m_fired, 2);
}

void TestHotKeyManager::heldCombinationFiresOnce() {
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));

    auto release = qScopeGuard([] { xdotool({QStringLiteral("keyup"), QStringLiteral("super+Escape")}); });
    QVERIFY(xdotool({QStringLiteral("keydown"), QStringLiteral("super+Escape")}));
    // Held until the server has repeated the key a few times.
    QTRY_VERIFY_WITH_TIMEOUT(m_rootPresses.keycodes.count(kEscapeKey) >= 4, 10000);
    release.dismiss();
    QVERIFY(xdotool({QStringLiteral("keyup"), QStringLiteral("super+Escape")}));
    QTRY_COMPARE(m_fired, 1);

    // Released, the next press counts again; the repeats before it had all been handled, and fired nothing.
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 2);
    QVERIFY(!otherWindowReceived(kEscapeKey));
    QCOMPARE(m_fired, 2);
}

void TestHotKeyManager::secondRegistrationReplacesTheFirst() {
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));
    QVERIFY(manager.registerHotKey(0, Shortcut::kCommand | Shortcut::kShift));
    QCOMPARE(manager.registered(), std::optional(Shortcut{0, Shortcut::kCommand | Shortcut::kShift}));

    // The first combination is free again: it reaches the focused window, and another client can take it.
    QVERIFY(press(QStringLiteral("super+Escape")));
    QVERIFY(otherWindowReceived(kEscapeKey));
    QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)), 5000);
    QCOMPARE(m_fired, 0);

    QVERIFY(press(QStringLiteral("super+shift+a")));
    QTRY_COMPARE(m_fired, 1);
}

void TestHotKeyManager::refusedWhileAnotherClientHoldsIt_data() {
    QTest::addColumn<quint16>("heldMask");
    QTest::newRow("the combination itself") << kSuper;
    QTest::newRow("its Num Lock variant") << quint16(kSuper | kNumLock);
    QTest::newRow("its Caps Lock and Num Lock variant") << quint16(kSuper | kLock | kNumLock);
}

void TestHotKeyManager::refusedWhileAnotherClientHoldsIt() {
    QFETCH(quint16, heldMask);
    X11OtherClient holder;
    QVERIFY(holder.grab(kEscapeKey, {heldMask}));

    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(!manager.registerHotKey(53, Shortcut::kCommand));
    QVERIFY(!manager.registered());
    manager.unregister(); // nothing registered: nothing to do

    // The variants granted before the refusal were given back: once the holder has gone, another client
    // gets every one of them.
    holder.stop();
    QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)), 5000);

    // A later registration tries again.
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 1);
}

void TestHotKeyManager::unregisterGivesTheCombinationBack() {
    {
        HotKeyManager manager(x11::makeX11HotKeyBackend());
        QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));
        for (quint16 mask : withEveryLock(kSuper))
            QVERIFY2(!X11OtherClient::canGrab(kEscapeKey, {mask}), qPrintable(QString::number(mask)));

        manager.unregister();
        QVERIFY(!manager.registered());
        manager.unregister();
        QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)), 5000);

        QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));
        QVERIFY(!X11OtherClient::canGrab(kEscapeKey, {kSuper}));
    }
    // A manager that goes away lets go of its grab.
    QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)), 5000);
}

void TestHotKeyManager::registersWhatTheKeyboardCanPress_data() {
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("keys"); // what fires it; empty: refused
    QTest::newRow("unknown mask bits ignored")
        << 53u << (0x80000000u | 1024u | Shortcut::kCommand) << QStringLiteral("super+Escape");
    QTest::newRow("bare key") << 96u << 0u << QStringLiteral("F5");
    QTest::newRow("untabled key (Compose)")
        << 65536u + 127 << Shortcut::kControl << QStringLiteral("ctrl+Menu");
    QTest::newRow("gap in the table") << 52u << Shortcut::kCommand << QString();
    QTest::newRow("evdev code beyond X keycodes") << 65536u + 300 << Shortcut::kCommand << QString();
    QTest::newRow("beyond every evdev code") << 65536u + 768 << Shortcut::kCommand << QString();
    QTest::newRow("largest 32-bit value") << 0xffffffffu << 0xffffffffu << QString();
}

void TestHotKeyManager::registersWhatTheKeyboardCanPress() {
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, keys);
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));
    QCOMPARE(manager.registerHotKey(keyCode, modifiers), !keys.isEmpty());
    QCOMPARE(manager.registered().has_value(), !keys.isEmpty());
    // The previous registration is gone either way.
    if (keyCode != 53)
        QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)), 5000);
    if (!keys.isEmpty()) {
        QVERIFY(press(keys));
        QTRY_COMPARE(m_fired, 1);
    }
}

void TestHotKeyManager::followsSuperToAnotherModifier() {
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));

    auto restore = qScopeGuard([] { moveToModifier(kMod4Index, kSuperKeysyms); });
    QVERIFY(moveToModifier(kMod3Index, kSuperKeysyms));
    // The grab follows Super to Mod3 once the mapping change has been seen.
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kEscapeKey, {kMod3}), 5000);
    QVERIFY(X11OtherClient::canGrab(kEscapeKey, {kSuper}));
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 1);
    QCOMPARE(m_rootPresses.states.value(0) & 0xff, kMod3);

    restore.dismiss();
    QVERIFY(moveToModifier(kMod4Index, kSuperKeysyms));
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kEscapeKey, {kSuper}), 5000);
}

void TestHotKeyManager::scrollLockOnAModifierChangesNothing() {
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));

    // Most keymaps give Scroll Lock no modifier; where one does, its state must not matter either.
    auto restore = qScopeGuard([this] {
        if (m_desktop.modifierState() & kMod3)
            press(QStringLiteral("Scroll_Lock"));
        moveToModifier(kNoModifier, kScrollLockKeysym);
    });
    QVERIFY(moveToModifier(kMod3Index, kScrollLockKeysym));
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kEscapeKey, {quint16(kSuper | kMod3)}), 5000);
    QVERIFY(press(QStringLiteral("Scroll_Lock")));
    QTRY_COMPARE(m_desktop.modifierState() & kMod3, kMod3);
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 1);
    QCOMPARE(m_rootPresses.states.value(0) & 0xff, kSuper | kMod3);
}

void TestHotKeyManager::shownWindowTakesTheFocus() {
    KeyWindow window;
    window.setTitle(QStringLiteral("Shown by the hotkey"));
    window.resize(240, 160);
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [&window] {
        if (window.isVisible()) {
            window.hide();
        } else {
            window.show();
            window.requestActivate();
        }
    };
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));

    // Still held when the action runs, as a person's keys often are.
    auto release = qScopeGuard([] { xdotool({QStringLiteral("keyup"), QStringLiteral("super+Escape")}); });
    QVERIFY(xdotool({QStringLiteral("keydown"), QStringLiteral("super+Escape")}));
    QTRY_VERIFY(window.isExposed());
    // The window shown by the action carries a user time no older than the press, so that a window manager
    // that prevents focus stealing lets it take the focus.
    QCOMPARE(m_rootPresses.times.size(), 1);
    const std::optional<xcb_timestamp_t> shownAt = userTime(xcb_window_t(window.winId()));
    QVERIFY(shownAt);
    QVERIFY2(*shownAt >= m_rootPresses.times.first(),
             qPrintable(
                 QStringLiteral("user time %1, press at %2").arg(*shownAt).arg(m_rootPresses.times.first())));
    release.dismiss();
    QVERIFY(xdotool({QStringLiteral("keyup"), QStringLiteral("super+Escape")}));
    // The window manager gives the window the focus, taking it from the other program's window.
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.activeWindow(), xcb_window_t(window.winId()), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), xcb_window_t(window.winId()), 5000);
    QVERIFY(press(QStringLiteral("x")));
    QTRY_VERIFY(window.keyPresses.contains(Qt::Key_X));

    // With the window focused, the combination is still the hotkey, and Escape never a key typed into it.
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(!window.keyPresses.contains(Qt::Key_Escape));
}

void TestHotKeyManager::applyStoresAndRegistersAgain() {
    QTemporaryDir dir;
    Preferences preferences(dir.filePath(QStringLiteral("Quillo.conf")));
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    HotKeySettings settings(preferences, manager);
    QVERIFY(!manager.registered());

    settings.apply(53, Qt::MetaModifier);
    QCOMPARE(manager.registered(), std::optional(Shortcut{53, Shortcut::kCommand}));
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 1);

    // The same shortcut again is registered again, not dropped.
    settings.apply(53, Qt::MetaModifier);
    QCOMPARE(manager.registered(), std::optional(Shortcut{53, Shortcut::kCommand}));
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 2);

    settings.apply(0, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    QCOMPARE(settings.displayString(), QStringLiteral("⌃⌥⇧⌘A"));
    QVERIFY(press(QStringLiteral("ctrl+alt+shift+super+a")));
    QTRY_COMPARE(m_fired, 3);
    QVERIFY(press(QStringLiteral("super+Escape")));
    QVERIFY(otherWindowReceived(kEscapeKey));
    QCOMPARE(m_fired, 3);
}

void TestHotKeyManager::namesKeysOnTheCurrentLayout_data() {
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<int>("group");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("shown");
    const QStringList us{QStringLiteral("us")};
    const QStringList ru{QStringLiteral("ru")};
    const QStringList usRu{QStringLiteral("-layout"), QStringLiteral("us,ru")};
    QTest::newRow("us: A") << us << 0 << 0u << 0u << QStringLiteral("A");
    QTest::newRow("us: control shift A") << us << 0 << 0u << 4608u << QStringLiteral("⌃⇧A");
    QTest::newRow("us: grave") << us << 0 << 50u << 256u << QStringLiteral("⌘`");
    QTest::newRow("us: keypad minus") << us << 0 << 78u << 0u << QStringLiteral("-");
    QTest::newRow("us: F5 types nothing") << us << 0 << 96u << 256u << QStringLiteral("⌘Key 96");
    QTest::newRow("us: Yen key types nothing") << us << 0 << 93u << 0u << QStringLiteral("Key 93");
    QTest::newRow("us: gap in the table") << us << 0 << 52u << 0u << QStringLiteral("Key 52");
    QTest::newRow("us: Compose, untabled") << us << 0 << 65536u + 127 << 0u << QStringLiteral("Key 65663");
    QTest::newRow("us: untabled evdev code beyond X")
        << us << 0 << 65536u + 300 << 0u << QStringLiteral("Key 65836");
    QTest::newRow("ru: A key is Ф") << ru << 0 << 0u << 0u << QStringLiteral("Ф");
    QTest::newRow("ru: quote key is Э") << ru << 0 << 39u << 2048u << QStringLiteral("⌥Э");
    QTest::newRow("ru: arrows keep their names") << ru << 0 << 123u << 0u << QStringLiteral("←");
    QTest::newRow("ru: Space keeps its name") << ru << 0 << 49u << 0u << QStringLiteral("Space");
    QTest::newRow("de: the Y key types z")
        << QStringList{QStringLiteral("de")} << 0 << 16u << 0u << QStringLiteral("Z");
    QTest::newRow("de: sharp s upper-cases to SS")
        << QStringList{QStringLiteral("de")} << 0 << 27u << 0u << QStringLiteral("SS");
    QTest::newRow("us,ru in group 1") << usRu << 1 << 0u << 0u << QStringLiteral("Ф");
    QTest::newRow("us,ru in group 0") << usRu << 0 << 0u << 0u << QStringLiteral("A");
}

void TestHotKeyManager::namesKeysOnTheCurrentLayout() {
    QFETCH(QStringList, layout);
    QFETCH(int, group);
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, shown);
    auto restore = qScopeGuard([] { setLayout({QStringLiteral("us")}); });
    QVERIFY(setLayout(layout));
    QVERIFY(X11OtherClient::run({QStringLiteral("lock-group"), QString::number(group)}));
    // Read afresh: the name follows the layout that is current now.
    QTemporaryDir folder;
    Preferences preferences(folder.filePath(QStringLiteral("Quillo.conf")));
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    QCOMPARE(HotKeySettings(preferences, manager).format(keyCode, modifiers), shown);
}

void TestHotKeyManager::grabSurvivesALayoutChange() {
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));
    auto restore = qScopeGuard([] { setLayout({QStringLiteral("us")}); });
    QVERIFY(setLayout({QStringLiteral("ru")}));
    QTemporaryDir folder;
    Preferences preferences(folder.filePath(QStringLiteral("Quillo.conf")));
    QCOMPARE(HotKeySettings(preferences, manager).keyName(0), QStringLiteral("Ф"));
    // The new keyboard makes the backend take its grab again; the combination keeps working.
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kEscapeKey, {kSuper}), 5000);
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 1);
}

QTEST_MAIN(TestHotKeyManager)
#include "test_hotkey_manager.moc"
