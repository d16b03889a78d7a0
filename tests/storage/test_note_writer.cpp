#include "storage/note_writer.h"

#include "scoped_tmpfs.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace quillo;
using namespace std::chrono_literals;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString& path) {
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

} // namespace

class TestNoteWriter : public QObject {
    Q_OBJECT
private slots:
    void writesLandInTheOrderQueued();
    void newFileIsPrivateAndExistingFileKeepsItsMode();
    void symbolicLinkStaysALinkAndItsTargetIsWritten();
    void missingParentFoldersAreCreated();
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
    for (int i = 0; i < 40; ++i)
        QCOMPARE(written.at(i).first().value<WriteResult>().id, quint64(i + 1));
}

void TestNoteWriter::newFileIsPrivateAndExistingFileKeepsItsMode() {
    const QString fresh = m_dir.filePath(QStringLiteral("fresh.txt"));
    QVERIFY(NoteWriter::writeNow({fresh, QStringLiteral("new")}).ok);
    QCOMPARE(modeOf(fresh), mode_t(0600));

    const QString shared = m_dir.filePath(QStringLiteral("shared.txt"));
    QVERIFY(NoteWriter::writeNow({shared, QStringLiteral("one")}).ok);
    QVERIFY(::chmod(QFile::encodeName(shared).constData(), 0644) == 0);
    QVERIFY(NoteWriter::writeNow({shared, QStringLiteral("two")}).ok);
    QCOMPARE(modeOf(shared), mode_t(0644));
    QCOMPARE(readFile(shared), QByteArray("two"));
}

void TestNoteWriter::symbolicLinkStaysALinkAndItsTargetIsWritten() {
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

void TestNoteWriter::missingParentFoldersAreCreated() {
    const QString deep = m_dir.filePath(QStringLiteral("a/b/c/note.txt"));
    QVERIFY(NoteWriter::writeNow({deep, QStringLiteral("deep")}).ok);
    QCOMPARE(readFile(deep), QByteArray("deep"));
}

void TestNoteWriter::fullDiskFailsAndLeavesTheOldNoteWhole() {
    test::ScopedTmpfs disk(64 * 1024);
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
    test::ScopedTmpfs disk(64 * 1024);
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
