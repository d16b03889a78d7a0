#include "editor/note_text_view.h"
#include "storage/notes_store.h"
#include "test_files.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace quillo;
using namespace quillo::test;

/// The note text view bound to a real store on a temporary folder, inside a real (offscreen) window.
class TestNoteTextView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void editsKeepEveryCharacterOfTheNote();
    void ownEditsLeaveSelectionAndUndoAlone();
    void textSetElsewhereReplacesTheView();
    void anEditPendingWhenTheViewGoesIsKept();
    void focusAtEndFocusesFromTheEventLoop();

private:
    QString notePath() const { return m_home->path(QStringLiteral("data/notes.txt")); }
    void makeView();

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<QWidget> m_window;
    NoteTextView* m_view = nullptr;
};

void TestNoteTextView::init() {
    m_home = std::make_unique<TestHome>();
}

void TestNoteTextView::cleanup() {
    m_window.reset();
    m_store.reset();
    m_home.reset();
}

void TestNoteTextView::makeView() {
    m_store = std::make_unique<NotesStore>(m_home->preferences, m_home->path(QStringLiteral("data")));
    m_window = std::make_unique<QWidget>();
    m_view = new NoteTextView(*m_store, m_window.get());
    (new QVBoxLayout(m_window.get()))->addWidget(m_view);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_view->setFocus();
}

void TestNoteTextView::editsKeepEveryCharacterOfTheNote() {
    // No-break spaces, a line separator, tabs and a trailing newline must survive an edit elsewhere.
    const QString original = QStringLiteral("a\u00A0b\u2028c\td\n\nend\n");
    QVERIFY(writeFile(notePath(), original.toUtf8()));
    makeView();
    QCOMPARE(m_view->noteText(), original);
    m_view->moveCursor(QTextCursor::End);
    QTest::keyClick(m_view, Qt::Key_X);
    QTest::keyClick(m_view, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClick(m_view, Qt::Key_Y);
    QCOMPARE(m_store->text(), original + QStringLiteral("x\ny"));
    m_store->saveNow();
    QVERIFY(m_store->waitForWrites(std::chrono::seconds(10)));
    QCOMPARE(readFile(notePath()), (original + QStringLiteral("x\ny")).toUtf8());
}

void TestNoteTextView::ownEditsLeaveSelectionAndUndoAlone() {
    makeView();
    QTest::keyClicks(m_view, QStringLiteral("one two"));
    QTest::keyClick(m_view, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(m_store->text(), QStringLiteral("one two"));
    QCOMPARE(m_view->textCursor().selectedText(), QStringLiteral("o"));
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_view->noteText(), QString());
    QCOMPARE(m_store->text(), QString()); // an undo is an edit like any other
}

void TestNoteTextView::textSetElsewhereReplacesTheView() {
    makeView();
    QTest::keyClicks(m_view, QStringLiteral("typed here"));
    m_store->setText(QStringLiteral("set elsewhere"));
    QCOMPARE(m_view->noteText(), QStringLiteral("set elsewhere"));
    QCOMPARE(m_store->text(), QStringLiteral("set elsewhere"));
}

void TestNoteTextView::anEditPendingWhenTheViewGoesIsKept() {
    makeView();
    QTest::keyClicks(m_view, QStringLiteral("last words"));
    m_window.reset(); // the view and its document go with the window
    QCOMPARE(m_store->text(), QStringLiteral("last words"));
}

void TestNoteTextView::focusAtEndFocusesFromTheEventLoop() {
    QVERIFY(writeFile(notePath(), "line one\nline two"));
    makeView();
    auto* other = new QLineEdit(m_window.get());
    m_window->layout()->addWidget(other);
    for (const QString& text : {QStringLiteral("line one\nline two"), QString()}) {
        m_store->setText(text);
        other->setFocus();
        m_view->moveCursor(QTextCursor::Start);
        QTRY_VERIFY(other->hasFocus());
        m_view->focusAtEnd();
        QVERIFY2(!m_view->hasFocus(), "focus must come after the caller's work, not within it");
        QTRY_VERIFY(m_view->hasFocus());
        QCOMPARE(m_view->textCursor().position(), int(text.size()));
    }
}

QTEST_MAIN(TestNoteTextView)
#include "test_note_text_view.moc"
