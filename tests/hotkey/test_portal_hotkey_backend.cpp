#include "global_shortcuts_probe.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "hotkey/portal/portal_hotkey_backend.h"
#include "kwin_probe.h"
#include "test_files.h"
#include "test_window_process.h"
#include "wayland_desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QScopeGuard>
#include <QTest>

#include <csignal>

using namespace quillo;
using namespace quillo::portal;
using namespace quillo::test;

namespace {

const QString kComponent = QString::fromLatin1(PortalHotKeyBackend::kSessionToken);
const QString kAction = QString::fromLatin1(PortalHotKeyBackend::kShortcutId);
constexpr int kMetaEscape = int(Qt::MetaModifier) | Qt::Key_Escape;
constexpr int kCtrlAltSpace = int(Qt::ControlModifier | Qt::AltModifier) | Qt::Key_Space;
constexpr int kShiftX = int(Qt::ShiftModifier) | Qt::Key_X;

/// A hotkey manager on the portal backend with preferences of its own, counting the presses it hears.
struct PortalHotKey {
    explicit PortalHotKey(Preferences& preferences) {
        auto owned = std::make_unique<PortalHotKeyBackend>(preferences, nullptr);
        backend = owned.get();
        manager = std::make_unique<HotKeyManager>(std::move(owned));
        manager->action = [this] { ++presses; };
    }
    /// The portal session is open and the desktop holds exactly these keys for it.
    bool boundTo(int keys) const {
        return !backend->sessionHandle().isEmpty() && GlobalShortcutsProbe::isActive(kComponent) &&
               GlobalShortcutsProbe::keys(kComponent, kAction) == QList<int>{keys};
    }
    PortalHotKeyBackend* backend = nullptr;
    std::unique_ptr<HotKeyManager> manager;
    int presses = 0;
};

} // namespace

/// The portal backend with the real GlobalShortcuts portal of the Wayland test desktop (KDE's, on KWin) and
/// real key presses: what it binds, when the binding changes, and that a press runs the action once.
class TestPortalHotKeyBackend : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void aShortcutAppliedAtRunTimeWorksAtOnceAndFreesTheOldOne();
    void unregisterClosesTheSession();
    void theDesktopsOwnBindingStandsUntilQuillosShortcutChanges();
    void aPortalThatDoesNotAnswerLeavesNoHotkeyAndHoldsNothingUp();

private:
    std::unique_ptr<TestHome> m_home;
};

void TestPortalHotKeyBackend::initTestCase() {
    QString why;
    QVERIFY2(WaylandDesktop::isRunning(&why), qPrintable(why));
}

void TestPortalHotKeyBackend::init() {
    m_home = std::make_unique<TestHome>();
}

void TestPortalHotKeyBackend::aShortcutAppliedAtRunTimeWorksAtOnceAndFreesTheOldOne() {
    PortalHotKey hotkey(m_home->preferences);
    HotKeySettings settings(m_home->preferences, *hotkey.manager);
    // Shift+X, because once free it types an X into the window that has the keyboard.
    settings.apply(7, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(hotkey.boundTo(kShiftX), 15000);
    const QString session = hotkey.backend->sessionHandle();
    TestWindowProcess window(QStringLiteral("typing target"), QStringLiteral("wayland"));
    KWinProbe kwin;
    QTRY_COMPARE_WITH_TIMEOUT(kwin.activeWindowCaption(), QStringLiteral("typing target"), 15000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftShift, kKeyX}));
    QTRY_COMPARE_WITH_TIMEOUT(hotkey.presses, 1, 10000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyX})); // not the shortcut

    settings.apply(49, Qt::ControlModifier | Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(hotkey.boundTo(kCtrlAltSpace), 15000);
    QCOMPARE(hotkey.backend->sessionHandle(), session); // changed within the session it had
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftCtrl, kKeyLeftAlt, kKeySpace}));
    QTRY_COMPARE_WITH_TIMEOUT(hotkey.presses, 2, 10000);
    // Shift+X is an ordinary key again: it reaches the window, and a key typed after it arrives behind it.
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftShift, kKeyX}));
    QVERIFY(WaylandDesktop::typeText(QStringLiteral("y")));
    QTRY_COMPARE_WITH_TIMEOUT(window.lastText(), QStringLiteral("xXy"), 10000);
    QCOMPARE(hotkey.presses, 2);
    QCOMPARE(m_home->preferences.stringValue(QString::fromLatin1(PortalHotKeyBackend::kBoundTriggerKey)),
             std::optional(QStringLiteral("CTRL+ALT+space")));
}

void TestPortalHotKeyBackend::unregisterClosesTheSession() {
    PortalHotKey hotkey(m_home->preferences);
    QVERIFY(hotkey.manager->registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));
    QTRY_VERIFY_WITH_TIMEOUT(hotkey.boundTo(kMetaEscape), 15000);
    const QString me = QDBusConnection::sessionBus().baseService();
    QVERIFY(GlobalShortcutsProbe::portalSessionExists(me, kComponent));

    hotkey.manager->unregister();
    QTRY_VERIFY_WITH_TIMEOUT(!GlobalShortcutsProbe::portalSessionExists(me, kComponent), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!GlobalShortcutsProbe::isActive(kComponent), 10000);

    // Registered again, the same shortcut comes back in a new session, without a second binding.
    QVERIFY(hotkey.manager->registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));
    QTRY_VERIFY_WITH_TIMEOUT(hotkey.boundTo(kMetaEscape), 15000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QTRY_COMPARE_WITH_TIMEOUT(hotkey.presses, 1, 10000);
}

void TestPortalHotKeyBackend::theDesktopsOwnBindingStandsUntilQuillosShortcutChanges() {
    {
        PortalHotKey first(m_home->preferences);
        QVERIFY(first.manager->registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));
        QTRY_VERIFY_WITH_TIMEOUT(first.boundTo(kMetaEscape), 15000);
    }
    // The user binds Quillo's shortcut to Ctrl+Alt+Space in the desktop's settings while Quillo is away.
    QVERIFY(GlobalShortcutsProbe::setKeys(kComponent, kAction, kCtrlAltSpace));

    PortalHotKey next(m_home->preferences);
    QVERIFY(next.manager->registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));
    QTRY_VERIFY_WITH_TIMEOUT(next.boundTo(kCtrlAltSpace), 15000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftCtrl, kKeyLeftAlt, kKeySpace}));
    QTRY_COMPARE_WITH_TIMEOUT(next.presses, 1, 10000);

    // A new shortcut of Quillo's own is bound over it.
    QVERIFY(next.manager->registerHotKey(7, Shortcut::kShift));
    QTRY_VERIFY_WITH_TIMEOUT(next.boundTo(kShiftX), 15000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftShift, kKeyX}));
    QTRY_COMPARE_WITH_TIMEOUT(next.presses, 2, 10000);
}

void TestPortalHotKeyBackend::aPortalThatDoesNotAnswerLeavesNoHotkeyAndHoldsNothingUp() {
    const uint portal = QDBusConnection::sessionBus().interface()->servicePid(
        QStringLiteral("org.freedesktop.portal.Desktop"));
    QVERIFY(portal > 0);
    PortalHotKey hotkey(m_home->preferences);
    QVERIFY(::kill(pid_t(portal), SIGSTOP) == 0);
    auto resume = qScopeGuard([portal] { ::kill(pid_t(portal), SIGCONT); });
    // Asked while the portal cannot answer: the request goes out, nothing waits for the answer, and in the
    // end Quillo gives up quietly.
    QVERIFY(hotkey.manager->registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));
    QVERIFY(hotkey.manager->registered());
    QTRY_VERIFY_WITH_TIMEOUT(!hotkey.manager->registered(), 30000);

    // Once the portal answers again, the hotkey can be had, under the same session name as before.
    resume.dismiss();
    QVERIFY(::kill(pid_t(portal), SIGCONT) == 0);
    QVERIFY(hotkey.manager->registerHotKey(Shortcut::kDefaultKeyCode, Shortcut::kDefaultModifiers));
    QTRY_VERIFY_WITH_TIMEOUT(hotkey.boundTo(kMetaEscape), 15000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QTRY_COMPARE_WITH_TIMEOUT(hotkey.presses, 1, 10000);
}

QTEST_GUILESS_MAIN(TestPortalHotKeyBackend)
#include "test_portal_hotkey_backend.moc"
