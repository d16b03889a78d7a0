#include "storage/note_writer.h"

#include "scoped_tmpfs.h"
#include "test_files.h"

#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

using namespace quillo;
using namespace quillo::test;
using namespace std::chrono_literals;

namespace {

mode_t modeOf(const QString& path) {
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

} // namespace

/// Saves that must fail fail for real: on a small tmpfs that fills up or turns read-only.
class TestNoteWriter : public QObject {
    Q_OBJECT
private slots:
    void writesLandInTheOrderQueued();
    void newFileIsPrivateAndAnExistingOneKeepsItsMode();
    void aChainOfLinksStaysAndItsTargetIsWritten();
    void fullDiskFailsAndLeavesTheOldNoteWhole();
    void readOnlyFolderFailsWithTheSystemsReason();

private:
    QTemporaryDir m_dir;
};

void TestNoteWriter::writesLandInTheOrderQueued() {
    NoteWriter writer;
    QSignalSpy written(&writer, &NoteWriter::written);
    const QString path = m_dir.filePath(QStringLiteral("order.txt"));
    for (int i = 0; i < 40; ++i)
        writer.enqueue({path, QStringLiteral("version %1").arg(i)});
    QVERIFY(writer.waitForWrites(30s));
    QCOMPARE(readFile(path), QByteArray("version 39"));
    QTRY_COMPARE(written.count(), 40);
}

void TestNoteWriter::newFileIsPrivateAndAnExistingOneKeepsItsMode() {
    const QString path = m_dir.filePath(QStringLiteral("a/b/c/note.txt")); // missing folders are made
    QVERIFY(NoteWriter::writeNow({path, QStringLiteral("new")}).ok);
    QCOMPARE(modeOf(path), mode_t(0600));

    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
    QVERIFY(NoteWriter::writeNow({path, QStringLiteral("two")}).ok);
    QCOMPARE(modeOf(path), mode_t(0644));
    QCOMPARE(readFile(path), QByteArray("two"));
}

void TestNoteWriter::aChainOfLinksStaysAndItsTargetIsWritten() {
    const QString target = m_dir.filePath(QStringLiteral("synced/real.txt"));
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
    const QString link = m_dir.filePath(QStringLiteral("link.txt"));
    const QString chained = m_dir.filePath(QStringLiteral("chained.txt"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(QFile::link(link, chained));

    QVERIFY(NoteWriter::writeNow({chained, QStringLiteral("through two links")}).ok);
    QVERIFY(QFileInfo(chained).isSymLink());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(target), QByteArray("through two links"));
}

void TestNoteWriter::fullDiskFailsAndLeavesTheOldNoteWhole() {
    ScopedTmpfs disk(64 * 1024);
    QVERIFY2(disk.isMounted(), qPrintable(disk.errorString()));
    const QString path = disk.path() + QStringLiteral("/notes.txt");
    const QString earlier(30 * 1024, QLatin1Char('e'));
    QVERIFY(NoteWriter::writeNow({path, earlier}).ok);

    // The new text fits nowhere next to the old one: the save must fail, never leave a truncated note.
    const WriteResult result = NoteWriter::writeNow({path, QString(48 * 1024, QLatin1Char('n'))});
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(readFile(path), earlier.toUtf8());
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary file left
}

void TestNoteWriter::readOnlyFolderFailsWithTheSystemsReason() {
    ScopedTmpfs disk(64 * 1024);
    QVERIFY2(disk.isMounted(), qPrintable(disk.errorString()));
    const QString path = disk.path() + QStringLiteral("/notes.txt");
    QVERIFY(NoteWriter::writeNow({path, QStringLiteral("before")}).ok);
    QVERIFY2(disk.remountReadOnly(), qPrintable(disk.errorString()));
    const WriteResult result = NoteWriter::writeNow({path, QStringLiteral("after")});
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(readFile(path), QByteArray("before"));
}

QTEST_GUILESS_MAIN(TestNoteWriter)
#include "test_note_writer.moc"
