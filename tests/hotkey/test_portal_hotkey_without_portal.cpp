#include "hotkey/hotkey_manager.h"
#include "hotkey/portal/portal_hotkey_backend.h"
#include "test_files.h"
#include "wayland_desktop.h"

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
    TestHome home;
    HotKeyManager manager(std::make_unique<portal::PortalHotKeyBackend>(home.preferences, nullptr));
    for (const quint32 keyCode : {Shortcut::kDefaultKeyCode, 49u}) { // asked again, refused the same way
        QVERIFY(manager.registerHotKey(keyCode, Shortcut::kControl));
        QTRY_VERIFY_WITH_TIMEOUT(!manager.registered(), 10000);
        manager.unregister(); // letting go of nothing is no fault
    }
    QVERIFY(!home.preferences.contains(QString::fromLatin1(portal::PortalHotKeyBackend::kBoundTriggerKey)));
}

QTEST_GUILESS_MAIN(TestPortalHotKeyWithoutPortal)
#include "test_portal_hotkey_without_portal.moc"
