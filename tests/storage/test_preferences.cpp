// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/preferences.h"

#include "test_files.h"

#include <QTest>

using namespace quillo;
using namespace quillo::test;

/// The settings file as a person may have edited it: whatever it holds, a read gives a value or nothing.
class TestPreferences : public QObject {
    Q_OBJECT
    TestHome m_home;

private slots:
    void valuesSurviveANewInstanceExactly() {
        const QString path = m_home.path(QStringLiteral("survive/Quillo.conf"));
        const QString text = QStringLiteral("  /tmp/a, b=c;d.txt \n");
        const QByteArray bytes("\x00\x01\xff colour", 10);
        {
            Preferences preferences(path);
            QVERIFY(!preferences.stringValue(QStringLiteral("notesFilePath")));
            preferences.setValue(QStringLiteral("notesFilePath"), text);
            preferences.setValue(QStringLiteral("hotKeyKeyCode"), 4294967295LL);
            preferences.setValue(QStringLiteral("appearanceOpacity"), 0.29);
            preferences.setValue(QStringLiteral("appearanceBackgroundColor"), bytes);
        }
        Preferences preferences(path);
        QCOMPARE(preferences.stringValue(QStringLiteral("notesFilePath")), std::optional(text));
        QCOMPARE(preferences.integerValue(QStringLiteral("hotKeyKeyCode")), 4294967295LL);
        QCOMPARE(preferences.doubleValue(QStringLiteral("appearanceOpacity")), std::optional(0.29));
        QCOMPARE(preferences.bytesValue(QStringLiteral("appearanceBackgroundColor")), std::optional(bytes));
    }

    void garbageFileGivesNothingAndStaysAsItIs_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe[\x01=\x02\n\x80\x81", 10);
        QTest::newRow("broken variant")
            << QByteArray("[General]\nhotKeyKeyCode=@Variant(\\0\\0\\0\\x7f\\xff)\n");
        QTest::newRow("list where a number belongs") << QByteArray("[General]\nhotKeyKeyCode=1, 2, 3\n");
        QTest::newRow("text where a number belongs") << QByteArray("[General]\nappearanceFontSize=big\n");
        QTest::newRow("bytes where a name belongs")
            << QByteArray("[General]\nappearanceFontName=@ByteArray(x)\n");
        QTest::newRow("unterminated section") << QByteArray("[General\nnotesFilePath=\"/x\n");
    }
    void garbageFileGivesNothingAndStaysAsItIs() {
        QFETCH(QByteArray, contents);
        const QString path =
            m_home.path(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".conf"));
        QVERIFY(writeFile(path, contents));
        {
            Preferences preferences(path);
            QCOMPARE(preferences.integerValue(QStringLiteral("hotKeyKeyCode")), 0);
            QVERIFY(!preferences.doubleValue(QStringLiteral("appearanceFontSize")));
            QVERIFY(!preferences.bytesValue(QStringLiteral("appearanceBackgroundColor")));
            QVERIFY(!preferences.stringValue(QStringLiteral("appearanceFontName")));
        }
        QCOMPARE(readFile(path), contents);
    }

    void folderInPlaceOfTheFileGivesNothingAndWritesFailSoftly() {
        const QString path = m_home.path(QStringLiteral("folder.conf"));
        QVERIFY(QDir().mkpath(path));
        Preferences preferences(path);
        QVERIFY(!preferences.stringValue(QStringLiteral("notesFilePath")));
        preferences.setValue(QStringLiteral("notesFilePath"), QStringLiteral("/x"));
        QVERIFY(QFileInfo(path).isDir());
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
