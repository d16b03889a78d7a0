#include "settings/settings_view_model.h"
#include "storage/notes_store.h"
#include "test_files.h"

#include <QTest>

using namespace quillo;
using namespace quillo::test;

/// The note-file choice of the settings form, against a real store: what it proposes and what it applies.
class TestSettingsViewModel : public QObject {
    Q_OBJECT
private slots:
    void trimming_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("inner blanks stay") << u"\t/my notes/b c.txt \n"_qs << u"/my notes/b c.txt"_qs;
        QTest::newRow("no-break and ideographic spaces") << u"\u00a0/x\u3000"_qs << u"/x"_qs;
        QTest::newRow("line and paragraph separators") << u"\u2028/x\u2029"_qs << u"/x"_qs;
        QTest::newRow("vertical tab, form feed, NEL") << u"\v\f\u0085/x\r"_qs << u"/x"_qs;
        QTest::newRow("zero-width space is not white space") << u"\u200b/x"_qs << u"\u200b/x"_qs;
    }
    void trimming() {
        QFETCH(QString, typed);
        QFETCH(QString, trimmed);
        QCOMPARE(SettingsViewModel::trimmedPath(typed), trimmed);
    }

    void proposals_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        const QString here = QDir::currentPath();
        QTest::newRow("absolute") << u"/tmp/notes/today.txt"_qs << u"today.txt"_qs << u"/tmp/notes"_qs;
        QTest::newRow("trailing slash") << u"/tmp/notes/"_qs << u"notes"_qs << u"/tmp"_qs;
        QTest::newRow("file in the root") << u"/today.txt"_qs << u"today.txt"_qs << u"/"_qs;
        QTest::newRow("relative") << u"sub/today.txt"_qs << u"today.txt"_qs << here + u"/sub"_qs;
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
        QTest::newRow("white space around the path") << u"  %1/chosen.txt\n"_qs << u"%1/chosen.txt"_qs;
        QTest::newRow("only white space") << u" \t\n "_qs << QString();
        QTest::newRow("tilde taken literally") << u"~/notes.txt"_qs << u"~/notes.txt"_qs;
    }
    void apply() {
        QFETCH(QString, typed);
        QFETCH(QString, applied);
        TestHome home;
        typed.replace(u"%1"_qs, home.dir.path());
        applied.replace(u"%1"_qs, home.dir.path());
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
