#include "kwin_probe.h"
#include "status_notifier_host.h"
#include "wayland_desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

using namespace quillo::test;

/// The Wayland test desktop started without the portal and the tray watcher, as the tests of those failures
/// need it: nothing provides either, not even on demand, while KWin, its input and its view still work.
class TestWaylandDesktopBare : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void neitherThePortalNorATrayCanBeReached();
    void keysStillReachTheActiveWindow();
};

void TestWaylandDesktopBare::initTestCase() {
    QString why;
    QVERIFY2(WaylandDesktop::isRunning(&why), qPrintable(why));
}

void TestWaylandDesktopBare::neitherThePortalNorATrayCanBeReached() {
    // A call, not only a look at the bus's names: the bus would start a service it knows on the first call.
    QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(ping, QDBus::Block, 10000);
    QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"));
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.kde.StatusNotifierWatcher")));
    QVERIFY(StatusNotifierHost().items().isEmpty());
    // KWin still owns the global shortcuts service: the portal is what is missing, not the compositor's part.
    QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.kde.kglobalaccel")));
}

void TestWaylandDesktopBare::keysStillReachTheActiveWindow() {
    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    window.setProcessEnvironment(environment);
    window.start(qEnvironmentVariable("QUILLO_TEST_WINDOW"), {QStringLiteral("bare")});
    KWinProbe kwin;
    QTRY_COMPARE_WITH_TIMEOUT(kwin.activeWindowCaption(), QStringLiteral("bare"), 15000);
    QVERIFY(WaylandDesktop::typeText(QStringLiteral("still typed")));
    QString output;
    QTRY_VERIFY2_WITH_TIMEOUT((output += QString::fromUtf8(window.readAllStandardOutput()))
                                  .contains(QLatin1String("text: still typed\n")),
                              qPrintable(output), 10000);
    window.kill();
    window.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(TestWaylandDesktopBare)
#include "test_wayland_desktop_bare.moc"
