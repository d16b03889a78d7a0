#include "quillo_process.h"
#include "test_keymap.h"
#include "x11_desktop.h"
#include "x11_other_client.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quillo::test;

namespace {

bool press(const QString& keys) {
    return !X11Desktop::xdotool({QStringLiteral("key"), keys}).isNull();
}

} // namespace

/// The real binary's hotkey, pressed while another program's window has the focus, shows the note window
/// with the keyboard focus, and hides it again.
class TestHotKeyNoteWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void hotkeyTogglesTheNoteWindowWithFocus();

private:
    bool activate(xcb_window_t window); ///< Gives the window the focus through the window manager.

    X11Desktop m_desktop;
};

bool TestHotKeyNoteWindow::activate(xcb_window_t window) {
    if (X11Desktop::xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(window)})
            .isNull())
        return false;
    return QTest::qWaitFor([&] { return m_desktop.inputFocus() == window; }, 5000);
}

void TestHotKeyNoteWindow::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
}

void TestHotKeyNoteWindow::hotkeyTogglesTheNoteWindowWithFocus() {
    QTemporaryDir home;
    QuilloProcess quillo(home.filePath(QStringLiteral("config")), home.filePath(QStringLiteral("data")));
    QVERIFY(quillo.start());
    // Launched once the hotkey is Quillo's: another client is refused it.
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kEscapeKey, {kSuper}), 15000);

    X11OtherClient other;
    const xcb_window_t otherWindow = other.showWindow(QStringLiteral("Another program"));
    QVERIFY(otherWindow);
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.clientList().contains(otherWindow), 5000);
    QVERIFY(activate(otherWindow));
    QVERIFY(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).isEmpty());

    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).size(), 1, 10000);
    const xcb_window_t note = m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).first();
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.activeWindow(), note, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), note, 5000);

    // The other program never saw the combination: it was the hotkey's alone.
    QVERIFY(press(QStringLiteral("x"))); // typed into the note now, not into the other window
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).isEmpty(), 10000);
    // Once a "y" typed into the other window has arrived there, every key sent to it before has too.
    QVERIFY(activate(otherWindow));
    QVERIFY(press(QStringLiteral("y")));
    QTRY_VERIFY_WITH_TIMEOUT(other.keyPresses().contains(kYKey), 5000);
    QVERIFY(!other.keyPresses().contains(kEscapeKey));
    QVERIFY(!other.keyPresses().contains(kXKey));

    // Shown again from the hotkey, it takes the focus again.
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).size(), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(),
                              m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).value(0), 5000);

    QVERIFY(quillo.terminate(SIGTERM));
    QCOMPARE(quillo.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestHotKeyNoteWindow)
#include "test_hotkey_note_window.moc"
