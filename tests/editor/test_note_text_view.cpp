// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/note_text_view.h"
#include "storage/notes_store.h"
#include "test_files.h"

#include <QTest>

#include <memory>

using namespace quillo;
using namespace quillo::test;

/// The note text view bound to a real store on a temporary folder, inside a real (offscreen) window.
class TestNoteTextView : public QObject {
    Q_OBJECT
    QString notePath() const { return m_home->path(QStringLiteral("data/notes.txt")); }
    void makeView() {
        m_store = std::make_unique<NotesStore>(m_home->preferences, m_home->path(QStringLiteral("data")));
        m_view = std::make_unique<NoteTextView>(*m_store);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    }

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<NoteTextView> m_view;

private slots:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup() {
        m_view.reset();
        m_store.reset();
        m_home.reset();
    }

    void editsKeepEveryCharacterOfTheNote() {
        // No-break spaces, a line separator, tabs and a trailing newline must survive an edit elsewhere.
        const QString original = QStringLiteral("a\u00A0b\u2028c\td\n\nend\n");
        QVERIFY(writeFile(notePath(), original.toUtf8()));
        makeView();
        QCOMPARE(m_view->noteText(), original);
        m_view->moveCursor(QTextCursor::End);
        QTest::keyClick(m_view.get(), Qt::Key_X);
        QTest::keyClick(m_view.get(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(m_view.get(), Qt::Key_Y);
        QCOMPARE(m_store->text(), original + QStringLiteral("x\ny"));
        m_store->saveNow();
        QVERIFY(m_store->waitForWrites(std::chrono::seconds(10)));
        QCOMPARE(readFile(notePath()), (original + QStringLiteral("x\ny")).toUtf8());
    }

    void ownEditsLeaveSelectionAndUndoAlone() {
        makeView();
        QTest::keyClicks(m_view.get(), QStringLiteral("one two"));
        QTest::keyClick(m_view.get(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(m_store->text(), QStringLiteral("one two"));
        QCOMPARE(m_view->textCursor().selectedText(), QStringLiteral("o"));
        QTest::keyClick(m_view.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_view->noteText(), QString());
        QCOMPARE(m_store->text(), QString()); // an undo is an edit like any other
    }

    void textSetElsewhereReplacesTheView() {
        makeView();
        QTest::keyClicks(m_view.get(), QStringLiteral("typed here"));
        m_store->setText(QStringLiteral("set elsewhere"));
        QCOMPARE(m_view->noteText(), QStringLiteral("set elsewhere"));
        QCOMPARE(m_store->text(), QStringLiteral("set elsewhere"));
    }

    void anEditPendingWhenTheViewGoesIsKept() {
        makeView();
        QTest::keyClicks(m_view.get(), QStringLiteral("last words"));
        m_view.reset();
        QCOMPARE(m_store->text(), QStringLiteral("last words"));
    }
};

QTEST_MAIN(TestNoteTextView)
#include "test_note_text_view.moc"
