#include "settings/settings_view_model.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QDir>
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

} // namespace

/// The note-file choice of the settings form, against real files.
class TestSettingsViewModel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void trimming_data();
    void trimming();
    void proposals_data();
    void proposals();
    void appearShowsThePathInUse();
    void applyStoresTheTrimmedPathAndKeepsTheField();
    void whitespaceOnlyChangesNothing();
    void applyingThePathInUseKeepsTheJustTypedText();
    void applyingAMissingFileEmptiesTheNoteAndCreatesNothing();
    void tildeIsTakenLiterally();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<NotesStore> m_store;
};

void TestSettingsViewModel::init() {
    m_store.reset();
    m_preferences.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_preferences = std::make_unique<Preferences>(m_dir->filePath(QStringLiteral("Quillo.conf")));
    m_store = std::make_unique<NotesStore>(*m_preferences, m_dir->filePath(QStringLiteral("Quillo")));
}

void TestSettingsViewModel::trimming_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("spaces and newline") << QStringLiteral("  /a/b.txt\n") << QStringLiteral("/a/b.txt");
    QTest::newRow("inner blanks stay")
        << QStringLiteral("\t/my notes/b c.txt ") << QStringLiteral("/my notes/b c.txt");
    QTest::newRow("no-break and ideographic spaces")
        << QStringLiteral("\u00a0/x\u3000") << QStringLiteral("/x");
    QTest::newRow("line and paragraph separators")
        << QStringLiteral("\u2028/x\u2029") << QStringLiteral("/x");
    QTest::newRow("vertical tab, form feed, NEL") << QStringLiteral("\v\f\u0085/x\r") << QStringLiteral("/x");
    QTest::newRow("zero-width space is not white space")
        << QStringLiteral("\u200b/x") << QStringLiteral("\u200b/x");
    QTest::newRow("only white space") << QStringLiteral(" \t\n\r ") << QString();
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
    QTest::newRow("absolute") << QStringLiteral("/tmp/notes/today.txt") << QStringLiteral("today.txt")
                              << QStringLiteral("/tmp/notes");
    QTest::newRow("trailing slash") << QStringLiteral("/tmp/notes/") << QStringLiteral("notes")
                                    << QStringLiteral("/tmp");
    QTest::newRow("file in the root")
        << QStringLiteral("/today.txt") << QStringLiteral("today.txt") << QStringLiteral("/");
    QTest::newRow("bare name") << QStringLiteral("today.txt") << QStringLiteral("today.txt") << here;
    QTest::newRow("relative") << QStringLiteral("sub/today.txt") << QStringLiteral("today.txt")
                              << here + QStringLiteral("/sub");
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

void TestSettingsViewModel::appearShowsThePathInUse() {
    SettingsViewModel model;
    model.appear(*m_store);
    QCOMPARE(model.pathText(), m_dir->filePath(QStringLiteral("Quillo/notes.txt")));
}

void TestSettingsViewModel::applyStoresTheTrimmedPathAndKeepsTheField() {
    const QString path = m_dir->filePath(QStringLiteral("chosen.txt"));
    SettingsViewModel model;
    model.setPathText(QStringLiteral("   ") + path + QStringLiteral("\n"));
    model.applyPath(*m_store);
    QCOMPARE(m_store->filePath(), path);
    QCOMPARE(m_preferences->stringValue(QStringLiteral("notesFilePath")).value(), path);
    QCOMPARE(model.pathText(), QStringLiteral("   ") + path + QStringLiteral("\n"));
}

void TestSettingsViewModel::whitespaceOnlyChangesNothing() {
    m_store->setText(QStringLiteral("untouched"));
    SettingsViewModel model;
    model.setPathText(QStringLiteral(" \t\n "));
    model.applyPath(*m_store);
    QVERIFY(!m_preferences->contains(QStringLiteral("notesFilePath")));
    QCOMPARE(m_store->text(), QStringLiteral("untouched"));
}

void TestSettingsViewModel::applyingThePathInUseKeepsTheJustTypedText() {
    const QString note = m_dir->filePath(QStringLiteral("Quillo/notes.txt"));
    m_store->setText(QStringLiteral("saved earlier"));
    m_store->saveNow();
    QVERIFY(m_store->waitForWrites(10s));
    m_store->setText(QStringLiteral("saved earlier, and typed a moment ago — не потерять"));

    SettingsViewModel model;
    model.appear(*m_store);
    model.applyPath(*m_store);
    QCOMPARE(m_store->text(), QStringLiteral("saved earlier, and typed a moment ago — не потерять"));
    QVERIFY(m_store->waitForWrites(10s));
    QCOMPARE(QString::fromUtf8(readFile(note)), m_store->text());
}

void TestSettingsViewModel::applyingAMissingFileEmptiesTheNoteAndCreatesNothing() {
    m_store->setText(QStringLiteral("old note"));
    const QString missing = m_dir->filePath(QStringLiteral("new/place.txt"));
    SettingsViewModel model;
    model.setPathText(missing);
    model.applyPath(*m_store);
    QCOMPARE(m_store->text(), QString());
    QVERIFY(m_store->waitForWrites(10s));
    QVERIFY(!QFileInfo::exists(missing));
    QCOMPARE(readFile(m_dir->filePath(QStringLiteral("Quillo/notes.txt"))), QByteArray("old note"));
}

void TestSettingsViewModel::tildeIsTakenLiterally() {
    SettingsViewModel model;
    model.setPathText(QStringLiteral("~/notes.txt"));
    model.applyPath(*m_store);
    QCOMPARE(m_store->filePath(), QStringLiteral("~/notes.txt"));
}

QTEST_GUILESS_MAIN(TestSettingsViewModel)
#include "test_settings_view_model.moc"
