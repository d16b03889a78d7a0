#include "kwin_probe.h"
#include "quillo_process.h"
#include "status_notifier_host.h"
#include "wayland_desktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quillo::test;

/// The real binary on a Wayland desktop without the GlobalShortcuts portal: there is no hotkey, and nothing
/// else changes. It starts, its tray icon shows and hides the note, which takes typed keys, and it quits.
class TestWaylandNoPortal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void theTrayIconServesAndQuilloQuits();
};

void TestWaylandNoPortal::initTestCase() {
    QString why;
    QVERIFY2(WaylandDesktop::isRunning(&why), qPrintable(why));
    QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    QVERIFY2(QDBusConnection::sessionBus().call(ping, QDBus::Block, 10000).type() ==
                 QDBusMessage::ErrorMessage,
             "the desktop has a portal: start it with --no-portal");
}

void TestWaylandNoPortal::theTrayIconServesAndQuilloQuits() {
    QTemporaryDir home;
    QuilloProcess quillo(home.filePath(QStringLiteral("config")), home.filePath(QStringLiteral("data")));
    quillo.environment().remove(QStringLiteral("QT_QPA_PLATFORM"));
    QVERIFY(quillo.start());
    StatusNotifierHost host;
    const QString item =
        QStringLiteral("org.kde.StatusNotifierItem-%1-1/StatusNotifierItem").arg(quillo.pid());
    QTRY_VERIFY_WITH_TIMEOUT(host.items().contains(item), 15000);

    KWinProbe kwin;
    QVERIFY(host.activate(item, 640, 3));
    QTRY_COMPARE_WITH_TIMEOUT(kwin.activeWindowCaption(), QStringLiteral("Quillo"), 10000);
    QVERIFY(WaylandDesktop::typeText(QStringLiteral("no portal, no problem")));
    const auto note = [&home] {
        QFile file(home.filePath(QStringLiteral("data/Quillo/notes.txt")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(note(), QByteArray("no portal, no problem"), 10000);
    QVERIFY(host.activate(item, 640, 3));
    QTRY_VERIFY_WITH_TIMEOUT(kwin.window(QStringLiteral("Quillo")).caption.isEmpty(), 10000);

    QVERIFY(quillo.terminate(SIGTERM));
    QCOMPARE(quillo.exitStatus(), QProcess::NormalExit);
    QVERIFY2(quillo.exitCode() == 0, qPrintable(quillo.standardError().right(3000)));
}

QTEST_GUILESS_MAIN(TestWaylandNoPortal)
#include "test_wayland_no_portal.moc"
