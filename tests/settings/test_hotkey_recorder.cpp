#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "settings/hotkey_recorder.h"
#include "storage/preferences.h"
#include "test_keymap.h"
#include "x11_desktop.h"
#include "x11_other_client.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
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

/// Counts the key presses that reach a window while no widget in it has the focus.
class KeyCounter final : public QObject {
public:
    explicit KeyCounter(QWidget* window) { window->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            ++count;
        return false;
    }
};

/// Whether some pixel in the box has this colour, give or take the edge smoothing of small glyphs.
bool contains(const QImage& image, const QRect& box, const QColor& colour) {
    constexpr int kTolerance = 24;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) <= kTolerance &&
                qAbs(c.green() - colour.green()) <= kTolerance &&
                qAbs(c.blue() - colour.blue()) <= kTolerance)
                return true;
        }
    return false;
}

/// The bounding box of the pixels that are not the fill colour, within the shape's straight middle part.
QRect inkBox(const QImage& image, const QColor& fill) {
    QRect box;
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 8; x < image.width() - 8; ++x)
            if (image.pixelColor(x, y) != fill)
                box |= QRect(x, y, 1, 1);
    return box;
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
    void drawsTheShortcutIdleAndThePromptArmed();
    void keyIsRecordedAndTheFieldLetsGo_data();
    void keyIsRecordedAndTheFieldLetsGo();
    void modifierOrLockAloneKeepsWaiting_data();
    void modifierOrLockAloneKeepsWaiting();
    void capsLockDoesNotChangeTheMask();
    void focusElsewhereDisarmsWithoutChange();
    void currentHotkeyIsRecordedWhileArmedNotFired();

private:
    void arm();

    X11Desktop m_desktop;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
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
    m_dir = std::make_unique<QTemporaryDir>();
    m_preferences = std::make_unique<Preferences>(m_dir->filePath(QStringLiteral("Quillo.conf")));
    m_manager = std::make_unique<HotKeyManager>(x11::makeX11HotKeyBackend());
    m_settings = std::make_unique<HotKeySettings>(*m_preferences, *m_manager);
    m_window = std::make_unique<QWidget>();
    m_window->setWindowTitle(QStringLiteral("Recorder"));
    auto* row = new QHBoxLayout(m_window.get());
    m_elsewhere = new QLineEdit(m_window.get());
    m_recorder = new HotKeyRecorder(*m_settings, m_window.get());
    m_recorder->setFixedSize(HotKeyRecorder::kSize);
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
    m_preferences.reset();
    m_dir.reset();
}

void TestHotKeyRecorder::arm() {
    QVERIFY(click(m_recorder));
    QTRY_VERIFY_WITH_TIMEOUT(m_recorder->isRecording(), 5000);
    QVERIFY(m_recorder->hasFocus());
}

void TestHotKeyRecorder::drawsTheShortcutIdleAndThePromptArmed() {
    const QPalette colors = m_recorder->palette();
    const QImage idle = m_recorder->grab().toImage();
    QCOMPARE(idle.size(), QSize(160, 26) * idle.devicePixelRatio());
    const QColor button = colors.color(QPalette::Button);
    QCOMPARE(idle.pixelColor(idle.width() / 2, 1), button);
    const QRect idleText = inkBox(idle, button);
    QVERIFY(!idleText.isEmpty());
    // "⌘⎋" in the label colour, centred both ways.
    QVERIFY(qAbs(idleText.left() - (idle.width() - 1 - idleText.right())) <= 2);
    QVERIFY(qAbs(idleText.top() - (idle.height() - 1 - idleText.bottom())) <= 3);
    QVERIFY(contains(idle, idleText, colors.color(QPalette::WindowText)));

    arm();
    const QImage armed = m_recorder->grab().toImage();
    const QColor highlight = colors.color(QPalette::Active, QPalette::Highlight);
    QCOMPARE(armed.pixelColor(armed.width() / 2, 1), highlight);
    QVERIFY(armed.pixelColor(0, 0) != highlight); // a rounded corner
    const QRect prompt = inkBox(armed, highlight);
    QVERIFY(prompt.width() > idleText.width() * 3); // the long prompt, not the shortcut
    QVERIFY2(prompt.left() >= 4 && prompt.right() < armed.width() - 4, "the prompt is cut off");
    QVERIFY(qAbs(prompt.left() - (armed.width() - 1 - prompt.right())) <= 2);
    QVERIFY(contains(armed, prompt, QColor(Qt::white)));

    // Letting go of the focus by a click elsewhere brings the idle look back.
    QVERIFY(click(m_elsewhere));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_recorder->grab().toImage(), idle);
}

void TestHotKeyRecorder::keyIsRecordedAndTheFieldLetsGo_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Escape alone") << "Escape" << 53u << 0u << QStringLiteral("⎋");
    QTest::newRow("Tab, which would move the focus") << "Tab" << 48u << 0u << QStringLiteral("⇥");
    QTest::newRow("Shift+X") << "shift+x" << 7u << 512u << QStringLiteral("⇧X");
    QTest::newRow("Control+Alt+N") << "ctrl+alt+n" << 45u << 6144u << QStringLiteral("⌃⌥N");
    QTest::newRow("Super+Space") << "super+space" << 49u << 256u << QStringLiteral("⌘Space");
    QTest::newRow("Shift+Return") << "shift+Return" << 36u << 512u << QStringLiteral("⇧⏎");
}

void TestHotKeyRecorder::keyIsRecordedAndTheFieldLetsGo() {
    QFETCH(QString, keys);
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, shown);
    arm();
    const QImage armed = m_recorder->grab().toImage();
    QVERIFY(press(keys));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_settings->keyCode(), keyCode);
    QCOMPARE(m_settings->carbonModifiers(), modifiers);
    QCOMPARE(m_settings->displayString(), shown);
    QCOMPARE(m_preferences->integerValue(QStringLiteral("hotKeyKeyCode")), qint64(keyCode));
    QCOMPARE(m_preferences->integerValue(QStringLiteral("hotKeyModifiers")), qint64(modifiers));
    QVERIFY(!m_recorder->hasFocus());
    QVERIFY(m_recorder->grab().toImage() != armed);

    // The next key goes elsewhere: the field records nothing more.
    KeyCounter window(m_window.get());
    QVERIFY(press(QStringLiteral("b")));
    QTRY_COMPARE_WITH_TIMEOUT(window.count, 1, 5000);
    QCOMPARE(m_settings->keyCode(), keyCode);
    QVERIFY(!m_recorder->isRecording());
}

void TestHotKeyRecorder::modifierOrLockAloneKeepsWaiting_data() {
    QTest::addColumn<QStringList>("presses");
    QTest::newRow("Shift") << QStringList{QStringLiteral("shift")};
    QTest::newRow("right Control") << QStringList{QStringLiteral("Control_R")};
    QTest::newRow("Alt") << QStringList{QStringLiteral("alt")};
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

void TestHotKeyRecorder::capsLockDoesNotChangeTheMask() {
    QVERIFY(press(QStringLiteral("Caps_Lock")));
    const auto capsOff = qScopeGuard([this] {
        if (m_desktop.modifierState() & kLock)
            press(QStringLiteral("Caps_Lock"));
    });
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.modifierState() & kLock, 5000);
    m_elsewhere->setFocus();
    arm();
    QVERIFY(press(QStringLiteral("ctrl+a")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_settings->keyCode(), 0u);
    QCOMPARE(m_settings->carbonModifiers(), 4096u);
    QCOMPARE(m_settings->displayString(), QStringLiteral("⌃A"));
}

void TestHotKeyRecorder::focusElsewhereDisarmsWithoutChange() {
    arm();
    QVERIFY(click(m_elsewhere));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_elsewhere->hasFocus(), 5000);
    QVERIFY(press(QStringLiteral("q")));
    QTRY_COMPARE_WITH_TIMEOUT(m_elsewhere->text(), QStringLiteral("q"), 5000);
    QCOMPARE(m_settings->keyCode(), Shortcut::kDefaultKeyCode);
    QCOMPARE(m_settings->carbonModifiers(), Shortcut::kDefaultModifiers);
    QVERIFY(!m_preferences->contains(QStringLiteral("hotKeyKeyCode")));

    // Another window taking the focus disarms it as well.
    arm();
    QWidget other;
    other.setWindowTitle(QStringLiteral("Other"));
    other.resize(200, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QVERIFY(!X11Desktop::xdotool(
                 {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(other.winId())})
                 .isNull());
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QVERIFY(!m_preferences->contains(QStringLiteral("hotKeyKeyCode")));
}

void TestHotKeyRecorder::currentHotkeyIsRecordedWhileArmedNotFired() {
    int fired = 0;
    m_manager->action = [&fired] { ++fired; };
    QVERIFY(m_manager->registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));
    QVERIFY(!X11OtherClient::canGrab(kEscapeKey, {kSuper}));

    // Armed, the combination is free for the field to receive.
    arm();
    QVERIFY(!m_manager->registered());
    QVERIFY(X11OtherClient::canGrab(kEscapeKey, {kSuper}));
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_settings->keyCode(), 53u);
    QCOMPARE(m_settings->carbonModifiers(), 256u);
    QCOMPARE(m_preferences->integerValue(QStringLiteral("hotKeyModifiers")), 256);
    QCOMPARE(fired, 0);
    // Recorded, it is the hotkey again at once.
    QCOMPARE(m_manager->registered(), Shortcut{});
    QVERIFY(!X11OtherClient::canGrab(kEscapeKey, {kSuper}));

    // Disarmed without a key, the hotkey it held is taken again and works.
    arm();
    QVERIFY(!m_manager->registered());
    QVERIFY(click(m_elsewhere));
    QTRY_VERIFY_WITH_TIMEOUT(!m_recorder->isRecording(), 5000);
    QCOMPARE(m_manager->registered(), Shortcut{});
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE_WITH_TIMEOUT(fired, 1, 5000);

    // A field that goes away armed gives the hotkey back too.
    arm();
    QVERIFY(!m_manager->registered());
    delete m_recorder;
    QCOMPARE(m_manager->registered(), Shortcut{});
}

QTEST_MAIN(TestHotKeyRecorder)
#include "test_hotkey_recorder.moc"
