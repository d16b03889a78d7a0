#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "settings/hotkey_recorder.h"
#include "test_files.h"
#include "test_keymap.h"
#include "x11_desktop.h"
#include "x11_other_client.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>

#include <memory>

using namespace quillo;
using namespace quillo::test;

namespace {

bool press(const QString& keys) {
    return !X11Desktop::xdotool({QStringLiteral("key"), keys}).isNull();
}

bool click(const QWidget* widget) {
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    return !X11Desktop::xdotool({QStringLiteral("mousemove"), QString::number(at.x()),
                                 QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")})
                .isNull();
}

} // namespace

/// The shortcut recorder in a real window on the test desktop, armed by real clicks and fed real key presses
/// (xdotool), with a real global hotkey held by its own HotKeyManager.
class TestHotKeyRecorder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void keyIsRecordedAndTheFieldLetsGo_data();
    void keyIsRecordedAndTheFieldLetsGo();
    void modifierOrLockAloneKeepsWaiting_data();
    void modifierOrLockAloneKeepsWaiting();
    void currentHotkeyIsRecordedWhileArmedNotFired();

private:
    void arm();

    X11Desktop m_desktop;
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<HotKeyManager> m_manager;
    std::unique_ptr<HotKeySettings> m_settings;
    std::unique_ptr<QWidget> m_window;
    HotKeyRecorder* m_recorder = nullptr;
    QLineEdit* m_elsewhere = nullptr;
};

void TestHotKeyRecorder::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

void TestHotKeyRecorder::init() {
    m_home = std::make_unique<TestHome>();
    m_manager = std::make_unique<HotKeyManager>(x11::makeX11HotKeyBackend());
    m_settings = std::make_unique<HotKeySettings>(m_home->preferences, *m_manager);
    m_window = std::make_unique<QWidget>();
    auto* row = new QHBoxLayout(m_window.get());
    m_elsewhere = new QLineEdit(m_window.get());
    m_recorder = new HotKeyRecorder(*m_settings, m_window.get());
    row->addWidget(m_elsewhere);
    row->addWidget(m_recorder);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(!X11Desktop::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                  QString::number(m_window->winId())})
                 .isNull());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_elsewhere->setFocus();
}

void TestHotKeyRecorder::cleanup() {
    m_window.reset();
    m_settings.reset();
    m_manager.reset();
    m_home.reset();
}

void TestHotKeyRecorder::arm() {
    QVERIFY(click(m_recorder));
    QTRY_VERIFY_WITH_TIMEOUT(m_recorder->isRecording(), 5000);
    QVERIFY(m_recorder->hasFocus());
}

void TestHotKeyRecorder::keyIsRecordedAndTheFieldLetsGo_data() {
    QTest::addColumn<QString>("lock"); // a lock key that is on while the keys are pressed
    QTest::addColumn<QString>("keys");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("shown");
    const QString none;
    QTest::newRow("Escape alone") << none << "Escape" << 53u << 0u << "⎋";
    QTest::newRow("Tab, which would move the focus") << none << "Tab" << 48u << 0u << "⇥";
    QTest::newRow("Shift+Return, while Return alone closes") << none << "shift+Return" << 36u << 512u << "⇧⏎";
    QTest::newRow("Control+Alt+N") << none << "ctrl+alt+n" << 45u << 6144u << "⌃⌥N";
    QTest::newRow("Control+A with Caps Lock on") << "Caps_Lock"
                                                 << "ctrl+a" << 0u << 4096u << "⌃A";
}

void TestHotKeyRecorder::keyIsRecordedAndTheFieldLetsGo() {
    QFETCH(QString, lock);
    QFETCH(QString, keys);
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, shown);
    const quint16 locksBefore = m_desktop.modifierState();
    const auto unlock = qScopeGuard([&] {
        if (!lock.isEmpty())
            press(lock);
    });
    if (!lock.isEmpty()) {
        QVERIFY(press(lock));
        QTRY_VERIFY_WITH_TIMEOUT(m_desktop.modifierState() != locksBefore, 5000);
    }
    arm();
    QVERIFY(press(keys));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_settings->keyCode(), keyCode);
    QCOMPARE(m_settings->carbonModifiers(), modifiers);
    QCOMPARE(m_settings->displayString(), shown);
    QVERIFY(!m_recorder->hasFocus());
}

void TestHotKeyRecorder::modifierOrLockAloneKeepsWaiting_data() {
    QTest::addColumn<QStringList>("presses");
    QTest::newRow("Shift") << QStringList{QStringLiteral("shift")};
    QTest::newRow("right Control") << QStringList{QStringLiteral("Control_R")};
    QTest::newRow("Super") << QStringList{QStringLiteral("super")};
    // Pressed twice, so that the lock is off again afterwards.
    QTest::newRow("Caps Lock") << QStringList{QStringLiteral("Caps_Lock"), QStringLiteral("Caps_Lock")};
    QTest::newRow("Num Lock") << QStringList{QStringLiteral("Num_Lock"), QStringLiteral("Num_Lock")};
}

void TestHotKeyRecorder::modifierOrLockAloneKeepsWaiting() {
    QFETCH(QStringList, presses);
    const quint16 locksBefore = m_desktop.modifierState();
    arm();
    for (const QString& keys : presses)
        QVERIFY(press(keys));
    // Once a later key has been recorded, every press before it has been seen and passed over.
    QVERIFY(press(QStringLiteral("ctrl+z")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_settings->keyCode(), 6u);
    QCOMPARE(m_settings->carbonModifiers(), 4096u);
    QCOMPARE(m_desktop.modifierState(), locksBefore);
}

void TestHotKeyRecorder::currentHotkeyIsRecordedWhileArmedNotFired() {
    int fired = 0;
    m_manager->action = [&fired] { ++fired; };
    QVERIFY(m_manager->registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));

    // Armed, the combination is free for the field to receive.
    arm();
    QVERIFY(X11OtherClient::canGrab(kEscapeKey, {kSuper}));
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_settings->keyCode(), 53u);
    QCOMPARE(m_settings->carbonModifiers(), 256u);
    QCOMPARE(fired, 0);
    // Recorded, it is the hotkey again at once.
    QCOMPARE(m_manager->registered(), Shortcut{});
    QVERIFY(!X11OtherClient::canGrab(kEscapeKey, {kSuper}));

    // Disarmed by a click elsewhere, the hotkey it held is taken again and works.
    arm();
    QVERIFY(click(m_elsewhere));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_manager->registered(), Shortcut{});
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE_WITH_TIMEOUT(fired, 1, 5000);

    // A field that goes away armed gives the hotkey back too.
    arm();
    QVERIFY(!m_manager->registered());
    delete m_recorder;
    QVERIFY(m_manager->registered());
}

QTEST_MAIN(TestHotKeyRecorder)
#include "test_hotkey_recorder.moc"
