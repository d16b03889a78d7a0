// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/notes_store.h"

#include "test_files.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace quillo;
using namespace quillo::test;
using namespace std::chrono_literals;

class TestNotesStore : public QObject {
    Q_OBJECT
    std::unique_ptr<NotesStore> makeStore() {
        return std::make_unique<NotesStore>(m_home->preferences, m_home->path(QStringLiteral("data/Quillo")));
    }
    QString defaultNote() const { return m_home->path(QStringLiteral("data/Quillo/notes.txt")); }

    std::unique_ptr<TestHome> m_home;

private slots:
    void init() { m_home = std::make_unique<TestHome>(); }

    void loadingWritesNothing() {
        makeStore(); // makes a private folder, but no note before something is typed
        QCOMPARE(QFileInfo(QFileInfo(defaultNote()).absolutePath()).permissions() & 0x0777,
                 QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
        QVERIFY(!QFileInfo::exists(defaultNote()));
        QVERIFY(!m_home->preferences.contains(QStringLiteral("notesFilePath")));

        QVERIFY(writeFile(defaultNote(), "from disk\n"));
        auto store = makeStore();
        QCOMPARE(store->text(), QStringLiteral("from disk\n"));
        QVERIFY(!store->hasUnsavedText()); // neither the save delay nor quitting writes it back
    }

    void failedSavePrintsOneLineAndKeepsTheText_data() {
        QTest::addColumn<bool>("belowAFile");
        QTest::newRow("a folder where the file belongs") << false;
        QTest::newRow("a path below a regular file") << true;
    }
    void failedSavePrintsOneLineAndKeepsTheText() {
        QFETCH(bool, belowAFile);
        QString path = m_home->path(QStringLiteral("taken"));
        QVERIFY(belowAFile ? writeFile(path, "x") : QDir().mkpath(path));
        if (belowAFile)
            path += QStringLiteral("/notes.txt");
        m_home->preferences.setValue(QStringLiteral("notesFilePath"), path);
        auto store = makeStore();

        StdoutCapture output;
        store->setText(QStringLiteral("kept in memory"));
        store->saveNow();
        QVERIFY(store->waitForWrites(10s));
        QCoreApplication::processEvents();
        const QString prefix = QStringLiteral("Quillo: не удалось сохранить заметку по пути %1: ").arg(path);
        const QStringList lines = output.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(prefix) &&
                     lines.first().size() > prefix.size(), // the reason follows
                 qPrintable(lines.first()));
        QVERIFY(!store->lastSavedAt().isValid());
        QCOMPARE(store->text(), QStringLiteral("kept in memory"));
    }

    void changingToTheFileInUseWaitsForTheQueuedSave() {
        QVERIFY(writeFile(defaultNote(), "older text on disk"));
        auto store = makeStore();
        // A large note makes the write take long enough that a reload racing it would be seen.
        const QString typed = QString(2'000'000, QLatin1Char('z')) + QStringLiteral(" just typed");
        store->setText(typed);
        store->setFilePath(defaultNote());
        QCOMPARE(store->text(), typed);
        QVERIFY(store->waitForWrites(10s));
        QCOMPARE(readFile(defaultNote()), typed.toUtf8());
    }

    void changingToAMissingFileCreatesItOnlyWhenTyped() {
        const QString other = m_home->path(QStringLiteral("elsewhere/other.txt"));
        auto store = makeStore();
        store->setText(QStringLiteral("for the old file"));
        QSignalSpy saved(store.get(), &NotesStore::lastSavedAtChanged);
        store->setFilePath(other);
        QCOMPARE(store->text(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000); // the old file's save
        QCOMPARE(readFile(defaultNote()), QByteArray("for the old file"));
        QVERIFY(!saved.wait(1000));
        QVERIFY(!QFileInfo::exists(other));
        store->setText(QStringLiteral("first words"));
        QTRY_COMPARE_WITH_TIMEOUT(readFile(other), QByteArray("first words"), 5000);
    }

    void undecodableNoteIsMovedAsideBeforeTheFirstSave_data() {
        QTest::addColumn<QByteArray>("original");
        QTest::newRow("Latin-1") << QByteArray("Latin-1 caf\xe9 and a stray \xff byte");
        QTest::newRow("a character cut off") << QByteArray("abc\xE2\x82");
    }
    void undecodableNoteIsMovedAsideBeforeTheFirstSave() {
        QFETCH(QByteArray, original);
        QVERIFY(writeFile(defaultNote(), original));
        auto store = makeStore();
        QCOMPARE(store->text(), QString());
        store->saveNow(); // nothing typed: the file stays whole where it is
        QVERIFY(store->waitForWrites(10s));
        QCOMPARE(readFile(defaultNote()), original);

        StdoutCapture output;
        for (const QString& text : {QStringLiteral("new start"), QStringLiteral("new start, more")}) {
            store->setText(text);
            store->saveNow();
            QVERIFY(store->waitForWrites(10s));
        }
        QCOMPARE(readFile(defaultNote()), QByteArray("new start, more"));
        const QDir folder = QFileInfo(defaultNote()).dir();
        const QStringList aside = folder.entryList({QStringLiteral("notes.txt.unreadable-*")});
        QCOMPARE(aside.size(), 1); // moved once, not again by the second save
        QCOMPARE(readFile(folder.filePath(aside.first())), original);
        QVERIFY2(output.text().contains(folder.filePath(aside.first())), qPrintable(output.text()));
        QCOMPARE(output.text().count(QLatin1Char('\n')), 1);
    }

    void byteOrderMarkRoundTrips() {
        const QByteArray bytes("\xEF\xBB\xBFwith a mark\r\nand CRLF");
        QVERIFY(writeFile(defaultNote(), bytes));
        auto store = makeStore();
        QCOMPARE(store->text().front(), QChar(0xFEFF));
        store->setText(store->text()); // saved only when there is something to save
        store->saveNow();
        QVERIFY(store->waitForWrites(10s));
        QCOMPARE(readFile(defaultNote()), bytes);
    }
};

QTEST_GUILESS_MAIN(TestNotesStore)
#include "test_notes_store.moc"
