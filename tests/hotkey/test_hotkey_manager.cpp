#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "test_files.h"
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
#include <QTest>

#include <xcb/xcb.h>

using namespace quillo;
using namespace quillo::test;

namespace {

constexpr int kMod3Index = 5;
constexpr int kMod4Index = 6;
const QStringList kSuperKeysyms{QStringLiteral("0xffeb"), QStringLiteral("0xffec")};

bool xdotool(const QStringList& arguments) {
    return !X11Desktop::xdotool(arguments).isNull();
}
bool press(const QString& keys) {
    return xdotool({QStringLiteral("key"), keys});
}
bool setLayout(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("setxkbmap"), arguments) == 0;
}
/// Puts the keys with these keysyms on modifier index (0 Shift .. 7 Mod5).
bool moveToModifier(int index, const QStringList& keysyms) {
    return X11OtherClient::run(QStringList{QStringLiteral("move-modifier"), QString::number(index)} +
                               keysyms);
}

/// Every key press that reaches this process's X connection on the root window, repeats of a held key
/// included: sees them as Quillo's backend does, and lets them through.
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
    void clear() {
        keycodes.clear();
        states.clear();
        times.clear();
    }
    QList<xcb_keycode_t> keycodes;
    QList<quint16> states;
    QList<xcb_timestamp_t> times;
};

/// A window of this process that keeps the keys it receives.
class KeyWindow final : public QRasterWindow {
public:
    QList<int> keyPresses;

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
    void refusalLeavesNothingGrabbed_data();
    void refusalLeavesNothingGrabbed();
    void replacedRefusedOrDroppedCombinationIsFreeAgain();
    void followsTheKeyboardThroughMappingChanges();
    void shownWindowTakesTheFocus();
    void namesKeysOnTheCurrentLayout_data();
    void namesKeysOnTheCurrentLayout();

private:
    std::unique_ptr<HotKeyManager> makeManager(quint32 keyCode = 53, quint32 modifiers = Shortcut::kCommand);
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
    m_rootPresses.clear();
}

void TestHotKeyManager::cleanup() {
    const quint16 state = m_desktop.modifierState();
    if (state & kLock)
        press(QStringLiteral("Caps_Lock"));
    if (state & kNumLock)
        press(QStringLiteral("Num_Lock"));
    QTRY_COMPARE(m_desktop.modifierState() & (kLock | kNumLock), 0);
}

std::unique_ptr<HotKeyManager> TestHotKeyManager::makeManager(quint32 keyCode, quint32 modifiers) {
    auto manager = std::make_unique<HotKeyManager>(x11::makeX11HotKeyBackend());
    manager->action = [this] { ++m_fired; };
    if (!manager->registerHotKey(keyCode, modifiers))
        qWarning("the hotkey was refused");
    return manager;
}

bool TestHotKeyManager::otherWindowReceived(xcb_keycode_t keycode) {
    if (!press(QStringLiteral("x")))
        return false;
    if (!QTest::qWaitFor([this] { return m_other.keyPresses().contains(kXKey); }, 5000))
        return false;
    return m_other.keyPresses().contains(keycode);
}

void TestHotKeyManager::firesOncePerPressWhateverLocksAreOn_data() {
    QTest::addColumn<QStringList>("lockKeys");
    QTest::addColumn<quint16>("lockBits");
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

    const auto manager = makeManager();
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 1);
    QCOMPARE(m_rootPresses.states.value(0) & (kLock | kNumLock), lockBits); // the press really carried them
    QVERIFY(!otherWindowReceived(kEscapeKey)); // the focused window never saw the combination
    QCOMPARE(m_fired, 1);
}

void TestHotKeyManager::heldCombinationFiresOnce() {
    const auto manager = makeManager();
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

void TestHotKeyManager::refusalLeavesNothingGrabbed_data() {
    QTest::addColumn<quint16>("heldMask");
    QTest::newRow("its Num Lock variant") << quint16(kSuper | kNumLock);
    QTest::newRow("its Caps Lock and Num Lock variant") << quint16(kSuper | kLock | kNumLock);
}

void TestHotKeyManager::refusalLeavesNothingGrabbed() {
    QFETCH(quint16, heldMask);
    X11OtherClient holder;
    QVERIFY(holder.grab(kEscapeKey, {heldMask}));

    HotKeyManager manager(x11::makeX11HotKeyBackend());
    manager.action = [this] { ++m_fired; };
    QVERIFY(!manager.registerHotKey(53, Shortcut::kCommand));
    QVERIFY(!manager.registered());

    // The variants granted before the refusal were given back: once the holder has gone, another client
    // gets every one of them.
    holder.stop();
    QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)), 5000);

    // A later registration tries again.
    QVERIFY(manager.registerHotKey(53, Shortcut::kCommand));
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 1);
}

void TestHotKeyManager::replacedRefusedOrDroppedCombinationIsFreeAgain() {
    constexpr xcb_keycode_t kMenuKey = 135;
    {
        const auto manager = makeManager();
        // A key the table does not know (Compose, by its evdev code) takes the place of the first one.
        QVERIFY(manager->registerHotKey(65536 + 127, Shortcut::kControl));
        QVERIFY(press(QStringLiteral("super+Escape")));
        QVERIFY(otherWindowReceived(kEscapeKey));
        QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)), 5000);
        QCOMPARE(m_fired, 0);
        QVERIFY(press(QStringLiteral("ctrl+Menu")));
        QTRY_COMPARE(m_fired, 1);

        // A code that names no key is refused, and the one before is let go of all the same.
        QVERIFY(!manager->registerHotKey(52, Shortcut::kControl));
        QVERIFY(!manager->registered());
        QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kMenuKey, withEveryLock(XCB_MOD_MASK_CONTROL)),
                                 5000);
        QVERIFY(manager->registerHotKey(53, Shortcut::kCommand));
    }
    // A manager that goes away lets go of its grab.
    QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)), 5000);
}

void TestHotKeyManager::followsTheKeyboardThroughMappingChanges() {
    const auto manager = makeManager();
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

    // A new keyboard layout makes the backend take its grab again; the combination keeps working.
    auto us = qScopeGuard([] { setLayout({QStringLiteral("us")}); });
    QVERIFY(setLayout({QStringLiteral("ru")}));
    QTRY_COMPARE_WITH_TIMEOUT(manager->keyText(0), std::optional(QStringLiteral("ф")), 5000);
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE(m_fired, 2);
    QVERIFY(!X11OtherClient::canGrab(kEscapeKey, {kSuper}));
}

void TestHotKeyManager::shownWindowTakesTheFocus() {
    KeyWindow window;
    window.setTitle(QStringLiteral("Shown by the hotkey"));
    window.resize(240, 160);
    const auto manager = makeManager();
    manager->action = [&window] {
        if (window.isVisible()) {
            window.hide();
        } else {
            window.show();
            window.requestActivate();
        }
    };

    // Still held when the action runs, as a person's keys often are.
    auto release = qScopeGuard([] { xdotool({QStringLiteral("keyup"), QStringLiteral("super+Escape")}); });
    QVERIFY(xdotool({QStringLiteral("keydown"), QStringLiteral("super+Escape")}));
    QTRY_VERIFY(window.isExposed());
    // The window carries a user time no older than the press, so that a window manager that prevents focus
    // stealing lets it take the focus.
    QCOMPARE(m_rootPresses.times.size(), 1);
    const QList<quint32> timeWindow =
        m_desktop.cardinalProperty(xcb_window_t(window.winId()), "_NET_WM_USER_TIME_WINDOW");
    const QList<quint32> userTime = m_desktop.cardinalProperty(
        timeWindow.isEmpty() ? xcb_window_t(window.winId()) : timeWindow.first(), "_NET_WM_USER_TIME");
    QVERIFY(!userTime.isEmpty());
    QVERIFY2(userTime.first() >= m_rootPresses.times.first(),
             qPrintable(QStringLiteral("user time %1, press at %2")
                            .arg(userTime.first())
                            .arg(m_rootPresses.times.first())));
    release.dismiss();
    QVERIFY(xdotool({QStringLiteral("keyup"), QStringLiteral("super+Escape")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.activeWindow(), xcb_window_t(window.winId()), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), xcb_window_t(window.winId()), 5000);

    // With the window focused, the combination is still the hotkey, and Escape never a key typed into it.
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(!window.keyPresses.contains(Qt::Key_Escape));
}

void TestHotKeyManager::namesKeysOnTheCurrentLayout_data() {
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<int>("group");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<QString>("shown");
    const QStringList us{QStringLiteral("us")};
    const QStringList ru{QStringLiteral("ru")};
    const QStringList usRu{QStringLiteral("-layout"), QStringLiteral("us,ru")};
    QTest::newRow("us: A") << us << 0 << 0u << QStringLiteral("A");
    QTest::newRow("us: F5 types nothing") << us << 0 << 96u << QStringLiteral("Key 96");
    QTest::newRow("ru: the A key is Ф") << ru << 0 << 0u << QStringLiteral("Ф");
    QTest::newRow("ru: arrows keep their names") << ru << 0 << 123u << QStringLiteral("←");
    QTest::newRow("de: the Y key types z")
        << QStringList{QStringLiteral("de")} << 0 << 16u << QStringLiteral("Z");
    QTest::newRow("us,ru in group 1") << usRu << 1 << 0u << QStringLiteral("Ф");
}

void TestHotKeyManager::namesKeysOnTheCurrentLayout() {
    QFETCH(QStringList, layout);
    QFETCH(int, group);
    QFETCH(quint32, keyCode);
    QFETCH(QString, shown);
    auto restore = qScopeGuard([] { setLayout({QStringLiteral("us")}); });
    QVERIFY(setLayout(layout));
    QVERIFY(X11OtherClient::run({QStringLiteral("lock-group"), QString::number(group)}));
    TestHome home;
    HotKeyManager manager(x11::makeX11HotKeyBackend());
    QCOMPARE(HotKeySettings(home.preferences, manager).keyName(keyCode), shown);
}

QTEST_MAIN(TestHotKeyManager)
#include "test_hotkey_manager.moc"
