#include "storage/notes_store.h"
#include "storage/preferences.h"

#include "stdout_capture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillo;
using namespace std::chrono_literals;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestNotesStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstStartCreatesThePrivateFolderButNoFile();
    void burstOfChangesGivesOneWriteOfTheLastText();
    void unchangedAssignmentStillSaves();
    void saveNowDuringPendingDelayWritesOnce();
    void loadingNeverSchedulesASave();
    void failedWritePrintsTheLineAndKeepsLastSavedAt_data();
    void failedWritePrintsTheLineAndKeepsLastSavedAt();
    void storedPathIsUsedExactlyAsStored();
    void switchingToTheSameFileKeepsTheTypedText();
    void switchingToAMissingFileEmptiesTheNoteAndCreatesNothing();
    void switchingToAnExistingFileLoadsItAndKeepsLastSavedAt();
    void undecodableFileIsMovedAsideNotLost();
    void byteOrderMarkRoundTrips();
    void editorEditsAreReadOnceAndOnlyWhenNeeded();

private:
    std::unique_ptr<NotesStore> makeStore() {
        return std::make_unique<NotesStore>(*m_preferences, m_dir->filePath(QStringLiteral("data/Quillo")));
    }
    QString defaultNote() const { return m_dir->filePath(QStringLiteral("data/Quillo/notes.txt")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
};

void TestNotesStore::init() {
    m_preferences.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_preferences = std::make_unique<Preferences>(m_dir->filePath(QStringLiteral("config/Quillo.conf")));
}

void TestNotesStore::firstStartCreatesThePrivateFolderButNoFile() {
    auto store = makeStore();
    QCOMPARE(store->filePath(), defaultNote());
    const QFileInfo folder(QFileInfo(defaultNote()).absolutePath());
    QVERIFY(folder.isDir());
    QCOMPARE(folder.permissions() & 0x0777,
             QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    QCOMPARE(store->text(), QString());
    QVERIFY(!store->lastSavedAt().isValid());
    QVERIFY(!m_preferences->contains(QStringLiteral("notesFilePath")));
    QTest::qWait(800);
    QVERIFY(!QFileInfo::exists(defaultNote()));
}

void TestNotesStore::burstOfChangesGivesOneWriteOfTheLastText() {
    auto store = makeStore();
    QSignalSpy saved(store.get(), &NotesStore::lastSavedAtChanged);
    store->setText(QStringLiteral("a"));
    QTest::qWait(200);
    store->setText(QStringLiteral("ab"));
    QTest::qWait(200);
    store->setText(QStringLiteral("abc"));
    QElapsedTimer sinceLastChange;
    sinceLastChange.start();

    QTest::qWait(300);
    QVERIFY2(!QFileInfo::exists(defaultNote()), "written before the delay ran out");
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000);
    QVERIFY(sinceLastChange.elapsed() >= 600);
    QCOMPARE(readFile(defaultNote()), QByteArray("abc"));
    QTest::qWait(800);
    QCOMPARE(saved.count(), 1);
    QVERIFY(store->lastSavedAt().isValid());
}

void TestNotesStore::unchangedAssignmentStillSaves() {
    writeFile(defaultNote(), "same");
    auto store = makeStore();
    QSignalSpy saved(store.get(), &NotesStore::lastSavedAtChanged);
    store->setText(QStringLiteral("same"));
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000);
}

void TestNotesStore::saveNowDuringPendingDelayWritesOnce() {
    auto store = makeStore();
    QSignalSpy saved(store.get(), &NotesStore::lastSavedAtChanged);
    store->setText(QStringLiteral("quick"));
    store->saveNow();
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000);
    QCOMPARE(readFile(defaultNote()), QByteArray("quick"));
    QTest::qWait(900);
    QCOMPARE(saved.count(), 1);
}

void TestNotesStore::loadingNeverSchedulesASave() {
    writeFile(defaultNote(), "from disk\n");
    const QDateTime modified = QFileInfo(defaultNote()).lastModified();
    auto store = makeStore();
    QSignalSpy saved(store.get(), &NotesStore::lastSavedAtChanged);
    QCOMPARE(store->text(), QStringLiteral("from disk\n"));
    store->load();
    QTest::qWait(900);
    QCOMPARE(saved.count(), 0);
    QVERIFY(!store->lastSavedAt().isValid());
    QCOMPARE(QFileInfo(defaultNote()).lastModified(), modified);
}

void TestNotesStore::failedWritePrintsTheLineAndKeepsLastSavedAt_data() {
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("path is a folder") << QStringLiteral("folder");
    QTest::newRow("path below a regular file") << QStringLiteral("file-as-folder");
}

void TestNotesStore::failedWritePrintsTheLineAndKeepsLastSavedAt() {
    QFETCH(QString, obstacle);
    QString path;
    if (obstacle == QLatin1String("folder")) {
        path = m_dir->filePath(QStringLiteral("taken"));
        QVERIFY(QDir().mkpath(path));
    } else {
        writeFile(m_dir->filePath(QStringLiteral("plain")), "x");
        path = m_dir->filePath(QStringLiteral("plain/notes.txt"));
    }
    m_preferences->setValue(QStringLiteral("notesFilePath"), path);
    auto store = makeStore();

    test::StdoutCapture output;
    store->setText(QStringLiteral("kept in memory"));
    store->saveNow();
    QVERIFY(store->waitForWrites(10s));
    QCoreApplication::processEvents();

    const QString prefix =
        QStringLiteral("Quillo: не удалось сохранить заметку по пути ") + path + QStringLiteral(": ");
    const QStringList lines = output.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(prefix), qPrintable(lines.first()));
    QVERIFY(lines.first().size() > prefix.size()); // the system's description follows
    QVERIFY(!store->lastSavedAt().isValid());
    QCOMPARE(store->text(), QStringLiteral("kept in memory"));
}

void TestNotesStore::storedPathIsUsedExactlyAsStored() {
    const QString path = m_dir->filePath(QStringLiteral("blank name  "));
    m_preferences->setValue(QStringLiteral("notesFilePath"), path);
    auto store = makeStore();
    QCOMPARE(store->filePath(), path);
    store->setText(QStringLiteral("x"));
    store->saveNow();
    QVERIFY(store->waitForWrites(10s));
    QCOMPARE(readFile(path), QByteArray("x"));
    QVERIFY(!QFileInfo::exists(path.trimmed()));
}

void TestNotesStore::switchingToTheSameFileKeepsTheTypedText() {
    writeFile(defaultNote(), "older text on disk");
    auto store = makeStore();
    // A large note makes the write take long enough that a reload racing it would be seen.
    const QString typed = QString(2'000'000, QLatin1Char('z')) + QStringLiteral(" just typed");
    store->setText(typed);
    store->setFilePath(defaultNote());
    QCOMPARE(store->text(), typed);
    QVERIFY(store->waitForWrites(10s));
    QCOMPARE(readFile(defaultNote()), typed.toUtf8());
}

void TestNotesStore::switchingToAMissingFileEmptiesTheNoteAndCreatesNothing() {
    auto store = makeStore();
    store->setText(QStringLiteral("for the old file"));
    const QString missing = m_dir->filePath(QStringLiteral("elsewhere/new.txt"));
    QSignalSpy pathChanged(store.get(), &NotesStore::filePathChanged);
    store->setFilePath(missing);
    QCOMPARE(pathChanged.count(), 1);
    QCOMPARE(store->filePath(), missing);
    QCOMPARE(m_preferences->stringValue(QStringLiteral("notesFilePath")).value(), missing);
    QCOMPARE(store->text(), QString());
    QVERIFY(store->waitForWrites(10s));
    QCOMPARE(readFile(defaultNote()), QByteArray("for the old file"));
    QTest::qWait(900);
    QVERIFY(!QFileInfo::exists(missing));
    store->setText(QStringLiteral("first words"));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(missing), QByteArray("first words"), 5000);
}

void TestNotesStore::switchingToAnExistingFileLoadsItAndKeepsLastSavedAt() {
    const QString other = m_dir->filePath(QStringLiteral("other.txt"));
    writeFile(other, "другая заметка ✓");
    auto store = makeStore();
    QSignalSpy saved(store.get(), &NotesStore::lastSavedAtChanged);
    store->setFilePath(other);
    QCOMPARE(store->text(), QStringLiteral("другая заметка ✓"));
    // The only write is the save to the old file; loading the new one sets nothing.
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000);
    QTest::qWait(900);
    QCOMPARE(saved.count(), 1);
    QCOMPARE(readFile(other), QByteArray("другая заметка ✓"));
}

void TestNotesStore::undecodableFileIsMovedAsideNotLost() {
    const QByteArray original("Latin-1 caf\xe9 and a stray \xff byte");
    writeFile(defaultNote(), original);
    auto store = makeStore();
    QCOMPARE(store->text(), QString());

    test::StdoutCapture output;
    store->setText(QStringLiteral("new start"));
    store->saveNow();
    QVERIFY(store->waitForWrites(10s));
    store->setText(QStringLiteral("new start, more"));
    store->saveNow();
    QVERIFY(store->waitForWrites(10s));

    QCOMPARE(readFile(defaultNote()), QByteArray("new start, more"));
    const QStringList aside =
        QDir(QFileInfo(defaultNote()).absolutePath()).entryList({QStringLiteral("notes.txt.unreadable-*")});
    QCOMPARE(aside.size(), 1);
    const QString asidePath = QFileInfo(defaultNote()).absolutePath() + QLatin1Char('/') + aside.first();
    QCOMPARE(readFile(asidePath), original);
    QVERIFY2(output.text().contains(asidePath), qPrintable(output.text()));
    QCOMPARE(output.text().count(QLatin1Char('\n')), 1);
}

void TestNotesStore::byteOrderMarkRoundTrips() {
    const QByteArray bytes("\xEF\xBB\xBFwith a mark\r\nand CRLF");
    writeFile(defaultNote(), bytes);
    auto store = makeStore();
    QCOMPARE(store->text().front(), QChar(0xFEFF));
    store->saveNow();
    QVERIFY(store->waitForWrites(10s));
    QCOMPARE(readFile(defaultNote()), bytes);
}

void TestNotesStore::editorEditsAreReadOnceAndOnlyWhenNeeded() {
    auto store = makeStore();
    QSignalSpy changed(store.get(), &NotesStore::textChanged);
    QSignalSpy saved(store.get(), &NotesStore::lastSavedAtChanged);
    QString editor;
    int reads = 0;
    const auto reader = [&] {
        ++reads;
        return editor;
    };
    for (const char* typed : {"a", "ab", "abc"}) {
        editor = QString::fromLatin1(typed);
        store->setTextFromEditor(reader);
        QTest::qWait(200);
    }
    QCOMPARE(changed.count(), 3);
    QCOMPARE(reads, 0); // nobody asked yet
    QVERIFY2(!QFileInfo::exists(defaultNote()), "the delay restarts on every edit");

    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000);
    QCOMPARE(reads, 1); // the save read the editor once
    QCOMPARE(readFile(defaultNote()), QByteArray("abc"));
    QCOMPARE(store->text(), QStringLiteral("abc"));
    QCOMPARE(reads, 1);

    editor = QStringLiteral("abcd");
    store->setTextFromEditor(reader);
    store->setText(QStringLiteral("replaced")); // a text set directly wins over the pending edit
    QCOMPARE(store->text(), QStringLiteral("replaced"));
    QCOMPARE(reads, 1);
}

QTEST_GUILESS_MAIN(TestNotesStore)
#include "test_notes_store.moc"
