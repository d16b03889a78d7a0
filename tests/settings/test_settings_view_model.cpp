// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_view_model.h"
#include "storage/notes_store.h"
#include "test_files.h"

#include <QTest>

using namespace quillo;
using namespace quillo::test;
using namespace Qt::StringLiterals;

/// The note-file choice of the settings form, against a real store: what it proposes and what it applies.
class TestSettingsViewModel : public QObject {
    Q_OBJECT
private slots:
    void proposals_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        const QString here = QDir::currentPath();
        QTest::newRow("absolute") << u"/tmp/notes/today.txt"_s << u"today.txt"_s << u"/tmp/notes"_s;
        QTest::newRow("trailing slash") << u"/tmp/notes/"_s << u"notes"_s << u"/tmp"_s;
        QTest::newRow("file in the root") << u"/today.txt"_s << u"today.txt"_s << u"/"_s;
        QTest::newRow("relative") << u"sub/today.txt"_s << u"today.txt"_s << here + u"/sub"_s;
        QTest::newRow("empty") << QString() << QString() << here;
    }
    void proposals() {
        QFETCH(QString, field);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        SettingsViewModel model;
        model.setPathText(field);
        QCOMPARE(model.proposedFileName(), name);
        QCOMPARE(model.proposedFolder(), folder);
    }

    void apply_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("applied"); // empty: the note file stays; %1: the test's folder
        // What counts as white space: separators of every kind, controls from tab to carriage return, NEL.
        QTest::newRow("white space around the path")
            << u"\t\u00a0\u2028\v\f\u0085 %1/my notes/b c.txt\u3000\u2029\r\n"_s
            << u"%1/my notes/b c.txt"_s;
        QTest::newRow("zero-width space is not white space") << u"%1/x.txt\u200b"_s << u"%1/x.txt\u200b"_s;
        QTest::newRow("only white space") << u" \t\n "_s << QString();
        QTest::newRow("tilde taken literally") << u"~/notes.txt"_s << u"~/notes.txt"_s;
    }
    void apply() {
        QFETCH(QString, typed);
        QFETCH(QString, applied);
        TestHome home;
        typed.replace(u"%1"_s, home.dir.path());
        applied.replace(u"%1"_s, home.dir.path());
        NotesStore store(home.preferences, home.path(QStringLiteral("Quillo")));
        store.setText(QStringLiteral("typed a moment ago"));
        const QString inUse = store.filePath();

        SettingsViewModel model;
        model.appear(store);
        QCOMPARE(model.pathText(), inUse);
        model.setPathText(typed);
        model.applyPath(store);
        QCOMPARE(model.pathText(), typed); // the field keeps what was typed
        QCOMPARE(store.filePath(), applied.isEmpty() ? inUse : applied);
        QCOMPARE(home.preferences.contains(QStringLiteral("notesFilePath")), !applied.isEmpty());
        if (applied.isEmpty())
            QCOMPARE(store.text(), QStringLiteral("typed a moment ago"));
        QVERIFY(store.waitForWrites(std::chrono::seconds(10)));
    }
};

QTEST_GUILESS_MAIN(TestSettingsViewModel)
#include "test_settings_view_model.moc"
