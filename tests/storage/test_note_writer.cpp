// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/note_writer.h"

#include "test_files.h"

#include <QSignalSpy>
#include <QTest>

#include <cstring>
#include <sys/mount.h>
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

/// A 64 KB tmpfs on a temporary folder, unmounted also when a check fails. Needs root, as tests and CI run.
struct SmallDisk {
    QTemporaryDir dir;
    QByteArray where = QFile::encodeName(dir.path());
    bool mounted = ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=64k,mode=0700") == 0;
    ~SmallDisk() {
        if (mounted)
            ::umount2(where.constData(), MNT_DETACH);
    }
};

} // namespace

/// Saves that must fail fail for real: on a small tmpfs that fills up or turns read-only.
class TestNoteWriter : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void writesLandInTheOrderQueued() {
        NoteWriter writer;
        QSignalSpy written(&writer, &NoteWriter::written);
        const QString path = m_dir.filePath(QStringLiteral("order.txt"));
        for (int i = 0; i < 40; ++i)
            writer.enqueue({path, QStringLiteral("version %1").arg(i)});
        QVERIFY(writer.waitForWrites(30s));
        QCOMPARE(readFile(path), QByteArray("version 39"));
        QTRY_COMPARE(written.count(), 40);
    }

    void newFileIsPrivateAndAnExistingOneKeepsItsMode() {
        const QString path = m_dir.filePath(QStringLiteral("a/b/c/note.txt")); // missing folders are made
        QVERIFY(NoteWriter::writeNow({path, QStringLiteral("new")}).ok);
        QCOMPARE(modeOf(path), mode_t(0600));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
        QVERIFY(NoteWriter::writeNow({path, QStringLiteral("two")}).ok);
        QCOMPARE(modeOf(path), mode_t(0644));
        QCOMPARE(readFile(path), QByteArray("two"));
    }

    void aChainOfLinksStaysAndItsTargetIsWritten() {
        const QString target = m_dir.filePath(QStringLiteral("synced/real.txt"));
        const QString link = m_dir.filePath(QStringLiteral("link.txt"));
        const QString chained = m_dir.filePath(QStringLiteral("chained.txt"));
        QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
        QVERIFY(QFile::link(target, link) && QFile::link(link, chained));
        QVERIFY(NoteWriter::writeNow({chained, QStringLiteral("through two links")}).ok);
        QVERIFY(QFileInfo(chained).isSymLink() && QFileInfo(link).isSymLink());
        QCOMPARE(readFile(target), QByteArray("through two links"));
    }

    void fullDiskAndReadOnlyFolderFailAndLeaveTheOldNoteWhole() {
        SmallDisk disk;
        QVERIFY2(disk.mounted, std::strerror(errno));
        const QString path = disk.dir.filePath(QStringLiteral("notes.txt"));
        const QString earlier(30 * 1024, QLatin1Char('e'));
        QVERIFY(NoteWriter::writeNow({path, earlier}).ok);

        // The new text fits nowhere next to the old one: the save must fail, never leave a truncated note.
        WriteResult result = NoteWriter::writeNow({path, QString(48 * 1024, QLatin1Char('n'))});
        QVERIFY(!result.ok && !result.error.isEmpty());
        QCOMPARE(readFile(path), earlier.toUtf8());
        QCOMPARE(QDir(disk.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left

        QVERIFY2(::mount("tmpfs", disk.where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0,
                 std::strerror(errno));
        result = NoteWriter::writeNow({path, QStringLiteral("small enough")});
        QVERIFY(!result.ok && !result.error.isEmpty());
        QCOMPARE(readFile(path), earlier.toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestNoteWriter)
#include "test_note_writer.moc"
