#include "quillo_process.h"
#include "storage/preferences.h"
#include "test_keymap.h"
#include "x11_desktop.h"
#include "x11_other_client.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quillo;
using namespace quillo::test;

namespace {

/// True when another client is refused every one of these variants: Quillo holds them all.
bool heldByQuillo(xcb_keycode_t keycode, const QList<quint16>& masks) {
    for (quint16 mask : masks)
        if (X11OtherClient::canGrab(keycode, {mask}))
            return false;
    return true;
}

} // namespace

/// The real binary holds the stored shortcut for the whole desktop while it runs, and gives it back at quit.
class TestGlobalHotKey : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void holdsTheStoredShortcutWhileRunning_data();
    void holdsTheStoredShortcutWhileRunning();
    void unusableStoredShortcutStartsWithoutHotkey_data();
    void unusableStoredShortcutStartsWithoutHotkey();

private:
    X11Desktop m_desktop;
};

void TestGlobalHotKey::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
}

void TestGlobalHotKey::holdsTheStoredShortcutWhileRunning_data() {
    QTest::addColumn<QVariant>("storedKeyCode"); // invalid: nothing stored
    QTest::addColumn<QVariant>("storedModifiers");
    QTest::addColumn<quint8>("keycode");
    QTest::addColumn<quint16>("mask");
    QTest::newRow("default Super+Escape") << QVariant() << QVariant() << quint8(kEscapeKey) << kSuper;
    QTest::newRow("stored Control+Shift+A") << QVariant(0) << QVariant(4608) << quint8(kAKey)
                                            << quint16(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT);
}

void TestGlobalHotKey::holdsTheStoredShortcutWhileRunning() {
    QFETCH(QVariant, storedKeyCode);
    QFETCH(QVariant, storedModifiers);
    QFETCH(quint8, keycode);
    QFETCH(quint16, mask);
    QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral("config"));
    if (storedKeyCode.isValid()) {
        Preferences preferences(config + QStringLiteral("/Quillo/Quillo.conf"));
        preferences.setValue(QStringLiteral("hotKeyKeyCode"), storedKeyCode);
        preferences.setValue(QStringLiteral("hotKeyModifiers"), storedModifiers);
    }
    QVERIFY(X11OtherClient::canGrab(keycode, withEveryLock(mask)));

    QuilloProcess quillo(config, home.filePath(QStringLiteral("data")));
    QVERIFY(quillo.start());
    QTRY_VERIFY_WITH_TIMEOUT(heldByQuillo(keycode, withEveryLock(mask)), 15000);
    if (keycode != kEscapeKey)
        QVERIFY(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper))); // only the stored shortcut

    QVERIFY(quillo.terminate(SIGTERM));
    QCOMPARE(quillo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillo.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(keycode, withEveryLock(mask)), 5000);
}

void TestGlobalHotKey::unusableStoredShortcutStartsWithoutHotkey_data() {
    QTest::addColumn<QString>("storedKeyCode");
    QTest::addColumn<QString>("storedModifiers");
    QTest::newRow("negative key code") << QStringLiteral("-5") << QStringLiteral("256");
    QTest::newRow("evdev code beyond the X keycodes") << QStringLiteral("65836") << QStringLiteral("256");
    QTest::newRow("key code in a gap of the table") << QStringLiteral("52") << QStringLiteral("-1");
}

void TestGlobalHotKey::unusableStoredShortcutStartsWithoutHotkey() {
    QFETCH(QString, storedKeyCode);
    QFETCH(QString, storedModifiers);
    QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral("config"));
    {
        Preferences preferences(config + QStringLiteral("/Quillo/Quillo.conf"));
        preferences.setValue(QStringLiteral("hotKeyKeyCode"), storedKeyCode);
        preferences.setValue(QStringLiteral("hotKeyModifiers"), storedModifiers);
    }
    QuilloProcess quillo(config, home.filePath(QStringLiteral("data")));
    const int iconsBefore = int(m_desktop.trayIcons().size());
    QVERIFY(quillo.start());
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.trayIcons().size() == iconsBefore + 1, 15000);
    // Running, with no hotkey at all: the default is not taken in place of the stored shortcut.
    QVERIFY(quillo.isRunning());
    QVERIFY(X11OtherClient::canGrab(kEscapeKey, withEveryLock(kSuper)));
    QVERIFY(quillo.terminate(SIGTERM));
    QCOMPARE(quillo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillo.exitCode(), 0);
    // Nothing was written back over the user's values.
    QCOMPARE(Preferences(config + QStringLiteral("/Quillo/Quillo.conf"))
                 .stringValue(QStringLiteral("hotKeyKeyCode")),
             std::optional(storedKeyCode));
}

QTEST_GUILESS_MAIN(TestGlobalHotKey)
#include "test_global_hotkey.moc"
