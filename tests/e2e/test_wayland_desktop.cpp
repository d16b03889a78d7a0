#include "kwin_probe.h"
#include "status_notifier_host.h"
#include "test_window_process.h"
#include "wayland_desktop.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QProcess>
#include <QTest>

using namespace quillo::test;

namespace {

/// One shortcut as the GlobalShortcuts portal passes it: an id and its properties, D-Bus type (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

/// Collects the Response of one portal request, subscribed to before the request is made.
class PortalResponse final : public QObject {
    Q_OBJECT
public:
    explicit PortalResponse(const QString& token) {
        QString sender = QDBusConnection::sessionBus().baseService().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        m_path = QStringLiteral("%1/request/%2/%3").arg(kPortalPath, sender, token);
        m_subscribed = QDBusConnection::sessionBus().connect(
            kPortalService, m_path, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    }
    bool isSubscribed() const { return m_subscribed; }
    /// Waits for the Response; true when it came and reported success.
    bool wait() {
        return QTest::qWaitFor([this] { return m_code >= 0; }, 15000) && m_code == 0;
    }
    QVariantMap results() const { return m_results; }

private slots:
    void onResponse(uint code, const QVariantMap& results) {
        m_code = int(code);
        m_results = results;
    }

private:
    QString m_path;
    bool m_subscribed = false;
    int m_code = -1;
    QVariantMap m_results;
};

/// Records the portal's Activated signals.
class ActivationListener final : public QObject {
    Q_OBJECT
public:
    QStringList activations; ///< "session handle|shortcut id" of each Activated signal.
public slots:
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong, const QVariantMap&) {
        activations << session.path() + QLatin1Char('|') + id;
    }
};

} // namespace

/// The Wayland test desktop itself: real key presses and clicks reach the window KWin activated, KWin's own
/// view can be read, the GlobalShortcuts portal delivers a shortcut pressed on the keyboard, and tray icons
/// register and can be clicked. Later Wayland tests stand on each of these.
class TestWaylandDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void clickActivatesAndTypedKeysLandInTheActiveWindow_data();
    void clickActivatesAndTypedKeysLandInTheActiveWindow();
    void portalGlobalShortcutFiresOnInjectedKeys();
    void trayIconRegistersAndIsActivatedByTheHost();

private:
    KWinProbe m_kwin;
};

void TestWaylandDesktop::initTestCase() {
    QString why;
    QVERIFY2(WaylandDesktop::isRunning(&why), qPrintable(why));
    QVERIFY2(m_kwin.isAvailable(), "KWin's log (QUILLO_KWIN_LOG) or scripting service is missing");
    QVERIFY2(QFileInfo(qEnvironmentVariable("QUILLO_TEST_WINDOW")).isExecutable(),
             "QUILLO_TEST_WINDOW is not set");
}

void TestWaylandDesktop::clickActivatesAndTypedKeysLandInTheActiveWindow_data() {
    QTest::addColumn<QString>("platform");
    QTest::newRow("Xwayland") << QStringLiteral("xcb");
    QTest::newRow("native Wayland") << QStringLiteral("wayland");
}

void TestWaylandDesktop::clickActivatesAndTypedKeysLandInTheActiveWindow() {
    QFETCH(QString, platform);
    const QString backTitle = QStringLiteral("back on ") + platform;
    const QString frontTitle = QStringLiteral("front on ") + platform;
    // A large window, then a small one that KWin centres over it and activates, leaving the large one's
    // lower left corner free to click.
    TestWindowProcess back(backTitle, platform, {QStringLiteral("--size"), QStringLiteral("900x600")});
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), backTitle, 15000);
    TestWindowProcess front(frontTitle, platform);
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), frontTitle, 15000);

    const KWinWindow backWindow = m_kwin.window(backTitle);
    QCOMPARE(backWindow.resourceClass, QStringLiteral("quillo-test-window"));
    QVERIFY2(backWindow.frameGeometry.width() >= 900 && backWindow.frameGeometry.height() >= 600,
             qPrintable(QStringLiteral("frame %1x%2")
                            .arg(backWindow.frameGeometry.width())
                            .arg(backWindow.frameGeometry.height())));
    const KWinWindow frontWindow = m_kwin.window(frontTitle);
    QVERIFY(frontWindow.active);
    const QPoint clickAt = backWindow.frameGeometry.bottomLeft() + QPoint(40, -40);
    QVERIFY(!frontWindow.frameGeometry.contains(clickAt));

    QVERIFY(WaylandDesktop::click(clickAt));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), backTitle, 10000);
    QVERIFY(m_kwin.window(backTitle).active);

    const QString text = QStringLiteral("Hello, Quillo! {x:1} ~/a_b");
    QVERIFY(WaylandDesktop::typeText(text));
    QTRY_COMPARE_WITH_TIMEOUT(back.lastText(), text, 10000);
    QCOMPARE(front.lastText(), QString());
}

void TestWaylandDesktop::portalGlobalShortcutFiresOnInjectedKeys() {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
    // Without this QtDBus cannot match Activated's signature and connect() fails.
    qRegisterMetaType<QDBusObjectPath>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString id = QStringLiteral("toggle-note");
    const PortalShortcuts shortcuts{
        {id,
         {{QStringLiteral("description"), QStringLiteral("Show or hide the note")},
          {QStringLiteral("preferred_trigger"), QStringLiteral("LOGO+Escape")}}}};

    ActivationListener listener;
    QVERIFY(bus.connect(kPortalService, kPortalPath, kShortcutsInterface, QStringLiteral("Activated"),
                        &listener, SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap))));

    // Plasma 5.27 registers shortcuts only from the list in CreateSession's options.
    PortalResponse created(QStringLiteral("create"));
    QVERIFY(created.isSubscribed());
    QDBusMessage create = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kShortcutsInterface,
                                                         QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), QStringLiteral("create")},
                          {QStringLiteral("session_handle_token"), QStringLiteral("quillotest")},
                          {QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts)}};
    const QDBusMessage createReply = bus.call(create, QDBus::Block, 15000);
    QVERIFY2(createReply.type() == QDBusMessage::ReplyMessage, qPrintable(createReply.errorMessage()));
    QVERIFY(created.wait());
    const QString session = created.results().value(QStringLiteral("session_handle")).toString();
    QVERIFY(session.endsWith(QLatin1String("/quillotest")));

    PortalResponse bound(QStringLiteral("bind"));
    QVERIFY(bound.isSubscribed());
    QDBusMessage bind = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kShortcutsInterface,
                                                       QStringLiteral("BindShortcuts"));
    bind << QVariant::fromValue(QDBusObjectPath(session)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), QStringLiteral("bind")}};
    const QDBusMessage bindReply = bus.call(bind, QDBus::Block, 15000);
    QVERIFY2(bindReply.type() == QDBusMessage::ReplyMessage, qPrintable(bindReply.errorMessage()));
    QVERIFY(bound.wait());
    PortalShortcuts boundShortcuts;
    bound.results().value(QStringLiteral("shortcuts")).value<QDBusArgument>() >> boundShortcuts;
    QCOMPARE(boundShortcuts.size(), 1);
    QCOMPARE(boundShortcuts.first().id, id);
    // What the desktop says it bound, in its own words: the preferred trigger was taken.
    QCOMPARE(boundShortcuts.first().properties.value(QStringLiteral("trigger_description")).toString(),
             QStringLiteral("Meta+Esc"));

    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QTRY_COMPARE_WITH_TIMEOUT(listener.activations, QStringList{session + QLatin1Char('|') + id}, 10000);

    // Escape alone is not the shortcut; the chord again is.
    QVERIFY(WaylandDesktop::pressKeys({kKeyEscape}));
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QTRY_COMPARE_WITH_TIMEOUT(listener.activations.size(), 2, 10000);
    QCOMPARE(listener.activations.last(), session + QLatin1Char('|') + id);
}

void TestWaylandDesktop::trayIconRegistersAndIsActivatedByTheHost() {
    StatusNotifierHost host;
    const QStringList before = host.items();
    TestWindowProcess window(QStringLiteral("tray owner"), QStringLiteral("xcb"), {QStringLiteral("--tray")});
    QString item;
    QTRY_VERIFY_WITH_TIMEOUT(host.items().size() == before.size() + 1, 15000);
    for (const QString& candidate : host.items())
        if (!before.contains(candidate))
            item = candidate;
    QCOMPARE(host.itemProperty(item, QStringLiteral("Status")).toString(), QStringLiteral("Active"));

    QVERIFY2(host.activate(item, 1200, 10), qPrintable(host.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(window.output().contains(QStringLiteral("tray activated")), 10000);
}

QTEST_GUILESS_MAIN(TestWaylandDesktop)
#include "test_wayland_desktop.moc"
