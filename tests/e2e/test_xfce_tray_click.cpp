#include "quillo_process.h"
#include "screen_grab.h"
#include "status_notifier_host.h"
#include "x11_desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <csignal>

using namespace quillo::test;

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

QVariant watcherProperty(const char* name) {
    if (!QDBusConnection::sessionBus().interface()->isServiceRegistered(kWatcher))
        return {};
    QDBusInterface watcher(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher);
    return watcher.property(name);
}

/// Every Activate call on the session bus, read by dbus-monitor as the bus passes it on.
class ActivateCalls final {
public:
    ActivateCalls() {
        m_monitor.start(
            QStringLiteral("dbus-monitor"),
            {QStringLiteral("--session"),
             QStringLiteral("type='method_call',interface='org.kde.StatusNotifierItem',member='Activate'"),
             QStringLiteral("type='method_call',interface='org.freedesktop.DBus.Peer',member='Ping'")});
    }
    ~ActivateCalls() {
        m_monitor.kill();
        m_monitor.waitForFinished(5000);
    }
    /// Pings until the monitor has seen a ping: from then on it sees every call.
    bool waitUntilWatching() {
        return QTest::qWaitFor(
            [this] {
                QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                    QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
                m_output += QString::fromUtf8(m_monitor.readAllStandardOutput());
                return m_output.contains(QLatin1String("member=Ping"));
            },
            10000);
    }
    /// The x, y of each Activate call so far.
    QList<QPoint> positions() {
        m_output += QString::fromUtf8(m_monitor.readAllStandardOutput());
        static const QRegularExpression call(
            QStringLiteral("member=Activate\\s+int32 (-?\\d+)\\s+int32 (-?\\d+)"));
        QList<QPoint> found;
        for (auto it = call.globalMatch(m_output); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            found << QPoint(match.captured(1).toInt(), match.captured(2).toInt());
        }
        return found;
    }

private:
    QProcess m_monitor;
    QString m_output;
};

bool xdotool(const QStringList& arguments) {
    return !X11Desktop::xdotool(arguments).isNull();
}

} // namespace

/// The real binary on xfce4-panel, which hosts tray icons as StatusNotifierItems and sends the spot of a
/// click with it: Quillo's own item serves the panel, and the note goes to the spot that the panel sent.
class TestXfceTrayClick : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void aRealClickPlacesTheNoteAtTheSpotThePanelSent();
    void theSpotCountsNotThePointer();

private:
    bool findPanelIcon();
    QRect expectedFrame(QPoint spot) const;
    QString item() const;

    X11Desktop m_desktop;
    QTemporaryDir m_home;
    std::unique_ptr<QuilloProcess> m_quillo;
    QPoint m_icon;
};

void TestXfceTrayClick::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
    QTRY_VERIFY_WITH_TIMEOUT(watcherProperty("IsStatusNotifierHostRegistered").toBool(), 20000);
    m_quillo = std::make_unique<QuilloProcess>(m_home.filePath(QStringLiteral("config")),
                                               m_home.filePath(QStringLiteral("data")));
    QVERIFY(m_quillo->start());
    QTRY_VERIFY_WITH_TIMEOUT(!watcherProperty("RegisteredStatusNotifierItems").toStringList().isEmpty(),
                             15000);
    // Quillo's own item, not Qt's: it has no menu at all.
    QCOMPARE(
        StatusNotifierHost().itemProperty(item(), QStringLiteral("Menu")).value<QDBusObjectPath>().path(),
        QStringLiteral("/NO_DBUSMENU"));
    QTRY_VERIFY_WITH_TIMEOUT(findPanelIcon(), 15000);
}

void TestXfceTrayClick::cleanupTestCase() {
    if (m_quillo)
        QVERIFY(m_quillo->terminate(SIGTERM));
}

QString TestXfceTrayClick::item() const {
    return QStringLiteral("org.kde.StatusNotifierItem-%1-1/StatusNotifierItem").arg(m_quillo->pid());
}

bool TestXfceTrayClick::findPanelIcon() {
    const std::optional<QPoint> icon = findNoteIconInPanel(m_desktop.screenRect().width());
    if (icon)
        m_icon = *icon;
    return icon.has_value();
}

QRect TestXfceTrayClick::expectedFrame(QPoint spot) const {
    const QRect area = m_desktop.workArea();
    const QSize size(340, 380);
    int x = qFloor(spot.x() + 0.5 - size.width() / 2.0);
    x = qMin(qMax(x, area.x()), area.x() + area.width() - size.width());
    // The spot is in the upper half: the note hangs below it, kept in the work area.
    const int y = qMax(qMin(spot.y() + 1 + 6, area.y() + area.height() - size.height()), area.y());
    return QRect(QPoint(x, y), size);
}

void TestXfceTrayClick::aRealClickPlacesTheNoteAtTheSpotThePanelSent() {
    ActivateCalls calls;
    QVERIFY(calls.waitUntilWatching());
    QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(m_icon.x()), QString::number(m_icon.y()),
                     QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).size(), 1, 10000);
    const xcb_window_t note = m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).first();
    QTRY_COMPARE_WITH_TIMEOUT(calls.positions().size(), 1, 5000);
    const QPoint sent = calls.positions().first();
    QCOMPARE(sent, m_icon); // xfce4-panel sends where the button was let go
    QCOMPARE(m_desktop.geometry(note), expectedFrame(sent));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), note, 5000);

    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(note), 5000);
}

void TestXfceTrayClick::theSpotCountsNotThePointer() {
    // A panel that sends a spot away from the pointer: the note follows the spot.
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("700")}));
    const QPoint spot(900, 20);
    StatusNotifierHost host;
    QVERIFY2(host.activate(item(), spot.x(), spot.y()), qPrintable(host.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).size(), 1, 10000);
    const xcb_window_t note = m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).first();
    QCOMPARE(m_desktop.geometry(note), expectedFrame(spot));
    QVERIFY(host.activate(item(), spot.x(), spot.y()));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(note), 5000);
}

QTEST_MAIN(TestXfceTrayClick)
#include "test_xfce_tray_click.moc"
