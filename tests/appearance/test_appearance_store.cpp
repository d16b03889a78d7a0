#include "appearance/appearance_store.h"
#include "storage/preferences.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillo;

class TestAppearanceStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void freshPreferencesGiveTheDefaultsAndWriteNothing();
    void storedNumbersAreReadOrFallBack_data();
    void storedNumbersAreReadOrFallBack();
    void everyChangeIsWrittenAndReadBackByANewStore();
    void colourSurvivesANewStore_data();
    void colourSurvivesANewStore();
    void colourThatDoesNotDecodeGivesTheDefault_data();
    void colourThatDoesNotDecodeGivesTheDefault();
    void textColourFollowsLuminance_data();
    void textColourFollowsLuminance();
    void noteFontFallsBackToTheSystemFont_data();
    void noteFontFallsBackToTheSystemFont();
    void familiesAreInCodePointOrder_data();
    void familiesAreInCodePointOrder();
    void availableFamiliesStartWithTheSystemEntry();

private:
    std::unique_ptr<AppearanceStore> makeStore() { return std::make_unique<AppearanceStore>(*m_preferences); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
};

void TestAppearanceStore::init() {
    m_preferences.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_preferences = std::make_unique<Preferences>(m_dir->filePath(QStringLiteral("Quillo.conf")));
}

void TestAppearanceStore::freshPreferencesGiveTheDefaultsAndWriteNothing() {
    auto store = makeStore();
    QCOMPARE(store->backgroundColor(), QGuiApplication::palette().color(QPalette::Base));
    QCOMPARE(store->opacity(), 1.0);
    QCOMPARE(store->fontName(), QStringLiteral("Системный"));
    QCOMPARE(store->fontSize(), 13.0);
    for (const char* key :
         {"appearanceBackgroundColor", "appearanceOpacity", "appearanceFontName", "appearanceFontSize"})
        QVERIFY2(!m_preferences->contains(QString::fromLatin1(key)), key);
}

void TestAppearanceStore::storedNumbersAreReadOrFallBack_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<double>("fontSize");
    QTest::newRow("numbers") << QVariant(0.25) << 0.25 << 0.25;
    QTest::newRow("number as text") << QVariant(QStringLiteral("0.5")) << 0.5 << 0.5;
    QTest::newRow("a word") << QVariant(QStringLiteral("half")) << 1.0 << 13.0;
    QTest::newRow("not a number") << QVariant(QStringLiteral("nan")) << 1.0 << 13.0;
    QTest::newRow("bytes") << QVariant(QByteArray("\x01\x02", 2)) << 1.0 << 13.0;
}

void TestAppearanceStore::storedNumbersAreReadOrFallBack() {
    QFETCH(QVariant, stored);
    QFETCH(double, opacity);
    QFETCH(double, fontSize);
    m_preferences->setValue(QStringLiteral("appearanceOpacity"), stored);
    m_preferences->setValue(QStringLiteral("appearanceFontSize"), stored);
    Preferences reread(m_preferences->fileName());
    AppearanceStore store(reread);
    QCOMPARE(store.opacity(), opacity);
    QCOMPARE(store.fontSize(), fontSize);
}

void TestAppearanceStore::everyChangeIsWrittenAndReadBackByANewStore() {
    {
        auto store = makeStore();
        QSignalSpy sizeChanged(store.get(), &AppearanceStore::fontSizeChanged);
        store->setFontSize(20);
        QCOMPARE(sizeChanged.count(), 1);
        QCOMPARE(m_preferences->doubleValue(QStringLiteral("appearanceFontSize")), 20.0);
        store->setOpacity(0.35);
        store->setFontName(QStringLiteral("DejaVu Serif"));
        QVERIFY(!m_preferences->contains(QStringLiteral("appearanceBackgroundColor")));
    }
    Preferences reread(m_preferences->fileName());
    AppearanceStore store(reread);
    QCOMPARE(store.fontSize(), 20.0);
    QCOMPARE(store.opacity(), 0.35);
    QCOMPARE(store.fontName(), QStringLiteral("DejaVu Serif"));
}

void TestAppearanceStore::colourSurvivesANewStore_data() {
    QTest::addColumn<QColor>("color");
    QTest::newRow("dark teal") << QColor(12, 90, 100);
    QTest::newRow("yellow with alpha") << QColor(250, 230, 60, 128);
    QTest::newRow("hsv") << QColor::fromHsv(300, 40, 200);
    QTest::newRow("black") << QColor(Qt::black);
}

void TestAppearanceStore::colourSurvivesANewStore() {
    QFETCH(QColor, color);
    QColor textColor;
    {
        auto store = makeStore();
        store->setBackgroundColor(color);
        textColor = store->autoTextColor();
    }
    Preferences reread(m_preferences->fileName());
    AppearanceStore store(reread);
    const QColor read = store.backgroundColor().toRgb();
    QCOMPARE(read.red(), color.toRgb().red());
    QCOMPARE(read.green(), color.toRgb().green());
    QCOMPARE(read.blue(), color.toRgb().blue());
    QCOMPARE(store.autoTextColor(), textColor);
}

void TestAppearanceStore::colourThatDoesNotDecodeGivesTheDefault_data() {
    QTest::addColumn<QVariant>("stored");
    const QByteArray valid = AppearanceStore::encodeColor(QColor(10, 20, 30));
    QTest::newRow("arbitrary bytes") << QVariant(QByteArray("not a colour at all"));
    QTest::newRow("colour plus a byte") << QVariant(valid + QByteArray(1, '\0'));
    QTest::newRow("colour cut short") << QVariant(valid.left(valid.size() - 1));
    QTest::newRow("text") << QVariant(QStringLiteral("#102030"));
    QByteArray otherFormat = valid;
    otherFormat[4] = char(42); // the format byte right after the tag
    QTest::newRow("unknown format") << QVariant(otherFormat);
}

void TestAppearanceStore::colourThatDoesNotDecodeGivesTheDefault() {
    QFETCH(QVariant, stored);
    m_preferences->setValue(QStringLiteral("appearanceBackgroundColor"), stored);
    Preferences reread(m_preferences->fileName());
    AppearanceStore store(reread);
    QCOMPARE(store.backgroundColor(), QGuiApplication::palette().color(QPalette::Base));
    QVERIFY(reread.contains(QStringLiteral("appearanceBackgroundColor"))); // left as it was, not rewritten
}

void TestAppearanceStore::textColourFollowsLuminance_data() {
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

void TestAppearanceStore::textColourFollowsLuminance() {
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    auto store = makeStore();
    store->setBackgroundColor(background);
    QCOMPARE(store->autoTextColor(), text);
}

void TestAppearanceStore::noteFontFallsBackToTheSystemFont_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("systemFont");
    QTest::newRow("system entry") << QStringLiteral("Системный") << true;
    QTest::newRow("not installed") << QStringLiteral("No Such Family 4711") << true;
    QTest::newRow("installed") << QStringLiteral("DejaVu Serif") << false;
}

void TestAppearanceStore::noteFontFallsBackToTheSystemFont() {
    QFETCH(QString, name);
    QFETCH(bool, systemFont);
    if (!systemFont)
        QVERIFY2(QFontDatabase::families().contains(name), "the test machine lacks fonts-dejavu-core");
    auto store = makeStore();
    store->setFontName(name);
    store->setFontSize(21.5);
    const QFont font = store->noteFont();
    const QString expected =
        systemFont ? QFontDatabase::systemFont(QFontDatabase::GeneralFont).family() : name;
    QCOMPARE(font.family(), expected);
    QCOMPARE(font.pointSizeF(), 21.5);
    QCOMPARE(store->fontName(), name); // the missing family stays chosen
}

void TestAppearanceStore::familiesAreInCodePointOrder_data() {
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("upper case before lower case")
        << QStringList{u"bravo"_qs, u"Bravo"_qs, u"alpha"_qs, u"Alpha"_qs, u"Zulu"_qs}
        << QStringList{u"Alpha"_qs, u"Bravo"_qs, u"Zulu"_qs, u"alpha"_qs, u"bravo"_qs};
    QTest::newRow("no locale rules") << QStringList{u"Élan"_qs, u"Zeta"_qs, u"Ärger"_qs, u"Ant"_qs}
                                     << QStringList{u"Ant"_qs, u"Zeta"_qs, u"Ärger"_qs, u"Élan"_qs};
    // U+1D400 is above U+FFFD as a code point, though its first UTF-16 unit (0xD835) is below.
    QTest::newRow("code points, not UTF-16 units") << QStringList{u"\U0001D400 Math"_qs, u"\uFFFD Box"_qs}
                                                   << QStringList{u"\uFFFD Box"_qs, u"\U0001D400 Math"_qs};
    // A decomposed "É" (E + U+0301) sorts as its composed form U+00C9, before "Ö" (U+00D6).
    QTest::newRow("normalised first")
        << QStringList{u"\u00D6l"_qs, u"E\u0301cole"_qs} << QStringList{u"E\u0301cole"_qs, u"\u00D6l"_qs};
    QTest::newRow("stable for equal forms") << QStringList{u"E\u0301"_qs, u"\u00C9"_qs, u"A"_qs}
                                            << QStringList{u"A"_qs, u"E\u0301"_qs, u"\u00C9"_qs};
}

void TestAppearanceStore::familiesAreInCodePointOrder() {
    QFETCH(QStringList, given);
    QFETCH(QStringList, sorted);
    QCOMPARE(AppearanceStore::sortedFamilies(given), sorted);
}

void TestAppearanceStore::availableFamiliesStartWithTheSystemEntry() {
    const QStringList families = AppearanceStore::availableFontFamilies();
    QVERIFY(!families.isEmpty());
    QCOMPARE(families.first(), QStringLiteral("Системный"));
    const QStringList installed = QFontDatabase::families();
    QCOMPARE(families.mid(1), AppearanceStore::sortedFamilies(installed));
    QCOMPARE(families.size(), installed.size() + 1);
}

QTEST_MAIN(TestAppearanceStore)
#include "test_appearance_store.moc"
