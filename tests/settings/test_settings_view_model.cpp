#include "settings/settings_view_model.h"
#include "storage/notes_store.h"
#include "test_files.h"

#include <QTest>

#include <memory>

using namespace quillo;
using namespace quillo::test;

/// The note-file choice of the settings form, against a real store: what it proposes and what it applies.
class TestSettingsViewModel : public QObject {
    Q_OBJECT
private slots:
    void trimming_data();
    void trimming();
    void proposals_data();
    void proposals();
    void apply_data();
    void apply();
};

void TestSettingsViewModel::trimming_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("inner blanks stay") << "\t/my notes/b c.txt \n"
                                       << "/my notes/b c.txt";
    QTest::newRow("no-break and ideographic spaces") << "\u00a0/x\u3000"
                                                     << "/x";
    QTest::newRow("line and paragraph separators") << "\u2028/x\u2029"
                                                   << "/x";
    QTest::newRow("vertical tab, form feed, NEL") << "\v\f\u0085/x\r"
                                                  << "/x";
    QTest::newRow("zero-width space is not white space") << "\u200b/x"
                                                         << "\u200b/x";
}

void TestSettingsViewModel::trimming() {
    QFETCH(QString, typed);
    QFETCH(QString, trimmed);
    QCOMPARE(SettingsViewModel::trimmedPath(typed), trimmed);
}

void TestSettingsViewModel::proposals_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    const QString here = QDir::currentPath();
    QTest::newRow("absolute") << "/tmp/notes/today.txt"
                              << "today.txt"
                              << "/tmp/notes";
    QTest::newRow("trailing slash") << "/tmp/notes/"
                                    << "notes"
                                    << "/tmp";
    QTest::newRow("file in the root") << "/today.txt"
                                      << "today.txt"
                                      << "/";
    QTest::newRow("relative") << "sub/today.txt"
                              << "today.txt" << here + QStringLiteral("/sub");
    QTest::newRow("empty") << QString() << QString() << here;
}

void TestSettingsViewModel::proposals() {
    QFETCH(QString, field);
    QFETCH(QString, name);
    QFETCH(QString, folder);
    SettingsViewModel model;
    model.setPathText(field);
    QCOMPARE(model.proposedFileName(), name);
    QCOMPARE(model.proposedFolder(), folder);
}

void TestSettingsViewModel::apply_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("applied"); // empty: the note file stays; %1: the test's folder
    QTest::newRow("white space around the path") << "  %1/chosen.txt\n"
                                                 << "%1/chosen.txt";
    QTest::newRow("only white space") << " \t\n " << QString();
    QTest::newRow("tilde taken literally") << "~/notes.txt"
                                           << "~/notes.txt";
}

void TestSettingsViewModel::apply() {
    QFETCH(QString, typed);
    QFETCH(QString, applied);
    TestHome home;
    typed.replace(QStringLiteral("%1"), home.dir.path());
    applied.replace(QStringLiteral("%1"), home.dir.path());
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

QTEST_GUILESS_MAIN(TestSettingsViewModel)
#include "test_settings_view_model.moc"
