#include "quillo_process.h"
#include "screen_grab.h"
#include "x11_desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <csignal>

using namespace quillo::test;

namespace {

/// A property of the session's tray icon watcher (xfce4-panel runs it); invalid while there is none.
QVariant watcherProperty(const char* name) {
    const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!QDBusConnection::sessionBus().interface()->isServiceRegistered(service))
        return {};
    QDBusInterface watcher(service, QStringLiteral("/StatusNotifierWatcher"), service);
    return watcher.property(name);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QPoint centre(const QRect& rect) {
    return rect.topLeft() + QPoint(rect.width() / 2, rect.height() / 2);
}

bool click(const QPoint& at) {
    // No --sync: xdotool would wait forever for a motion when the pointer is already there.
    return !X11Desktop::xdotool({QStringLiteral("mousemove"), QString::number(at.x()),
                                 QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")})
                .isNull();
}

bool typeText(const QString& text) {
    return !X11Desktop::xdotool(
                {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text})
                .isNull();
}

/// Presses the left button at `from`, moves to `to` and lets go, pausing so the window manager can take over.
bool drag(const QPoint& from, const QPoint& to) {
    const QPoint middle = (from + to) / 2;
    return !X11Desktop::xdotool({QStringLiteral("mousemove"), QString::number(from.x()),
                                 QString::number(from.y()), QStringLiteral("mousedown"), QStringLiteral("1"),
                                 QStringLiteral("sleep"), QStringLiteral("0.3"), QStringLiteral("mousemove"),
                                 QString::number(middle.x()), QString::number(middle.y()),
                                 QStringLiteral("sleep"), QStringLiteral("0.2"), QStringLiteral("mousemove"),
                                 QString::number(to.x()), QString::number(to.y()), QStringLiteral("sleep"),
                                 QStringLiteral("0.3"), QStringLiteral("mouseup"), QStringLiteral("1")})
                .isNull();
}

bool pressKey(const QString& key) {
    return !X11Desktop::xdotool({QStringLiteral("key"), key}).isNull();
}

} // namespace

/// The real binary on the test desktop (icewm with its taskbar at the top or the bottom, the tray embedded;
/// or xfce4-panel at the top, hosting the icon over D-Bus and sending the spot of the click, the pointer's,
/// as the anchor): the tray click shows the note window at the icon with the keyboard focus, typing reaches
/// the note file after the save delay, Escape and the tray hide it, and every way of quitting keeps the text.
class TestNoteWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void trayClickShowsTheWindowAtTheIconWithTheFocus();
    void quittingRightAfterTypingKeepsTheText_data();
    void quittingRightAfterTypingKeepsTheText();
    void draggingMovesAndResizesAndTheSizeIsKept();

private:
    QString notePath() const { return m_home->filePath(QStringLiteral("data/Quillo/notes.txt")); }
    void startQuillo();
    void showByTrayClick();
    QRect expectedFrame(const QSize& size) const;
    bool findPanelIcon();
    void saveScreenshot(const QRect& around);

    X11Desktop m_desktop;
    QString m_panel;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QuilloProcess> m_quillo;
    QRect m_anchor;   ///< What the window is placed at: the embedded icon, or the clicked spot.
    QPoint m_clickAt; ///< Where a click hits the tray icon.
    xcb_window_t m_note = 0;
};

void TestNoteWindow::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
    m_panel = qEnvironmentVariable("QUILLO_TEST_PANEL");
    QVERIFY2(QStringList({QStringLiteral("top"), QStringLiteral("bottom"), QStringLiteral("xfce")})
                 .contains(m_panel),
             "QUILLO_TEST_PANEL is not set");
    if (m_panel == QLatin1String("xfce")) {
        // The panel hosts tray icons over D-Bus once its watcher is up; Quillo must find it at start.
        QTRY_VERIFY_WITH_TIMEOUT(watcherProperty("IsStatusNotifierHostRegistered").toBool(), 20000);
    }
}

void TestNoteWindow::init() {
    m_home = std::make_unique<QTemporaryDir>();
    m_anchor = QRect();
    m_clickAt = QPoint();
    m_note = 0;
}

void TestNoteWindow::cleanup() {
    m_quillo.reset();
    m_home.reset();
}

void TestNoteWindow::startQuillo() {
    const QList<xcb_window_t> iconsBefore = m_desktop.trayIcons();
    m_quillo = std::make_unique<QuilloProcess>(m_home->filePath(QStringLiteral("config")),
                                               m_home->filePath(QStringLiteral("data")));
    QVERIFY(m_quillo->start());
    if (m_panel == QLatin1String("xfce")) {
        // No window of Quillo's in the tray: the icon is drawn by the panel, and Qt does not know where.
        QTRY_VERIFY_WITH_TIMEOUT(!watcherProperty("RegisteredStatusNotifierItems").toStringList().isEmpty(),
                                 15000);
        QTRY_VERIFY_WITH_TIMEOUT(findPanelIcon(), 15000);
        m_anchor = QRect(m_clickAt, QSize(1, 1));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(m_desktop.trayIcons().size() == iconsBefore.size() + 1, 15000);
        for (const xcb_window_t icon : m_desktop.trayIcons())
            if (!iconsBefore.contains(icon))
                m_anchor = m_desktop.geometry(icon);
        QVERIFY(m_anchor.isValid());
        m_clickAt = centre(m_anchor);
    }
    // The icon is where the panel is.
    const bool iconInUpperHalf = m_clickAt.y() < m_desktop.screenRect().height() / 2;
    QCOMPARE(iconInUpperHalf, m_panel != QLatin1String("bottom"));
    QVERIFY2(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).isEmpty(), "a window showed at start");
}

void TestNoteWindow::showByTrayClick() {
    QVERIFY(click(m_clickAt));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).size(), 1, 10000);
    m_note = m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).first();
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.activeWindow(), m_note, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), m_note, 5000);
}

QRect TestNoteWindow::expectedFrame(const QSize& size) const {
    // Centred on the icon, inside the work area; below a top panel's icon, above a bottom panel's icon.
    const QRect icon = m_anchor;
    const QRect area = m_desktop.workArea();
    int x = qFloor(icon.x() + icon.width() / 2.0 - size.width() / 2.0);
    x = qMin(qMax(x, area.x()), area.x() + area.width() - size.width());
    int y = m_panel != QLatin1String("bottom") ? icon.bottom() + 1 + 6 : icon.top() - 6 - size.height();
    y = qMax(qMin(y, area.y() + area.height() - size.height()), area.y());
    return QRect(QPoint(x, y), size);
}

bool TestNoteWindow::findPanelIcon() {
    const std::optional<QPoint> icon = findNoteIconInPanel(m_desktop.screenRect().width());
    if (icon)
        m_clickAt = *icon;
    return icon.has_value();
}

void TestNoteWindow::saveScreenshot(const QRect& around) {
    const QRect area = around.adjusted(-40, -40, 40, 40).intersected(m_desktop.screenRect());
    const QString file = quillo::test::saveScreenshot(area, QStringLiteral("note_window_%1").arg(m_panel));
    QVERIFY2(!file.isEmpty(), "the screenshot could not be saved");
    qInfo("screenshot: %s", qPrintable(file));
}

void TestNoteWindow::trayClickShowsTheWindowAtTheIconWithTheFocus() {
    startQuillo();
    if (QTest::currentTestFailed())
        return;
    showByTrayClick();
    if (QTest::currentTestFailed())
        return;
    const QRect shown = m_desktop.geometry(m_note);
    QCOMPARE(shown, expectedFrame(QSize(340, 380)));
    const QList<xcb_window_t> states = m_desktop.atomListProperty(m_note, "_NET_WM_STATE");
    QVERIFY2(states.contains(m_desktop.atom("_NET_WM_STATE_SKIP_TASKBAR")), "listed in the taskbar");
    QVERIFY(states.contains(m_desktop.atom("_NET_WM_STATE_SKIP_PAGER")));

    // The typed text reaches the note file 0.6 s after the last key, and not before.
    const QString typed = QStringLiteral("Buy milk, call Anna.");
    QVERIFY(typeText(typed));
    // The last key is sent when xdotool returns: 0.45 s later nothing may have been written yet, not even a
    // part of the text.
    QTest::qWait(450);
    QVERIFY2(!QFileInfo::exists(notePath()), "saved before the delay ran out");
    QTRY_COMPARE_WITH_TIMEOUT(readFile(notePath()), typed.toUtf8(), 10000);
    QTest::qWait(300); // only for the picture: the footer's save time has been drawn
    saveScreenshot(shown);

    // Escape hides it; the next click shows it again at the same place, still out of the taskbar.
    QVERIFY(pressKey(QStringLiteral("Escape")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(m_note), 5000);
    QVERIFY(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).isEmpty());
    showByTrayClick();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_desktop.geometry(m_note), expectedFrame(QSize(340, 380)));
    QVERIFY(m_desktop.atomListProperty(m_note, "_NET_WM_STATE")
                .contains(m_desktop.atom("_NET_WM_STATE_SKIP_TASKBAR")));

    // A click while it is shown hides it.
    QVERIFY(click(m_clickAt));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(m_note), 5000);

    QVERIFY(m_quillo->terminate(SIGTERM));
    QCOMPARE(m_quillo->exitCode(), 0);
    QCOMPARE(readFile(notePath()), typed.toUtf8());
}

void TestNoteWindow::quittingRightAfterTypingKeepsTheText_data() {
    QTest::addColumn<bool>("byPowerButton");
    QTest::newRow("SIGTERM") << false;
    QTest::newRow("power button") << true;
}

void TestNoteWindow::quittingRightAfterTypingKeepsTheText() {
    QFETCH(bool, byPowerButton);
    startQuillo();
    if (QTest::currentTestFailed())
        return;
    showByTrayClick();
    if (QTest::currentTestFailed())
        return;
    const QString typed = QStringLiteral("last words before the end");
    QVERIFY(typeText(typed));
    QElapsedTimer sinceLastKey;
    sinceLastKey.start();
    if (byPowerButton) {
        // The power button ends the header: 10 px in from the top and the right edge, 20 px square.
        const QRect frame = m_desktop.geometry(m_note);
        QVERIFY(click(QPoint(frame.right() - 10 - 10, frame.top() + 10 + 10)));
    } else {
        ::kill(pid_t(m_quillo->pid()), SIGTERM);
    }
    QVERIFY2(sinceLastKey.elapsed() < 300, "quit too late to catch the save still waiting");
    QVERIFY(m_quillo->waitForExit());
    QCOMPARE(m_quillo->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_quillo->exitCode(), 0);
    QCOMPARE(readFile(notePath()), typed.toUtf8());
}

void TestNoteWindow::draggingMovesAndResizesAndTheSizeIsKept() {
    startQuillo();
    if (QTest::currentTestFailed())
        return;
    showByTrayClick();
    if (QTest::currentTestFailed())
        return;
    // The header's empty middle is background: dragging it moves the window.
    const QRect shown = m_desktop.geometry(m_note);
    const QPoint header = shown.topLeft() + QPoint(150, 20);
    QVERIFY(drag(header, header + QPoint(-300, 100)));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.geometry(m_note), shown.translated(-300, 100), 5000);

    // The left edge resizes it.
    const QRect moved = m_desktop.geometry(m_note);
    const QPoint edge(moved.left() + 2, moved.center().y());
    QVERIFY(drag(edge, edge - QPoint(80, 0)));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.geometry(m_note).width(), 340 + 80, 5000);
    QCOMPARE(m_desktop.geometry(m_note).right(), moved.right());

    // Quitting at once still keeps that size: started again, Quillo shows the window with it, at the icon.
    QVERIFY(m_quillo->terminate(SIGTERM));
    startQuillo();
    if (QTest::currentTestFailed())
        return;
    showByTrayClick();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_desktop.geometry(m_note), expectedFrame(QSize(420, 380)));
}

QTEST_MAIN(TestNoteWindow)
#include "test_note_window.moc"
