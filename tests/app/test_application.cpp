// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/note_window.h"
#include "editor/note_editor_view.h"
#include "editor/note_text_view.h"
#include "storage/notes_store.h"
#include "test_files.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>

#include <memory>

using namespace quillo;
using namespace quillo::test;
using namespace Qt::StringLiterals;

namespace {

/// Counts the presses of Escape that reach the objects it filters.
struct EscapeCounter final : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
        return false;
    }
    int count = 0;
};

} // namespace

/// Where Escape goes among Quillo's windows, which only shows inside the process, and what becomes of an
/// unusable stored frame. Launched for real in a private folder.
class TestApplication : public QObject {
    Q_OBJECT
    NoteWindow* noteWindow() const { return m_application->noteWindow(); }
    NoteTextView* textView() const {
        return static_cast<NoteEditorView*>(noteWindow()->content())->textView();
    }

    QTemporaryDir m_home;
    std::unique_ptr<Application> m_application;
    QWidget m_elsewhere;

private slots:
    void initTestCase() {
        // Before Quillo's preferences and note exist: they live in this test's own folders.
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
        m_application = std::make_unique<Application>();
        m_application->launch();
        QVERIFY(noteWindow());
    }

    void init() {
        // Another window has the focus before each case, as on a desktop when the note window hides.
        noteWindow()->hide();
        m_elsewhere.show();
        m_elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m_elsewhere));
        m_application->notesStore()->setText(QString());
        m_application->showNoteWindow();
        QVERIFY(QTest::qWaitForWindowActive(noteWindow()));
        QTRY_VERIFY(textView()->hasFocus());
    }

    void escapeHidesTheNoteWindowAndNeverReachesTheText_data() {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("Escape") << Qt::KeyboardModifiers(Qt::NoModifier);
        QTest::newRow("Control+Shift+Escape") << (Qt::ControlModifier | Qt::ShiftModifier);
    }
    void escapeHidesTheNoteWindowAndNeverReachesTheText() {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        EscapeCounter escapes;
        textView()->installEventFilter(&escapes);
        QTest::keyClick(noteWindow()->windowHandle(), Qt::Key_A); // other keys reach the text
        QCOMPARE(m_application->notesStore()->text(), QStringLiteral("a"));
        QTest::keyClick(noteWindow()->windowHandle(), Qt::Key_Escape, modifiers);
        QVERIFY(!noteWindow()->isVisible());
        QCOMPARE(escapes.count, 0);
        QCOMPARE(m_application->notesStore()->text(), QStringLiteral("a"));
    }

    void anOpenPopupKeepsItsEscape() {
        const QPoint at = textView()->viewport()->rect().center();
        QContextMenuEvent menuRequest(QContextMenuEvent::Keyboard, at,
                                      textView()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(textView()->viewport(), &menuRequest);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QWidget* menu = QApplication::activePopupWidget();
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(noteWindow()->isVisible());
        // The next one is the note window's again.
        QTest::keyClick(noteWindow()->windowHandle(), Qt::Key_Escape);
        QVERIFY(!noteWindow()->isVisible());
    }

    void unusableStoredGeometryKeepsTheInitialFrame() {
        for (const QVariant& stored : {QVariant(QByteArray("not a geometry")), QVariant(u"1,2,3,4"_s)}) {
            TestHome home;
            home.preferences.setValue(NoteWindow::kFrameKey, stored);
            NoteWindow window(home.preferences);
            window.restoreFrame();
            QCOMPARE(window.geometry(), QRect(QPoint(0, 0), NoteWindow::kInitialSize));
        }
    }
};

QTEST_MAIN(TestApplication)
#include "test_application.moc"
