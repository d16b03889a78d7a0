#include "global_shortcuts_probe.h"
#include "kwin_probe.h"
#include "quillo_process.h"
#include "status_notifier_host.h"
#include "wayland_desktop.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quillo::test;

namespace {

const QString kNote = QStringLiteral("Quillo");
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QSize kNoteSize(340, 380);

bool watcherRunning() {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(kWatcherService).value();
}

/// A panel's tray registry, run by the test so that it can go away and come back.
class Watcher final {
public:
    Watcher() {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(qEnvironmentVariable("QUILLO_TEST_HELPERS") +
                        QStringLiteral("/support/wayland/quillo-status-notifier-watcher"));
    }
    ~Watcher() { stop(); }
    bool stop() {
        m_process.terminate();
        return m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

struct Image {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};

QList<Image> images(const QVariant& property) {
    QList<Image> found;
    const QDBusArgument argument = property.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        Image image;
        argument.beginStructure();
        argument >> image.width >> image.height >> image.pixels;
        argument.endStructure();
        found << image;
    }
    argument.endArray();
    return found;
}

} // namespace

/// The real binary's own tray item on the Wayland test desktop, whose watcher this test runs itself: the
/// spot a panel sends with a click is where the note goes, as the compositor shows it; the item looks like
/// Quillo's; it comes to the panel when a watcher appears and again when the watcher restarts.
class TestWaylandTray : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void theNoteGoesWhereThePanelWasClicked_data();
    void theNoteGoesWhereThePanelWasClicked();
    void theItemShowsQuillosIconAndName();
    void theItemComesBackWithEachNewWatcher();

private:
    void startQuillo();
    QString item() const;

    KWinProbe m_kwin;
    QTemporaryDir m_home;
    std::unique_ptr<Watcher> m_watcher;
    std::unique_ptr<QuilloProcess> m_quillo;
    StatusNotifierHost m_host;
};

void TestWaylandTray::initTestCase() {
    QString why;
    QVERIFY2(WaylandDesktop::isRunning(&why), qPrintable(why));
    QVERIFY2(m_kwin.isAvailable(), "KWin's log (QUILLO_KWIN_LOG) or scripting service is missing");
    QVERIFY2(!watcherRunning(), "the desktop runs a tray watcher: start it with --no-watcher");
    m_watcher = std::make_unique<Watcher>();
    QTRY_VERIFY_WITH_TIMEOUT(watcherRunning(), 15000);
    startQuillo();
}

void TestWaylandTray::cleanupTestCase() {
    if (m_quillo)
        QVERIFY(m_quillo->terminate(SIGTERM));
}

QString TestWaylandTray::item() const {
    return QStringLiteral("org.kde.StatusNotifierItem-%1-1/StatusNotifierItem").arg(m_quillo->pid());
}

void TestWaylandTray::startQuillo() {
    m_quillo = std::make_unique<QuilloProcess>(m_home.filePath(QStringLiteral("config")),
                                               m_home.filePath(QStringLiteral("data")));
    m_quillo->environment().remove(QStringLiteral("QT_QPA_PLATFORM"));
    QVERIFY(m_quillo->start());
    QTRY_VERIFY_WITH_TIMEOUT(m_host.items().contains(item()), 15000);
}

void TestWaylandTray::theNoteGoesWhereThePanelWasClicked_data() {
    QTest::addColumn<QPoint>("spot"); // where the panel says it was clicked, relative to the screen's corners
    QTest::addColumn<bool>("above");
    QTest::newRow("bottom panel, right corner") << QPoint(-10, -4) << true;
    QTest::newRow("top panel") << QPoint(200, 3) << false;
}

void TestWaylandTray::theNoteGoesWhereThePanelWasClicked() {
    QFETCH(QPoint, spot);
    QFETCH(bool, above);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint at(spot.x() < 0 ? screen.right() + 1 + spot.x() : spot.x(),
                    spot.y() < 0 ? screen.bottom() + 1 + spot.y() : spot.y());
    QVERIFY2(m_host.activate(item(), at.x(), at.y()), qPrintable(m_host.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kNote, 10000);

    const QRect frame = m_kwin.window(kNote).frameGeometry;
    QCOMPARE(frame.size(), kNoteSize);
    QVERIFY2(screen.contains(frame), "the note is not entirely on the screen");
    if (above)
        QCOMPARE(frame.bottom() + 1, at.y() - 6);
    else
        QCOMPARE(frame.top(), at.y() + 1 + 6);
    // Centred on the spot unless that would leave the screen.
    const int centred = at.x() - kNoteSize.width() / 2;
    QCOMPARE(frame.left(), qBound(screen.left(), centred, screen.right() + 1 - kNoteSize.width()));

    // A click while it shows hides it.
    QVERIFY(m_host.activate(item(), at.x(), at.y()));
    QTRY_VERIFY_WITH_TIMEOUT(m_kwin.window(kNote).caption.isEmpty(), 10000);
}

void TestWaylandTray::theItemShowsQuillosIconAndName() {
    QCOMPARE(m_host.itemProperty(item(), QStringLiteral("Title")).toString(), QStringLiteral("Quillo"));
    QCOMPARE(m_host.itemProperty(item(), QStringLiteral("IconName")).toString(),
             QStringLiteral("org.quillo.Quillo"));
    // Panels read every property at once: one that cannot be sent would leave the item blank.
    QDBusMessage getAll = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(m_quillo->pid()),
        QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    getAll << QStringLiteral("org.kde.StatusNotifierItem");
    const QDBusMessage all = QDBusConnection::sessionBus().call(getAll, QDBus::Block, 10000);
    QVERIFY2(all.type() == QDBusMessage::ReplyMessage, qPrintable(all.errorMessage()));
    const QVariantMap properties = qdbus_cast<QVariantMap>(all.arguments().value(0));
    for (const char* name : {"Category", "Id", "Status", "ToolTip", "Menu", "ItemIsMenu", "WindowId"})
        QVERIFY2(properties.contains(QLatin1String(name)), name);

    // The note icon at panel sizes, each pixel alpha first, then red, green, blue: its pale yellow paper.
    const QList<Image> pixmaps = images(m_host.itemProperty(item(), QStringLiteral("IconPixmap")));
    QList<int> sizes;
    for (const Image& image : pixmaps) {
        QCOMPARE(image.pixels.size(), qsizetype(image.width) * image.height * 4);
        sizes << image.width;
    }
    QVERIFY2(sizes.contains(22) && sizes.contains(32),
             qPrintable(QStringLiteral("%1 sizes").arg(sizes.size())));
    const Image& image = pixmaps.at(sizes.indexOf(32));
    int paper = 0;
    for (qsizetype i = 0; i + 3 < image.pixels.size(); i += 4) {
        const auto* argb = reinterpret_cast<const uchar*>(image.pixels.constData() + i);
        if (argb[0] == 255 && argb[1] >= 240 && qAbs(argb[2] - 0xf4) <= 16 && qAbs(argb[3] - 0xc2) <= 24)
            ++paper;
    }
    QVERIFY2(paper >= 32, qPrintable(QStringLiteral("%1 paper pixels").arg(paper)));
}

void TestWaylandTray::theItemComesBackWithEachNewWatcher() {
    // The panel goes away and comes back, as when it restarts: it knows no items then, and Quillo tells it.
    QVERIFY(m_watcher->stop());
    QTRY_VERIFY_WITH_TIMEOUT(!watcherRunning(), 10000);
    m_watcher = std::make_unique<Watcher>();
    QTRY_VERIFY_WITH_TIMEOUT(m_host.items().contains(item()), 15000);

    // Started while no panel runs, Quillo goes to the panel that starts after it.
    QVERIFY(m_quillo->terminate(SIGTERM));
    QVERIFY(m_watcher->stop());
    QTRY_VERIFY_WITH_TIMEOUT(!watcherRunning(), 10000);
    m_quillo = std::make_unique<QuilloProcess>(m_home.filePath(QStringLiteral("config")),
                                               m_home.filePath(QStringLiteral("data")));
    m_quillo->environment().remove(QStringLiteral("QT_QPA_PLATFORM"));
    QTRY_VERIFY_WITH_TIMEOUT(!GlobalShortcutsProbe::isActive(QStringLiteral("quillo")), 10000);
    QVERIFY(m_quillo->start());
    // Its hotkey follows the tray icon in the launch: once the desktop holds it, the icon has been made.
    QTRY_VERIFY_WITH_TIMEOUT(GlobalShortcutsProbe::isActive(QStringLiteral("quillo")), 15000);
    QVERIFY(!m_host.items().contains(item()));
    m_watcher = std::make_unique<Watcher>();
    QTRY_VERIFY_WITH_TIMEOUT(m_host.items().contains(item()), 15000);
    QVERIFY(m_host.activate(item(), 300, 3));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kNote, 10000);
}

QTEST_MAIN(TestWaylandTray)
#include "test_wayland_tray.moc"
