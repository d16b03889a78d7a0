// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/note_text_view.h"
#include "storage/note_merge.h"
#include "storage/notes_store.h"

#include "test_files.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace quillo;
using namespace quillo::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

/// The ways other programs change a file: editors and sync tools rename a new file over it, scripts append.
void changeFile(const QString& path, const QString& how, const QByteArray& bytes) {
    if (how == QLatin1String("rename over")) {
        QVERIFY(writeFile(path + QStringLiteral(".tmp"), bytes));
        QVERIFY(::rename(QFile::encodeName(path + QStringLiteral(".tmp")).constData(),
                         QFile::encodeName(path).constData()) == 0);
        return;
    }
    if (how.startsWith(QLatin1String("deleted"))) {
        QVERIFY(QFile::remove(path));
        QTest::qWait(300); // seen, and as a change of its own
        if (bytes.isNull())
            return;
    }
    QFile file(path);
    QVERIFY(file.open(how == QLatin1String("append") ? QIODevice::Append : QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestNoteFileSync : public QObject {
    Q_OBJECT
    std::unique_ptr<NotesStore> makeStore(const QByteArray& onDisk) {
        if (!onDisk.isNull() && !writeFile(m_path, onDisk))
            qFatal("cannot write the note");
        return std::make_unique<NotesStore>(m_home->preferences, m_home->dir.path());
    }

    std::unique_ptr<TestHome> m_home;
    QString m_path;

private slots:
    void init() {
        m_home = std::make_unique<TestHome>();
        m_path = m_home->path(QStringLiteral("notes.txt"));
    }

    void mergeKeepsBothSides_data() {
        QTest::addColumn<QByteArray>("base");
        QTest::addColumn<QByteArray>("ours");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<QByteArray>("merged"); // null: no merge
        QTest::newRow("both added a line") << QByteArray("a\nb\n") << QByteArray("a\nb\nX\n")
                                           << QByteArray("a\nb\nY\n") << QByteArray("a\nb\nX\nY\n");
        QTest::newRow("same line changed")
            << QByteArray("buy milk\n") << QByteArray("buy milk and eggs\n") << QByteArray("buy bread\n")
            << QByteArray("buy milk and eggs\nbuy bread\n");
        QTest::newRow("lines apart") << QByteArray("a\nb\nc\n") << QByteArray("A\nb\nc\n")
                                     << QByteArray("a\nb\nC\n") << QByteArray("A\nb\nC\n");
        QTest::newRow("next lines") << QByteArray("a\nb\n") << QByteArray("A\nb\n") << QByteArray("a\nB\n")
                                    << QByteArray("A\nB\n");
        QTest::newRow("no line end") << QByteArray("a\nb") << QByteArray("a\nbX") << QByteArray("a\nbY")
                                     << QByteArray("a\nbX\nbY");
        QTest::newRow("typing unfinished, a line appended")
            << QByteArray("a\n") << QByteArray("a\nX") << QByteArray("a\nY\n") << QByteArray("a\nX\nY\n");
        QTest::newRow("binary, same line")
            << QByteArray("a\n") << QByteArray("aX\n") << QByteArray("a\0\n", 3) << QByteArray();
    }
    void mergeKeepsBothSides() {
        QFETCH(QByteArray, base);
        QFETCH(QByteArray, ours);
        QFETCH(QByteArray, theirs);
        QFETCH(QByteArray, merged);
        // Around a large untouched text, as a long note has, the result is the same.
        const QByteArray around(200'000, 'z');
        for (const bool large : {false, true}) {
            const auto wrap = [&](const QByteArray& text) {
                return large ? around + '\n' + text + '\n' + around + '\n' : text;
            };
            const std::optional<QByteArray> result = mergeNoteTexts(wrap(base), wrap(ours), wrap(theirs));
            QCOMPARE(result.has_value(), !merged.isNull());
            if (result)
                QCOMPARE(*result, wrap(merged));
        }
    }

    void noteWithoutTypingFollowsTheFile_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("rename over") << u"rename over"_s << QByteArray("first line\nreplaced ✓\n")
                                     << u"first line\nreplaced ✓\n"_s;
        QTest::newRow("append") << u"append"_s << QByteArray("appended line\n")
                                << u"first line\nsecond line\nappended line\n"_s;
        // The window keeps the text, and the file stays deleted until typing brings it back.
        QTest::newRow("deleted") << u"deleted"_s << QByteArray() << u"first line\nsecond line\n"_s;
        QTest::newRow("deleted and created again")
            << u"deleted and created again"_s << QByteArray("first line\nnew file\n")
            << u"first line\nnew file\n"_s;
    }
    void noteWithoutTypingFollowsTheFile() {
        QFETCH(QString, how);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        auto store = makeStore("first line\nsecond line\n");
        NoteTextView view(*store);
        QTextCursor caret = view.textCursor();
        caret.setPosition(3);
        view.setTextCursor(caret);
        QSignalSpy saved(store.get(), &NotesStore::lastSavedAtChanged);

        changeFile(m_path, how, bytes);
        const QByteArray onDisk = readFile(m_path);
        const QDateTime modified = QFileInfo(m_path).lastModified();
        QTRY_COMPARE(store->text(), shown);
        QCOMPARE(view.noteText(), shown);
        QCOMPARE(view.textCursor().position(), 3);

        // Quitting now writes nothing: the file stays the other program's, time included.
        QVERIFY(!store->hasUnsavedText());
        store->saveNow();
        QVERIFY(store->waitForWrites(10s));
        QCOMPARE(saved.count(), 0);
        QCOMPARE(readFile(m_path), onDisk);
        QCOMPARE(QFileInfo(m_path).lastModified(), modified);
    }

    // Saved at once, before the change is seen: the check before writing finds it. (What the watcher sees
    // first is merged the same way; the end-to-end tests type while another program writes.)
    void typingAndAChangeOnDiskAreBothSaved_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("merged");
        QTest::newRow("append at the end")
            << u"append"_s << QByteArray("call Anna\n") << QByteArray("one\ntwo\nthree\ntyped\ncall Anna\n");
        QTest::newRow("change in the middle")
            << u"rename over"_s << QByteArray("one\nTWO\nthree\n") << QByteArray("one\nTWO\nthree\ntyped\n");
    }
    void typingAndAChangeOnDiskAreBothSaved() {
        QFETCH(QString, how);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, merged);
        auto store = makeStore("one\ntwo\nthree\n");
        store->setText(QStringLiteral("one\ntwo\nthree\ntyped\n"));
        changeFile(m_path, how, bytes);
        store->saveNow();
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_path), merged, 5000);
        QVERIFY(store->waitForWrites(10s));
        QCOMPARE(store->text(), QString::fromUtf8(merged));
        QCOMPARE(QDir(m_home->dir.path()).entryList({u"notes.txt.*"_s}), QStringList());
    }

    void changeThatCannotBeMergedIsKeptBeside() {
        auto store = makeStore("one\n");
        store->setText(QStringLiteral("one typed\n"));
        const QByteArray theirs("one\0binary\n", 11);
        StdoutCapture output;
        changeFile(m_path, QStringLiteral("rename over"), theirs);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_path), QByteArray("one typed\n"), 5000);
        const QStringList copies = QDir(m_home->dir.path()).entryList({u"notes.txt.conflict-*"_s});
        QCOMPARE(copies.size(), 1);
        QCOMPARE(readFile(m_home->path(copies.first())), theirs);
        QTRY_VERIFY(output.text().contains(m_home->path(copies.first())));
    }
};

QTEST_MAIN(TestNoteFileSync)
#include "test_note_file_sync.moc"
