#include "app/application.h"
#include "app/note_window.h"
#include "editor/note_editor_view.h"
#include "editor/note_text_view.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillo;

namespace {

/// Counts the key presses of one key that reach a widget.
class KeyCounter final : public QObject {
public:
    KeyCounter(QObject* target, Qt::Key key)
        : m_key(key) {
        target->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == m_key)
            ++count;
        return false;
    }

private:
    Qt::Key m_key;
};

} // namespace

/// The controller's side of the note window, launched for real on the shared stores of a private folder.
class TestNoteWindowController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void launchLeavesTheWindowHiddenWithItsAttributes();
    void everyShowFocusesTheText();
    void escapeHidesTheActiveNoteWindowAndIsConsumed_data();
    void escapeHidesTheActiveNoteWindowAndIsConsumed();
    void escapeInAnotherWindowIsLeftAlone();
    void closeRequestHidesAndTheNextShowReusesTheWindow();
    void toggleFollowsVisibilityAlone();
    void geometryIsRememberedAcrossWindows();
    void unusableRememberedGeometryKeepsTheInitialFrame();

private:
    NoteWindow* window() const { return m_delegate->noteWindow(); }
    NoteTextView* textView() const { return static_cast<NoteEditorView*>(window()->content())->textView(); }
    void showAndWaitActive() {
        m_delegate->showNoteWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
    }

    QTemporaryDir m_home;
    std::unique_ptr<Application> m_delegate;
    QWidget m_elsewhere;
};

void TestNoteWindowController::initTestCase() {
    QVERIFY(m_home.isValid());
    // Before any shared store exists: they live in this test's own folders.
    qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
    m_delegate = std::make_unique<Application>();
    m_delegate->launch();
    QVERIFY(window());
    m_elsewhere.resize(200, 100);
}

void TestNoteWindowController::init() {
    window()->hide();
    QTRY_VERIFY(!window()->isVisible());
    // Some other window has the focus before each case, as on a desktop.
    m_elsewhere.show();
    m_elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_elsewhere));
}

void TestNoteWindowController::launchLeavesTheWindowHiddenWithItsAttributes() {
    QVERIFY(!window()->isVisible());
    QCOMPARE(window()->geometry(), QRect(0, 0, 340, 380)); // nothing remembered yet: not centred either
    window()->resize(100, 100);
    QCOMPARE(window()->size(), QSize(260, 200));
    window()->resize(340, 380);
}

void TestNoteWindowController::everyShowFocusesTheText() {
    (*m_delegate->notesStore()).setText(QStringLiteral("first line\nsecond"));
    showAndWaitActive();
    textView()->moveCursor(QTextCursor::Start);
    m_delegate->showNoteWindow(); // already shown: still counts
    QTRY_VERIFY(textView()->hasFocus());
    QTRY_COMPARE(textView()->textCursor().position(), 17);
    QVERIFY(window()->isVisible());
}

void TestNoteWindowController::escapeHidesTheActiveNoteWindowAndIsConsumed_data() {
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Escape") << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("Shift+Escape") << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Alt+Escape") << Qt::KeyboardModifiers(Qt::AltModifier);
    QTest::newRow("Control+Shift+Escape") << (Qt::ControlModifier | Qt::ShiftModifier);
}

void TestNoteWindowController::escapeHidesTheActiveNoteWindowAndIsConsumed() {
    QFETCH(Qt::KeyboardModifiers, modifiers);
    (*m_delegate->notesStore()).setText(QString());
    showAndWaitActive();
    QTRY_VERIFY(textView()->hasFocus());
    KeyCounter escapes(textView(), Qt::Key_Escape);
    KeyCounter letters(textView(), Qt::Key_A);

    QTest::keyClick(window()->windowHandle(), Qt::Key_A); // other keys reach the text
    QCOMPARE(letters.count, 1);
    QCOMPARE((*m_delegate->notesStore()).text(), QStringLiteral("a"));
    QVERIFY(window()->isVisible());

    QTest::keyClick(window()->windowHandle(), Qt::Key_Escape, modifiers);
    QVERIFY(!window()->isVisible());
    QCOMPARE(escapes.count, 0);
    QCOMPARE((*m_delegate->notesStore()).text(), QStringLiteral("a"));
}

void TestNoteWindowController::escapeInAnotherWindowIsLeftAlone() {
    showAndWaitActive();
    m_elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_elsewhere));
    KeyCounter escapes(&m_elsewhere, Qt::Key_Escape);
    QTest::keyClick(m_elsewhere.windowHandle(), Qt::Key_Escape);
    QCOMPARE(escapes.count, 1);
    QVERIFY(window()->isVisible());
}

void TestNoteWindowController::closeRequestHidesAndTheNextShowReusesTheWindow() {
    showAndWaitActive();
    NoteWindow* const shown = window();
    QWidget* const content = shown->content();
    QVERIFY(!shown->close());
    QVERIFY(!shown->isVisible());
    QCOMPARE(window(), shown);
    m_delegate->showNoteWindow();
    QCOMPARE(window(), shown);
    QCOMPARE(window()->content(), content);
    QVERIFY(window()->isVisible());
}

void TestNoteWindowController::toggleFollowsVisibilityAlone() {
    m_delegate->toggleNoteWindow();
    QVERIFY(window()->isVisible());
    // Another window in front and active: the note window is still visible, so the toggle hides it.
    m_elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_elsewhere));
    m_delegate->toggleNoteWindow();
    QVERIFY(!window()->isVisible());
    m_delegate->toggleNoteWindow();
    QVERIFY(window()->isVisible());
}

void TestNoteWindowController::geometryIsRememberedAcrossWindows() {
    QTemporaryDir dir;
    Preferences preferences(dir.filePath(QStringLiteral("Quillo.conf")));
    {
        NoteWindow first(preferences);
        first.restoreFrame();
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        first.setGeometry(QRect(120, 90, 420, 515));
        QTRY_VERIFY_WITH_TIMEOUT(preferences.contains(QStringLiteral("QuilloNoteWindow")), 5000);
        first.resize(430, 520); // the last change before the window goes is kept as well
    }
    NoteWindow second(preferences);
    QCOMPARE(second.size(), NoteWindow::kInitialSize);
    second.restoreFrame();
    QCOMPARE(second.size(), QSize(430, 520));
    QCOMPARE(second.pos(), QPoint(120, 90));
}

void TestNoteWindowController::unusableRememberedGeometryKeepsTheInitialFrame() {
    QTemporaryDir dir;
    Preferences preferences(dir.filePath(QStringLiteral("Quillo.conf")));
    preferences.setValue(QStringLiteral("QuilloNoteWindow"), QByteArray("not a geometry"));
    NoteWindow window(preferences);
    window.restoreFrame();
    QCOMPARE(window.geometry(), QRect(QPoint(0, 0), NoteWindow::kInitialSize));
}

QTEST_MAIN(TestNoteWindowController)
#include "test_note_window_controller.moc"
