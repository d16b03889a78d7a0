#include "hotkey/hotkey_manager.h"
#include "hotkey/portal/portal_hotkey_backend.h"
#include "storage/preferences.h"
#include "wayland_desktop.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quillo;
using namespace quillo::test;

/// The portal backend on a Wayland desktop that has no GlobalShortcuts portal at all.
class TestPortalHotKeyWithoutPortal : public QObject {
    Q_OBJECT
private slots:
    void theRequestGoesOutAndTheRefusalClearsTheRegistration();
};

void TestPortalHotKeyWithoutPortal::theRequestGoesOutAndTheRefusalClearsTheRegistration() {
    QString why;
    QVERIFY2(WaylandDesktop::isRunning(&why), qPrintable(why));
    QTemporaryDir home;
    Preferences preferences(home.filePath(QStringLiteral("Quillo.conf")));
    HotKeyManager manager(std::make_unique<portal::PortalHotKeyBackend>(preferences, nullptr));
    int presses = 0;
    manager.action = [&presses] { ++presses; };

    QVERIFY(manager.registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));
    QTRY_VERIFY_WITH_TIMEOUT(!manager.registered(), 10000);
    QVERIFY(!preferences.contains(QString::fromLatin1(portal::PortalHotKeyBackend::kBoundTriggerKey)));
    // Asked again, it is refused again the same way; letting go of nothing is no fault.
    manager.unregister();
    QVERIFY(manager.registerHotKey(49, Shortcut::kControl));
    QTRY_VERIFY_WITH_TIMEOUT(!manager.registered(), 10000);
    manager.unregister();
    QCOMPARE(presses, 0);
}

QTEST_GUILESS_MAIN(TestPortalHotKeyWithoutPortal)
#include "test_portal_hotkey_without_portal.moc"
