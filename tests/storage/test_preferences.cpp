#include "storage/preferences.h"

#include "test_files.h"

#include <QTest>

using namespace quillo;
using namespace quillo::test;

/// The settings file as a person may have edited it: whatever it holds, a read gives a value or nothing.
class TestPreferences : public QObject {
    Q_OBJECT
private slots:
    void valuesSurviveANewInstanceExactly();
    void wrongTypesGiveNothing();
    void garbageFileGivesNothing_data();
    void garbageFileGivesNothing();
    void folderInPlaceOfTheFileGivesNothingAndWritesFailSoftly();

private:
    TestHome m_home;
};

void TestPreferences::valuesSurviveANewInstanceExactly() {
    const QString path = m_home.path(QStringLiteral("survive/Quillo.conf"));
    const QByteArray bytes("\x00\x01\xff colour", 10);
    {
        Preferences preferences(path);
        QVERIFY(!preferences.stringValue(QStringLiteral("notesFilePath")));
        preferences.setValue(QStringLiteral("notesFilePath"), QStringLiteral("  /tmp/a, b=c;d.txt \n"));
        preferences.setValue(QStringLiteral("hotKeyKeyCode"), 4294967295LL);
        preferences.setValue(QStringLiteral("appearanceOpacity"), 0.29);
        preferences.setValue(QStringLiteral("appearanceBackgroundColor"), bytes);
    }
    Preferences preferences(path);
    QCOMPARE(preferences.stringValue(QStringLiteral("notesFilePath")),
             std::optional(QStringLiteral("  /tmp/a, b=c;d.txt \n")));
    QCOMPARE(preferences.integerValue(QStringLiteral("hotKeyKeyCode")), 4294967295LL);
    QCOMPARE(preferences.doubleValue(QStringLiteral("appearanceOpacity")), std::optional(0.29));
    QCOMPARE(preferences.bytesValue(QStringLiteral("appearanceBackgroundColor")), std::optional(bytes));
}

void TestPreferences::wrongTypesGiveNothing() {
    Preferences& preferences = m_home.preferences;
    preferences.setValue(QStringLiteral("appearanceOpacity"), QStringLiteral("половина"));
    preferences.setValue(QStringLiteral("notesFilePath"), QByteArray("bytes"));
    QVERIFY(!preferences.doubleValue(QStringLiteral("appearanceOpacity")));
    QCOMPARE(preferences.integerValue(QStringLiteral("appearanceOpacity")), 0);
    QVERIFY(!preferences.stringValue(QStringLiteral("notesFilePath")));
    QVERIFY(!preferences.bytesValue(QStringLiteral("appearanceOpacity")));
}

void TestPreferences::garbageFileGivesNothing_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe[\x01=\x02\n\x80\x81", 10);
    QTest::newRow("broken variant") << QByteArray("[General]\nhotKeyKeyCode=@Variant(\\0\\0\\0\\x7f\\xff)\n");
    QTest::newRow("list where a number belongs") << QByteArray("[General]\nhotKeyKeyCode=1, 2, 3\n");
    QTest::newRow("text where a number belongs") << QByteArray("[General]\nappearanceFontSize=big\n");
    QTest::newRow("unterminated section") << QByteArray("[General\nnotesFilePath=\"/x\n");
}

void TestPreferences::garbageFileGivesNothing() {
    QFETCH(QByteArray, contents);
    const QString path = m_home.path(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".conf"));
    QVERIFY(writeFile(path, contents));
    {
        Preferences preferences(path);
        QCOMPARE(preferences.integerValue(QStringLiteral("hotKeyKeyCode")), 0);
        QVERIFY(!preferences.doubleValue(QStringLiteral("appearanceFontSize")));
        QVERIFY(!preferences.bytesValue(QStringLiteral("appearanceBackgroundColor")));
    }
    QCOMPARE(readFile(path), contents); // reading never writes the file back
}

void TestPreferences::folderInPlaceOfTheFileGivesNothingAndWritesFailSoftly() {
    const QString path = m_home.path(QStringLiteral("folder.conf"));
    QVERIFY(QDir().mkpath(path));
    Preferences preferences(path);
    QVERIFY(!preferences.stringValue(QStringLiteral("notesFilePath")));
    preferences.setValue(QStringLiteral("notesFilePath"), QStringLiteral("/x"));
    QVERIFY(QFileInfo(path).isDir());
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
