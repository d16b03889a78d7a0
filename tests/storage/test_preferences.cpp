#include "storage/preferences.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace quillo;

class TestPreferences : public QObject {
    Q_OBJECT
private slots:
    void absentKeysGiveNothing();
    void valuesSurviveANewInstance();
    void wrongTypesGiveNothing();
    void garbageFileGivesDefaults_data();
    void garbageFileGivesDefaults();
    void unreadableFileGivesDefaultsAndWritesFailSoftly();

private:
    QString freshFile() { return m_dir.filePath(QStringLiteral("p%1/Quillo.conf").arg(m_count++)); }
    QTemporaryDir m_dir;
    int m_count = 0;
};

void TestPreferences::absentKeysGiveNothing() {
    Preferences preferences(freshFile());
    const QString key = QStringLiteral("hotKeyKeyCode");
    QVERIFY(!preferences.contains(key));
    QVERIFY(!preferences.stringValue(key));
    QCOMPARE(preferences.integerValue(key), 0);
    QVERIFY(!preferences.doubleValue(key));
    QVERIFY(!preferences.bytesValue(key));
    QVERIFY(!QFileInfo::exists(preferences.fileName())); // reading writes nothing
}

void TestPreferences::valuesSurviveANewInstance() {
    const QString path = freshFile();
    const QByteArray bytes("\x00\x01\xff colour", 10);
    {
        Preferences preferences(path);
        preferences.setValue(QStringLiteral("notesFilePath"), QStringLiteral("  /tmp/a, b=c;d.txt \n"));
        preferences.setValue(QStringLiteral("hotKeyKeyCode"), 4294967295LL);
        preferences.setValue(QStringLiteral("appearanceOpacity"), 0.29);
        preferences.setValue(QStringLiteral("appearanceFontSize"), 13.0);
        preferences.setValue(QStringLiteral("appearanceBackgroundColor"), bytes);
    }
    Preferences preferences(path);
    QCOMPARE(preferences.stringValue(QStringLiteral("notesFilePath")).value(),
             QStringLiteral("  /tmp/a, b=c;d.txt \n"));
    QCOMPARE(preferences.integerValue(QStringLiteral("hotKeyKeyCode")), 4294967295LL);
    QCOMPARE(preferences.doubleValue(QStringLiteral("appearanceOpacity")).value(), 0.29);
    QCOMPARE(preferences.doubleValue(QStringLiteral("appearanceFontSize")).value(), 13.0);
    QCOMPARE(preferences.bytesValue(QStringLiteral("appearanceBackgroundColor")).value(), bytes);
}

void TestPreferences::wrongTypesGiveNothing() {
    Preferences preferences(freshFile());
    preferences.setValue(QStringLiteral("appearanceOpacity"), QStringLiteral("половина"));
    preferences.setValue(QStringLiteral("notesFilePath"), QByteArray("bytes"));
    QVERIFY(!preferences.doubleValue(QStringLiteral("appearanceOpacity")));
    QCOMPARE(preferences.integerValue(QStringLiteral("appearanceOpacity")), 0);
    QVERIFY(!preferences.stringValue(QStringLiteral("notesFilePath")));
    QVERIFY(!preferences.bytesValue(QStringLiteral("appearanceOpacity")));
}

void TestPreferences::garbageFileGivesDefaults_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe[\x01=\x02\n\x80\x81", 10);
    QTest::newRow("broken variant") << QByteArray("[General]\nhotKeyKeyCode=@Variant(\\0\\0\\0\\x7f\\xff)\n");
    QTest::newRow("list where a number belongs") << QByteArray("[General]\nhotKeyKeyCode=1, 2, 3\n");
    QTest::newRow("text where a number belongs") << QByteArray("[General]\nappearanceFontSize=big\n");
    QTest::newRow("unterminated section") << QByteArray("[General\nnotesFilePath=\"/x\n");
}

void TestPreferences::garbageFileGivesDefaults() {
    QFETCH(QByteArray, contents);
    const QString path = freshFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();

    Preferences preferences(path);
    QCOMPARE(preferences.integerValue(QStringLiteral("hotKeyKeyCode")), 0);
    QVERIFY(!preferences.doubleValue(QStringLiteral("appearanceFontSize")));
    QVERIFY(!preferences.bytesValue(QStringLiteral("appearanceBackgroundColor")));
}

void TestPreferences::unreadableFileGivesDefaultsAndWritesFailSoftly() {
    const QString path = freshFile();
    QVERIFY(QDir().mkpath(path)); // a folder where the file belongs
    Preferences preferences(path);
    QVERIFY(!preferences.stringValue(QStringLiteral("notesFilePath")));
    preferences.setValue(QStringLiteral("notesFilePath"), QStringLiteral("/x"));
    QVERIFY(QFileInfo(path).isDir());
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
