#include "editor/note_text_view.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace quillo;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

/// Types any text, one key event per character, as a keyboard layout that has the letters would.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

/// The note text view bound to a real store on a temporary folder, inside a real (offscreen) window.
class TestNoteTextView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void typingReachesTheStoreAndLaterTheFile();
    void editsKeepEveryCharacterOfTheNote();
    void ownEditsLeaveSelectionAndUndoAlone();
    void textFromElsewhereReplacesTheView();
    void anEditPendingWhenTheViewGoesIsKept();
    void focusAtEndFocusesFromTheEventLoop();

private:
    QString notePath() const { return m_dir->filePath(QStringLiteral("data/notes.txt")); }
    void makeView();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<QWidget> m_window;
    NoteTextView* m_view = nullptr;
};

void TestNoteTextView::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_preferences = std::make_unique<Preferences>(m_dir->filePath(QStringLiteral("Quillo.conf")));
    QDir().mkpath(m_dir->filePath(QStringLiteral("data")));
}

void TestNoteTextView::cleanup() {
    m_window.reset();
    m_view = nullptr;
    m_store.reset();
    m_preferences.reset();
}

void TestNoteTextView::makeView() {
    m_store = std::make_unique<NotesStore>(*m_preferences, m_dir->filePath(QStringLiteral("data")));
    m_window = std::make_unique<QWidget>();
    m_view = new NoteTextView(*m_store, m_window.get());
    (new QVBoxLayout(m_window.get()))->addWidget(m_view);
    m_window->resize(340, 380);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_view->setFocus();
}

void TestNoteTextView::typingReachesTheStoreAndLaterTheFile() {
    makeView();
    QSignalSpy changed(m_store.get(), &NotesStore::textChanged);
    QSignalSpy saved(m_store.get(), &NotesStore::lastSavedAtChanged);
    typeText(m_view, QStringLiteral("Привет"));
    QCOMPARE(changed.count(), 6); // every keystroke is published
    QCOMPARE(m_store->text(), QStringLiteral("Привет"));
    QVERIFY(!QFileInfo::exists(notePath()));
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000);
    QCOMPARE(readFile(notePath()), QStringLiteral("Привет").toUtf8());
}

void TestNoteTextView::editsKeepEveryCharacterOfTheNote() {
    // No-break spaces, a line separator, tabs and a trailing newline must survive an edit elsewhere.
    const QString original = QStringLiteral("a\u00A0b\u2028c\td\n\nend\n");
    writeFile(notePath(), original.toUtf8());
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

void TestNoteTextView::textFromElsewhereReplacesTheView() {
    const QString other = m_dir->filePath(QStringLiteral("other.txt"));
    writeFile(other, "from the other file");
    makeView();
    QTest::keyClicks(m_view, QStringLiteral("typed here"));
    m_view->moveCursor(QTextCursor::Start);
    m_view->moveCursor(QTextCursor::NextWord, QTextCursor::KeepAnchor);

    m_store->setFilePath(other);
    QCOMPARE(m_view->noteText(), QStringLiteral("from the other file"));
    QVERIFY(!m_view->textCursor().hasSelection());
    QCOMPARE(m_store->text(), QStringLiteral("from the other file"));
    QVERIFY(m_store->waitForWrites(std::chrono::seconds(10)));
    QCOMPARE(readFile(notePath()), QByteArray("typed here")); // the old file got the typing

    m_store->setText(QStringLiteral("set directly"));
    QCOMPARE(m_view->noteText(), QStringLiteral("set directly"));
}

void TestNoteTextView::anEditPendingWhenTheViewGoesIsKept() {
    makeView();
    QTest::keyClicks(m_view, QStringLiteral("last words"));
    m_window.reset(); // the view and its document go with the window
    m_view = nullptr;
    QCOMPARE(m_store->text(), QStringLiteral("last words"));
}

void TestNoteTextView::focusAtEndFocusesFromTheEventLoop() {
    writeFile(notePath(), "line one\nline two");
    makeView();
    auto* other = new QLineEdit(m_window.get());
    m_window->layout()->addWidget(other);
    const auto focusElsewhere = [&] {
        other->setFocus();
        m_view->moveCursor(QTextCursor::Start);
        QTRY_VERIFY(other->hasFocus());
    };

    focusElsewhere();
    m_view->focusAtEnd();
    QVERIFY2(!m_view->hasFocus(), "focus must come after the caller's work, not within it");
    QTRY_VERIFY(m_view->hasFocus());
    QCOMPARE(m_view->textCursor().position(), m_view->document()->characterCount() - 1);

    m_store->setText(QString()); // an empty note focuses with the caret at 0
    focusElsewhere();
    m_view->focusAtEnd();
    QTRY_VERIFY(m_view->hasFocus());
    QCOMPARE(m_view->textCursor().position(), 0);
}

QTEST_MAIN(TestNoteTextView)
#include "test_note_text_view.moc"
