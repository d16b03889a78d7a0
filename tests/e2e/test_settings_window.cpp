#include "appearance/appearance_store.h"
#include "editor/note_editor_view.h"
#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "quillo_process.h"
#include "screen_grab.h"
#include "settings/hotkey_recorder.h"
#include "settings/settings_view.h"
#include "settings/settings_view_model.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"
#include "test_keymap.h"
#include "x11_desktop.h"
#include "x11_other_client.h"

#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <memory>

using namespace quillo;
using namespace quillo::test;

namespace {

constexpr xcb_keycode_t kNKey = 57;
constexpr quint16 kControlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
const QString kSettingsTitle = QStringLiteral("Настройки");

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QPoint centre(const QRect& rect) {
    return rect.topLeft() + QPoint(rect.width() / 2, rect.height() / 2);
}

bool click(const QPoint& at) {
    return !X11Desktop::xdotool({QStringLiteral("mousemove"), QString::number(at.x()),
                                 QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")})
                .isNull();
}

bool press(const QString& keys) {
    return !X11Desktop::xdotool({QStringLiteral("key"), keys}).isNull();
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

} // namespace

/// The real binary on the test desktop (icewm, tray at the top): the note window's gear opens the settings
/// window, whose controls are driven by real clicks and keys, and whose effects are read back from the X
/// server, the preferences file and the note files.
class TestSettingsWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void gearOpensTheSettingsCentredAndTheyComeBackWhereLeft();
    void recordedShortcutWorksAtOnceAndAfterARestart();
    void chosenFileBecomesTheNote();

private:
    QString configFile() const { return m_home->filePath(QStringLiteral("config/Quillo/Quillo.conf")); }
    QString notePath() const { return m_home->filePath(QStringLiteral("data/Quillo/notes.txt")); }
    QVariant storedValue(const QString& key) const;
    std::pair<int, int> storedShortcut() const; ///< Key code and mask in the preferences file; 0 if absent.
    void startQuillo();
    void showNoteByTrayClick();
    void openSettingsByGear();
    QPoint inSettings(const QWidget* control) const; ///< Where a control of the form is on the screen now.
    void saveScreenshot(const QRect& around, const QString& name);

    X11Desktop m_desktop;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QuilloProcess> m_quillo;
    QPoint m_trayIcon;
    xcb_window_t m_note = 0;
    xcb_window_t m_settings = 0;

    // The same form and note editor, built here on a private folder: they lay out exactly as the binary's do
    // on this display, and so tell where each control is.
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

void TestSettingsWindow::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
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
    m_editor->resize(340, 380);
    // Laid out without being shown.
    m_form->setAttribute(Qt::WA_DontShowOnScreen);
    m_editor->setAttribute(Qt::WA_DontShowOnScreen);
    m_form->show();
    m_editor->show();
}

void TestSettingsWindow::init() {
    m_home = std::make_unique<QTemporaryDir>();
    m_note = m_settings = 0;
}

void TestSettingsWindow::cleanup() {
    m_quillo.reset();
    m_home.reset();
}

QVariant TestSettingsWindow::storedValue(const QString& key) const {
    return QSettings(configFile(), QSettings::IniFormat).value(key);
}

std::pair<int, int> TestSettingsWindow::storedShortcut() const {
    const QSettings stored(configFile(), QSettings::IniFormat);
    return {stored.value(QStringLiteral("hotKeyKeyCode")).toInt(),
            stored.value(QStringLiteral("hotKeyModifiers")).toInt()};
}

void TestSettingsWindow::startQuillo() {
    const QList<xcb_window_t> iconsBefore = m_desktop.trayIcons();
    m_quillo = std::make_unique<QuilloProcess>(m_home->filePath(QStringLiteral("config")),
                                               m_home->filePath(QStringLiteral("data")));
    QVERIFY(m_quillo->start());
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.trayIcons().size() == iconsBefore.size() + 1, 15000);
    for (const xcb_window_t icon : m_desktop.trayIcons())
        if (!iconsBefore.contains(icon))
            m_trayIcon = centre(m_desktop.geometry(icon));
    // The hotkey is registered last but one in the launch: once it is held, the launch is done.
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kEscapeKey, {kSuper}) ||
                                 !X11OtherClient::canGrab(kNKey, {kControlAlt}),
                             15000);
}

void TestSettingsWindow::showNoteByTrayClick() {
    QVERIFY(click(m_trayIcon));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).size(), 1, 10000);
    m_note = m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).first();
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), m_note, 5000);
}

void TestSettingsWindow::openSettingsByGear() {
    auto* gear = m_editor->findChild<QToolButton*>(QStringLiteral("settingsButton"));
    QVERIFY(gear);
    QVERIFY(click(m_desktop.geometry(m_note).topLeft() + gear->geometry().center()));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(kSettingsTitle).size(), 1, 10000);
    m_settings = m_desktop.viewableWindowsNamed(kSettingsTitle).first();
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.activeWindow(), m_settings, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), m_settings, 5000);
}

QPoint TestSettingsWindow::inSettings(const QWidget* control) const {
    return m_desktop.geometry(m_settings).topLeft() + control->mapTo(m_form.get(), control->rect().center());
}

void TestSettingsWindow::saveScreenshot(const QRect& around, const QString& name) {
    const QRect area = around.adjusted(-30, -40, 30, 30).intersected(m_desktop.screenRect());
    const QString file = quillo::test::saveScreenshot(area, name);
    QVERIFY2(!file.isEmpty(), "the screenshot could not be saved");
    qInfo("screenshot: %s", qPrintable(file));
}

void TestSettingsWindow::gearOpensTheSettingsCentredAndTheyComeBackWhereLeft() {
    startQuillo();
    if (QTest::currentTestFailed())
        return;
    showNoteByTrayClick();
    if (QTest::currentTestFailed())
        return;
    const QRect noteFrame = m_desktop.geometry(m_note);
    openSettingsByGear();
    if (QTest::currentTestFailed())
        return;

    // Sized to the form, centred in the work area (give or take the window manager's frame), out of the
    // taskbar; the note window stays where it was.
    const QRect shown = m_desktop.geometry(m_settings);
    QCOMPARE(shown.size(), m_form->size());
    const QList<quint32> extents = m_desktop.cardinalProperty(m_settings, "_NET_FRAME_EXTENTS");
    const QRect frame = extents.size() == 4 ? shown.adjusted(-int(extents[0]), -int(extents[2]),
                                                             int(extents[1]), int(extents[3]))
                                            : shown;
    const QPoint offCentre = centre(frame) - centre(m_desktop.workArea());
    QVERIFY2(qAbs(offCentre.x()) <= frame.width() - shown.width() + 1 &&
                 qAbs(offCentre.y()) <= frame.height() - shown.height() + 1,
             qPrintable(QStringLiteral("%1, %2 off centre").arg(offCentre.x()).arg(offCentre.y())));
    QVERIFY(m_desktop.atomListProperty(m_settings, "_NET_WM_STATE")
                .contains(m_desktop.atom("_NET_WM_STATE_SKIP_TASKBAR")));
    QVERIFY(m_desktop.isViewable(m_note));
    QCOMPARE(m_desktop.geometry(m_note), noteFrame);
    QTest::qWait(300); // only for the pictures: everything has been drawn
    saveScreenshot(frame, QStringLiteral("settings_window"));
    saveScreenshot(noteFrame, QStringLiteral("note_window_beside_settings"));

    // Return is "Закрыть"; Escape closes the settings too. Neither touches the note window.
    QVERIFY(press(QStringLiteral("Return")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(m_settings), 5000);
    QVERIFY(m_desktop.isViewable(m_note));
    QCOMPARE(storedValue(QStringLiteral("notesFilePath")).toString(), notePath()); // the path in use, applied
    openSettingsByGear();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(press(QStringLiteral("Escape")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(m_settings), 5000);
    QVERIFY(m_desktop.isViewable(m_note));

    // Moved by its title bar, closed by the window manager, opened again: it is where the user left it.
    openSettingsByGear();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_desktop.geometry(m_settings), shown);
    const QPoint titleBar(shown.x() + 60, shown.y() - int(extents.value(2)) / 2);
    QVERIFY(drag(titleBar, titleBar + QPoint(-250, -120)));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.geometry(m_settings), shown.translated(-250, -120), 5000);
    QVERIFY(m_desktop.requestClose(m_settings));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(m_settings), 5000);
    QVERIFY(m_quillo->isRunning());
    openSettingsByGear();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_desktop.geometry(m_settings), shown.translated(-250, -120));

    QVERIFY(m_quillo->terminate(SIGTERM));
    QCOMPARE(m_quillo->exitCode(), 0);
}

void TestSettingsWindow::recordedShortcutWorksAtOnceAndAfterARestart() {
    startQuillo();
    if (QTest::currentTestFailed())
        return;
    showNoteByTrayClick();
    if (QTest::currentTestFailed())
        return;
    openSettingsByGear();
    if (QTest::currentTestFailed())
        return;

    // The hotkey pressed into the armed field is recorded: the note window does not toggle.
    QVERIFY(click(inSettings(m_form->recorder())));
    QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, {kSuper}), 5000); // let go of while armed
    QVERIFY(press(QStringLiteral("super+Escape")));
    QTRY_COMPARE_WITH_TIMEOUT(storedShortcut(), (std::pair{53, 256}), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kEscapeKey, {kSuper}), 5000); // held again
    QVERIFY(m_desktop.isViewable(m_note));
    QVERIFY(m_desktop.isViewable(m_settings));

    // A new one works at once, from another program, and the old one is free.
    QVERIFY(click(inSettings(m_form->recorder())));
    QTRY_VERIFY_WITH_TIMEOUT(X11OtherClient::canGrab(kEscapeKey, {kSuper}), 5000);
    QVERIFY(press(QStringLiteral("ctrl+alt+n")));
    QTRY_COMPARE_WITH_TIMEOUT(storedShortcut(), (std::pair{45, 4096 + 2048}), 5000);
    QVERIFY(X11OtherClient::canGrab(kEscapeKey, {kSuper}));
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kNKey, {kControlAlt}), 5000);
    X11OtherClient other;
    const xcb_window_t otherWindow = other.showWindow(QStringLiteral("Another program"));
    QVERIFY(otherWindow);
    QVERIFY(!X11Desktop::xdotool(
                 {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(otherWindow)})
                 .isNull());
    QVERIFY(press(QStringLiteral("ctrl+alt+n")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(m_note), 5000);
    QVERIFY(press(QStringLiteral("ctrl+alt+n")));
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.isViewable(m_note), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), m_note, 5000);

    // After a restart it is the hotkey still.
    QVERIFY(m_quillo->terminate(SIGTERM));
    QCOMPARE(m_quillo->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.trayIcons().isEmpty(), 5000);
    startQuillo();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!X11OtherClient::canGrab(kNKey, {kControlAlt}));
    QVERIFY(X11OtherClient::canGrab(kEscapeKey, {kSuper}));
    QVERIFY(press(QStringLiteral("ctrl+alt+n")));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).size(), 1, 10000);
    QVERIFY(m_quillo->terminate(SIGTERM));
}

void TestSettingsWindow::chosenFileBecomesTheNote() {
    const QString other = m_home->filePath(QStringLiteral("elsewhere/other.txt"));
    QVERIFY(QDir().mkpath(QFileInfo(other).path()));
    QVERIFY(writeFile(other, "Другая заметка"));
    startQuillo();
    if (QTest::currentTestFailed())
        return;
    showNoteByTrayClick();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(typeText(QStringLiteral("first note")));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(notePath()), QByteArray("first note"), 10000);
    openSettingsByGear();
    if (QTest::currentTestFailed())
        return;

    // The save dialog, its name field in front: the whole path typed over the proposed name, then Return.
    QVERIFY(click(inSettings(m_form->browseButton())));
    const QString dialogTitle = QStringLiteral("Выберите файл для заметки");
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(dialogTitle).size(), 1, 10000);
    const xcb_window_t dialog = m_desktop.viewableWindowsNamed(dialogTitle).first();
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.inputFocus(), dialog, 5000);
    QTest::qWait(300); // only for the picture
    saveScreenshot(m_desktop.geometry(dialog), QStringLiteral("save_dialog"));
    QVERIFY(press(QStringLiteral("ctrl+a")));
    QVERIFY(typeText(other));
    QVERIFY(press(QStringLiteral("Return")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(dialog), 5000);
    // Chosen, not applied: the note still lives in its file.
    QVERIFY(!storedValue(QStringLiteral("notesFilePath")).isValid());

    // "Закрыть" applies it and closes the window.
    // The dialog's completion list lets go of the pointer and keyboard a moment after the dialog has gone.
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isInputGrabbed(), 5000);
    QVERIFY(click(inSettings(m_form->closeButton())));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(m_settings), 5000);
    QCOMPARE(storedValue(QStringLiteral("notesFilePath")).toString(), other);
    QCOMPARE(readFile(notePath()), QByteArray("first note"));

    // The note is now the other file's: shown again, what is typed lands at its end, in that file.
    QVERIFY(click(m_trayIcon));
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.isViewable(m_note), 5000);
    showNoteByTrayClick();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(typeText(QStringLiteral(" plus more")));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(other), QStringLiteral("Другая заметка plus more").toUtf8(), 10000);
    QCOMPARE(readFile(notePath()), QByteArray("first note"));
    QVERIFY(m_quillo->terminate(SIGTERM));
    QCOMPARE(m_quillo->exitCode(), 0);
}

QTEST_MAIN(TestSettingsWindow)
#include "test_settings_window.moc"
