#include "appearance/appearance_store.h"
#include "editor/note_editor_view.h"
#include "global_shortcuts_probe.h"
#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "kwin_probe.h"
#include "quillo_process.h"
#include "settings/hotkey_recorder.h"
#include "settings/settings_view.h"
#include "settings/settings_view_model.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"
#include "test_window_process.h"
#include "wayland_desktop.h"
#include "x11_desktop.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <memory>

using namespace quillo;
using namespace quillo::test;

namespace {

const QString kNote = QStringLiteral("Quillo");
const QString kSettingsTitle = QStringLiteral("Настройки");
const QString kOther = QStringLiteral("another program");
const QString kComponent = QStringLiteral("quillo"); // KDE's record of Quillo's portal session
const QString kAction = QStringLiteral("toggle-note");
constexpr int kMetaEscape = int(Qt::MetaModifier) | Qt::Key_Escape;
constexpr int kCtrlAltK = int(Qt::ControlModifier | Qt::AltModifier) | Qt::Key_K;

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

/// The real binary in a headless Plasma session (KWin, Xwayland, KDE's GlobalShortcuts portal): a shortcut
/// recorded in the settings window, by real clicks and key presses through the compositor, is the desktop's
/// binding at once, and the old one no longer reaches Quillo.
class TestWaylandSettingsWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void recordedShortcutReplacesTheOldOneAtOnce();

private:
    QString configFile() const { return m_home.filePath(QStringLiteral("config/Quillo/Quillo.conf")); }
    QString notePath() const { return m_home.filePath(QStringLiteral("data/Quillo/notes.txt")); }
    std::pair<int, int> storedShortcut() const; ///< Key code and mask in the preferences file; 0 if absent.
    QString uniqueName() const;
    bool noteShown() { return !m_kwin.window(kNote).caption.isEmpty(); }
    /// Where a control of the form is on the screen, the settings window being where it is now.
    QPoint inSettings(const QWidget* control) const;

    KWinProbe m_kwin;
    X11Desktop m_xwayland; // where KWin's decorations leave the settings window's own area
    QTemporaryDir m_home;
    std::unique_ptr<QuilloProcess> m_quillo;

    // The same form and note editor, built here on a private folder and the binary's platform: they lay out
    // as the binary's do, and so tell where each control is.
    QTemporaryDir m_layoutHome;
    std::unique_ptr<Preferences> m_layoutPreferences;
    std::unique_ptr<NotesStore> m_layoutStore;
    std::unique_ptr<AppearanceStore> m_layoutAppearance;
    std::unique_ptr<HotKeyManager> m_layoutManager;
    std::unique_ptr<HotKeySettings> m_layoutHotKeys;
    SettingsViewModel m_layoutModel;
    std::unique_ptr<SettingsView> m_form;
    std::unique_ptr<NoteEditorView> m_editor;
};

void TestWaylandSettingsWindow::initTestCase() {
    QString why;
    QVERIFY2(WaylandDesktop::isRunning(&why), qPrintable(why));
    QVERIFY2(m_kwin.isAvailable(), "KWin's log (QUILLO_KWIN_LOG) or scripting service is missing");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
    QVERIFY2(m_xwayland.isConnected(), "the session's Xwayland (DISPLAY) is missing");
    m_layoutPreferences = std::make_unique<Preferences>(m_layoutHome.filePath(QStringLiteral("Quillo.conf")));
    m_layoutStore =
        std::make_unique<NotesStore>(*m_layoutPreferences, m_layoutHome.filePath(QStringLiteral("data")));
    m_layoutAppearance = std::make_unique<AppearanceStore>(*m_layoutPreferences);
    m_layoutManager = std::make_unique<HotKeyManager>(x11::makeX11HotKeyBackend());
    m_layoutHotKeys = std::make_unique<HotKeySettings>(*m_layoutPreferences, *m_layoutManager);
    m_form = std::make_unique<SettingsView>(*m_layoutStore, *m_layoutAppearance, *m_layoutHotKeys,
                                            m_layoutModel, std::function<void()>());
    m_form->adjustSize();
    m_form->resize(SettingsView::kWidth, m_form->heightForWidth(SettingsView::kWidth));
    m_editor = std::make_unique<NoteEditorView>(*m_layoutStore, *m_layoutAppearance, std::function<void()>(),
                                                std::function<void()>());
    // Laid out without being shown.
    m_form->setAttribute(Qt::WA_DontShowOnScreen);
    m_editor->setAttribute(Qt::WA_DontShowOnScreen);
    m_form->show();
    m_editor->show();
}

std::pair<int, int> TestWaylandSettingsWindow::storedShortcut() const {
    const QSettings stored(configFile(), QSettings::IniFormat);
    return {stored.value(QStringLiteral("hotKeyKeyCode")).toInt(),
            stored.value(QStringLiteral("hotKeyModifiers")).toInt()};
}

QString TestWaylandSettingsWindow::uniqueName() const {
    return GlobalShortcutsProbe::ownerOf(
        QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(m_quillo->pid()));
}

QPoint TestWaylandSettingsWindow::inSettings(const QWidget* control) const {
    const QList<xcb_window_t> settings = m_xwayland.viewableWindowsNamed(kSettingsTitle);
    if (settings.size() != 1)
        return {};
    return m_xwayland.geometry(settings.first()).topLeft() +
           control->mapTo(m_form.get(), control->rect().center());
}

void TestWaylandSettingsWindow::recordedShortcutReplacesTheOldOneAtOnce() {
    m_quillo = std::make_unique<QuilloProcess>(m_home.filePath(QStringLiteral("config")),
                                               m_home.filePath(QStringLiteral("data")));
    m_quillo->environment().remove(QStringLiteral("QT_QPA_PLATFORM")); // Quillo's own choice: Xwayland
    QVERIFY(m_quillo->start());
    QTRY_VERIFY_WITH_TIMEOUT(!uniqueName().isEmpty(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(GlobalShortcutsProbe::isActive(kComponent) &&
                                 GlobalShortcutsProbe::keys(kComponent, kAction) == QList<int>{kMetaEscape},
                             15000);
    TestWindowProcess other(kOther, QStringLiteral("wayland"));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kOther, 15000);

    // The note by the hotkey, then the settings by its gear.
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kNote, 10000);
    const QRect note = m_kwin.window(kNote).frameGeometry; // frameless
    m_editor->resize(note.size());
    auto* gear = m_editor->findChild<QToolButton*>(QStringLiteral("settingsButton"));
    QVERIFY(gear);
    // A window just shown may not take input yet (it is slow to draw under the sanitizers): a person would
    // click again, and so does the test, until the click has its effect.
    QVERIFY(QTest::qWaitFor(
        [&] {
            WaylandDesktop::click(note.topLeft() + gear->geometry().center());
            return QTest::qWaitFor([&] { return m_kwin.activeWindowCaption() == kSettingsTitle; }, 2000);
        },
        20000));
    QTRY_COMPARE_WITH_TIMEOUT(m_xwayland.viewableWindowsNamed(kSettingsTitle).size(), 1, 10000);
    const QRect settings = m_xwayland.geometry(m_xwayland.viewableWindowsNamed(kSettingsTitle).first());
    QCOMPARE(settings.size(), m_form->size());
    QVERIFY(m_kwin.window(kSettingsTitle).frameGeometry.contains(settings));

    // Armed by a click, the field lets go of the hotkey; the combination pressed next is recorded and bound.
    QVERIFY(QTest::qWaitFor(
        [&] {
            WaylandDesktop::click(inSettings(m_form->recorder()));
            return QTest::qWaitFor([] { return !GlobalShortcutsProbe::isActive(kComponent); }, 2000);
        },
        20000));
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftCtrl, kKeyLeftAlt, kKeyK}));
    QTRY_COMPARE_WITH_TIMEOUT(storedShortcut(), (std::pair{40, 4096 + 2048}), 10000); // K; control, option
    QTRY_VERIFY_WITH_TIMEOUT(GlobalShortcutsProbe::isActive(kComponent) &&
                                 GlobalShortcutsProbe::keys(kComponent, kAction) == QList<int>{kCtrlAltK},
                             10000);
    QVERIFY(noteShown());
    QCOMPARE(m_kwin.activeWindowCaption(), kSettingsTitle);
    QVERIFY(WaylandDesktop::pressKeys({kKeyEscape}));
    QTRY_VERIFY_WITH_TIMEOUT(m_kwin.window(kSettingsTitle).caption.isEmpty(), 10000);
    QVERIFY(noteShown());

    // The new combination hides the note; the keyboard goes back to the other program.
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftCtrl, kKeyLeftAlt, kKeyK}));
    QTRY_VERIFY_WITH_TIMEOUT(!noteShown(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kOther, 10000);

    // The old one now reaches the other program and shows nothing; were it still Quillo's, the note would
    // show, the new one would hide it again and the text would miss it.
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftMeta, kKeyEscape}));
    QVERIFY(WaylandDesktop::pressKeys({kKeyLeftCtrl, kKeyLeftAlt, kKeyK}));
    QTRY_COMPARE_WITH_TIMEOUT(m_kwin.activeWindowCaption(), kNote, 10000);
    const QString typed = QStringLiteral("Call the plumber.");
    QVERIFY(WaylandDesktop::typeText(typed));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(notePath()), typed.toUtf8(), 10000);
    QCOMPARE(m_kwin.activeWindowCaption(), kNote);
    QCOMPARE(other.lastText(), QString());

    QVERIFY(m_quillo->terminate(SIGTERM));
    QVERIFY2(m_quillo->exitCode() == 0, qPrintable(m_quillo->standardError().right(3000)));
}

int main(int argc, char** argv) {
    // The layout copies run where the binary does by its own choice, under Xwayland, with its fonts and
    // scale; they are never shown.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    TestWaylandSettingsWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_wayland_settings_window.moc"
