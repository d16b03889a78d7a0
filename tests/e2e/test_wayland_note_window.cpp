#include "global_shortcuts_probe.h"
#include "kwin_probe.h"
#include "quillo_process.h"
#include "status_notifier_host.h"
#include "storage/preferences.h"
#include "test_window_process.h"
#include "wayland_desktop.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quillo::test;

namespace {

const QString kNote = QStringLiteral("Quillo");
const QString kComponent = QStringLiteral("quillo"); // KDE's record of Quillo's portal session
const QString kAction = QStringLiteral("toggle-note");
constexpr int kMetaEscape = int(Qt::MetaModifier) | Qt::Key_Escape;
constexpr int kCtrlAltSpace = int(Qt::ControlModifier | Qt::AltModifier) | Qt::Key_Space;

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

/// The real binary in a headless Plasma session (KWin, Xwayland, KDE's GlobalShortcuts portal, a tray
/// watcher): the hotkey pressed through the compositor toggles the note, which takes the keyboard, and on
/// quitting the portal session goes.
class TestWaylandNoteWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hotkeyTogglesTheNoteWhichTakesTheKeyboard_data();
    void hotkeyTogglesTheNoteWhichTakesTheKeyboard();
    void aStoredShortcutWorksInsteadOfTheDefault();

private:
    QString notePath() const { return m_home->filePath(QStringLiteral("data/Quillo/notes.txt")); }
    /// Starts Quillo on the Qt platform given (empty: its own choice) and waits until its hotkey is bound.
    void startQuillo(const QString& platform, int boundKeys);
    bool noteShown();
    QString uniqueName() const;

    KWinProbe m_kwin;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QuilloProcess> m_quillo;
};

void TestWaylandNoteWindow::initTestCase() {
    QString why;
    QVERIFY2(WaylandDesktop::isRunning(&why), qPrintable(why));
    QVERIFY2(m_kwin.isAvailable(), "KWin's log (QUILLO_KWIN_LOG) or scripting service is missing");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
}

void TestWaylandNoteWindow::init() {
    m_home = std::make_unique<QTemporaryDir>();
}

void TestWaylandNoteWindow::cleanup() {
    m_quillo.reset();
    m_home.reset();
}

QString TestWaylandNoteWindow::uniqueName() const {
    return GlobalShortcutsProbe::ownerOf(
        QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(m_quillo->pid()));
}

void TestWaylandNoteWindow::startQuillo(const QString& platform, int boundKeys) {
    m_quillo = std::make_unique<QuilloProcess>(m_home->filePath(QStringLiteral("config")),
                                               m_home->filePath(QStringLiteral("data")));
    m_quillo->environment().remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!platform.isEmpty())
        m_quillo->environment().insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    QVERIFY(m_quillo->start());
    // Up once its tray item is in the panel and the desktop holds its shortcut for its portal session.
    QTRY_VERIFY_WITH_TIMEOUT(!uniqueName().isEmpty(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(GlobalShortcutsProbe::portalSessionExists(uniqueName(), kComponent), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(GlobalShortcutsProbe::isActive(kComponent) &&
                                 GlobalShortcutsProbe::keys(kComponent, kAction) == QList<int>{boundKeys},
                             15000);
    QVERIFY2(m_kwin.window(kNote).caption.isEmpty(), "the note showed at start");
}

bool TestWaylandNoteWindow::noteShown() {
    return !m_kwin.window(kNote).caption.isEmpty();
}

void TestWaylandNoteWindow::hotkeyTogglesTheNoteWhichTakesTheKeyboard_data() {
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("resourceClass"); // tells Xwayland windows from native ones
    QTest::newRow("Quillo's choice: Xwayland") << QString() << QStringLiteral("quillo");
    QTest::newRow("the user's choice: native Wayland")
        << QStringLiteral("wayland") << QStringLiteral("org.quillo.Quillo");
}

void TestWaylandNoteWindow::hotkeyTogglesTheNoteWhichTakesTheKeyboard() {
    QFETCH(QString, platform);
    QFETCH(QString, resourceClass);
    startQuillo(platform, kMetaEscape);
    if (QTest::currentTestFailed())
        return;
    TestWindowProcess other(QStringLiteral("another program"), QStringLiteral("wayland"));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), QStringLiteral("another program"), 15000);

    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kNote, 10000);
    QCOMPARE(m_kwin.window(kNote).resourceClass, resourceClass);
    const QString typed = QStringLiteral("Buy milk, call Anna.");
    QVERIFY(WaylandDesktop::typeText(typed));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(notePath()), typed.toUtf8(), 10000);
    QCOMPARE(other.lastText(), QString());

    QVERIFY(WaylandDesktop::pressKeys({kKeyEscape}));
    QTRY_VERIFY_WITH_TIMEOUT(!noteShown(), 10000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kNote, 10000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QTRY_VERIFY_WITH_TIMEOUT(!noteShown(), 10000);

    // Quitting ends the portal session: the desktop no longer holds the shortcut for anyone.
    const QString quillo = uniqueName();
    QVERIFY(m_quillo->terminate(SIGTERM));
    QVERIFY2(m_quillo->exitCode() == 0, qPrintable(m_quillo->standardError().right(3000)));
    QTRY_VERIFY_WITH_TIMEOUT(!GlobalShortcutsProbe::portalSessionExists(quillo, kComponent), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!GlobalShortcutsProbe::isActive(kComponent), 10000);
    QCOMPARE(readFile(notePath()), typed.toUtf8());
}

void TestWaylandNoteWindow::aStoredShortcutWorksInsteadOfTheDefault() {
    {
        quillo::Preferences preferences(m_home->filePath(QStringLiteral("config/Quillo/Quillo.conf")));
        preferences.setValue(QStringLiteral("hotKeyKeyCode"), 49);            // Space
        preferences.setValue(QStringLiteral("hotKeyModifiers"), 4096 | 2048); // control, option
    }
    startQuillo(QString(), kCtrlAltSpace);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftCtrl, kKeyLeftAlt, kKeySpace}));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kNote, 10000);
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftCtrl, kKeyLeftAlt, kKeySpace}));
    QTRY_VERIFY_WITH_TIMEOUT(!noteShown(), 10000);
}

QTEST_GUILESS_MAIN(TestWaylandNoteWindow)
#include "test_wayland_note_window.moc"
