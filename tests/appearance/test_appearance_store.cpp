// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/appearance_store.h"
#include "test_files.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QTest>

using namespace quillo;
using namespace quillo::test;
using namespace Qt::StringLiterals;

class TestAppearanceStore : public QObject {
    Q_OBJECT
private slots:
    void handEditedValuesFallBackAndStayAsTheyAre_data() {
        QTest::addColumn<QVariant>("number"); // stored as opacity and as font size; invalid: absent
        QTest::addColumn<QVariant>("colour"); // invalid: absent
        QTest::addColumn<double>("opacity");
        QTest::addColumn<double>("fontSize");
        const QVariant absent;
        const QByteArray valid = AppearanceStore::encodeColor(QColor(10, 20, 30));
        QByteArray otherFormat = valid;
        otherFormat[4] = char(42); // the format byte right after the tag
        QTest::newRow("nothing stored") << absent << absent << 1.0 << 13.0;
        QTest::newRow("number as text, colour plus a byte")
            << QVariant(u"0.5"_s) << QVariant(valid + QByteArray(1, '\0')) << 0.5 << 0.5;
        QTest::newRow("a word, colour cut short")
            << QVariant(u"half"_s) << QVariant(valid.left(valid.size() - 1)) << 1.0 << 13.0;
        QTest::newRow("not a number, colour as text")
            << QVariant(u"nan"_s) << QVariant(u"#102030"_s) << 1.0 << 13.0;
        QTest::newRow("bytes, colour of an unknown format")
            << QVariant(QByteArray("\x01\x02", 2)) << QVariant(otherFormat) << 1.0 << 13.0;
    }
    void handEditedValuesFallBackAndStayAsTheyAre() {
        QFETCH(QVariant, number);
        QFETCH(QVariant, colour);
        QFETCH(double, opacity);
        QFETCH(double, fontSize);
        TestHome home;
        if (number.isValid()) {
            home.preferences.setValue(QStringLiteral("appearanceOpacity"), number);
            home.preferences.setValue(QStringLiteral("appearanceFontSize"), number);
        }
        if (colour.isValid())
            home.preferences.setValue(QStringLiteral("appearanceBackgroundColor"), colour);
        const QByteArray before = readFile(home.preferences.fileName());

        Preferences reread(home.preferences.fileName());
        AppearanceStore store(reread);
        QCOMPARE(store.opacity(), opacity);
        QCOMPARE(store.fontSize(), fontSize);
        QCOMPARE(store.backgroundColor(), QGuiApplication::palette().color(QPalette::Base));
        QCOMPARE(store.fontName(), AppearanceStore::kSystemFontName);
        QCOMPARE(readFile(home.preferences.fileName()), before); // nothing written back
    }

    void everyChangeIsReadBackByANewStore() {
        TestHome home;
        const QColor colour = QColor::fromHsv(300, 40, 200, 128);
        QColor textColour;
        {
            AppearanceStore store(home.preferences);
            store.setFontSize(20);
            store.setOpacity(0.35);
            store.setFontName(QStringLiteral("DejaVu Serif"));
            store.setBackgroundColor(colour);
            textColour = store.autoTextColor();
        }
        Preferences reread(home.preferences.fileName());
        AppearanceStore store(reread);
        QCOMPARE(store.fontSize(), 20.0);
        QCOMPARE(store.opacity(), 0.35);
        QCOMPARE(store.fontName(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(store.backgroundColor().toRgb().rgb(), colour.toRgb().rgb());
        QCOMPARE(store.autoTextColor(), textColour);
    }

    void textColourFollowsLuminance_data() {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        QTest::newRow("white") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("black") << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("grey at exactly 0.6") << QColor::fromRgbF(0.6f, 0.6f, 0.6f) << QColor(Qt::white);
        QTest::newRow("8-bit grey 153 (0.6)") << QColor(153, 153, 153) << QColor(Qt::white);
        QTest::newRow("8-bit grey 154") << QColor(154, 154, 154) << QColor(Qt::black);
        QTest::newRow("yellow") << QColor::fromRgbF(1, 1, 0) << QColor(Qt::black);
        QTest::newRow("green") << QColor::fromRgbF(0, 1, 0) << QColor(Qt::white);
    }
    void textColourFollowsLuminance() {
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        TestHome home;
        AppearanceStore store(home.preferences);
        store.setBackgroundColor(background);
        QCOMPARE(store.autoTextColor(), text);
    }

    void noteFontFallsBackToTheSystemFontButKeepsTheChoice() {
        const QString system = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        QVERIFY2(QFontDatabase::families().contains(u"DejaVu Serif"_s),
                 "the test machine lacks fonts-dejavu-core");
        TestHome home;
        AppearanceStore store(home.preferences);
        store.setFontSize(21.5);
        for (const auto& [name, family] :
             {std::pair(AppearanceStore::kSystemFontName, system),
              std::pair(u"No Such Family 4711"_s, system), std::pair(u"DejaVu Serif"_s, u"DejaVu Serif"_s)}) {
            store.setFontName(name);
            QCOMPARE(store.noteFont().family(), family);
            QCOMPARE(store.noteFont().pointSizeF(), 21.5);
            QCOMPARE(store.fontName(), name); // a missing family stays chosen
        }
    }

    void familiesAreInCodePointOrder_data() {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("upper case before lower case")
            << QStringList{u"bravo"_s, u"Bravo"_s, u"alpha"_s, u"Alpha"_s, u"Zulu"_s}
            << QStringList{u"Alpha"_s, u"Bravo"_s, u"Zulu"_s, u"alpha"_s, u"bravo"_s};
        QTest::newRow("no locale rules") << QStringList{u"Élan"_s, u"Zeta"_s, u"Ärger"_s, u"Ant"_s}
                                         << QStringList{u"Ant"_s, u"Zeta"_s, u"Ärger"_s, u"Élan"_s};
        // U+1D400 is above U+FFFD as a code point, though its first UTF-16 unit (0xD835) is below.
        QTest::newRow("code points, not UTF-16 units") << QStringList{u"\U0001D400 Math"_s, u"\uFFFD Box"_s}
                                                       << QStringList{u"\uFFFD Box"_s, u"\U0001D400 Math"_s};
        // A decomposed "É" (E + U+0301) sorts as its composed form U+00C9, before "Ö" (U+00D6).
        QTest::newRow("normalised first")
            << QStringList{u"\u00D6l"_s, u"E\u0301cole"_s} << QStringList{u"E\u0301cole"_s, u"\u00D6l"_s};
        QTest::newRow("stable for equal forms") << QStringList{u"E\u0301"_s, u"\u00C9"_s, u"A"_s}
                                                << QStringList{u"A"_s, u"E\u0301"_s, u"\u00C9"_s};
    }
    void familiesAreInCodePointOrder() {
        QFETCH(QStringList, given);
        QFETCH(QStringList, sorted);
        QCOMPARE(AppearanceStore::sortedFamilies(given), sorted);
        // The list the form offers: the system entry, then every installed family in that order.
        QCOMPARE(AppearanceStore::availableFontFamilies(),
                 QStringList{AppearanceStore::kSystemFontName} +
                     AppearanceStore::sortedFamilies(QFontDatabase::families()));
    }
};

QTEST_MAIN(TestAppearanceStore)
#include "test_appearance_store.moc"
