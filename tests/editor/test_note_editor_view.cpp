#include "appearance/appearance_store.h"
#include "editor/note_editor_view.h"
#include "editor/note_text_view.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace quillo;

/// The editor on real stores in a temporary folder, shown in a real (offscreen) translucent window.
class TestNoteEditorView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void headerShowsTitleAndButtonsThatCallBack();
    void footerShowsTheSaveTimeOnlyAfterTheFirstSave();
    void longPathDoesNotWidenTheWindow();
    void backgroundIsTheColourTimesTheOpacity_data();
    void backgroundIsTheColourTimesTheOpacity();
    void backgroundChangeRecoloursTextsAndIcons_data();
    void backgroundChangeRecoloursTextsAndIcons();
    void fontFollowsTheAppearance();

private:
    void makeEditor();
    template <typename T>
    T* child(const char* name) const {
        auto* found = m_editor->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<AppearanceStore> m_appearance;
    std::unique_ptr<NoteEditorView> m_editor;
    int m_settingsCalls = 0;
    int m_quitCalls = 0;
};

void TestNoteEditorView::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_preferences = std::make_unique<Preferences>(m_dir->filePath(QStringLiteral("Quillo.conf")));
    m_store = std::make_unique<NotesStore>(*m_preferences, m_dir->filePath(QStringLiteral("data")));
    m_appearance = std::make_unique<AppearanceStore>(*m_preferences);
    m_settingsCalls = m_quitCalls = 0;
}

void TestNoteEditorView::cleanup() {
    m_editor.reset();
    m_appearance.reset();
    m_store.reset();
    m_preferences.reset();
}

void TestNoteEditorView::makeEditor() {
    m_editor = std::make_unique<NoteEditorView>(
        *m_store, *m_appearance, [this] { ++m_settingsCalls; }, [this] { ++m_quitCalls; });
    m_editor->setAttribute(Qt::WA_TranslucentBackground);
    m_editor->resize(340, 380);
    m_editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
}

void TestNoteEditorView::headerShowsTitleAndButtonsThatCallBack() {
    makeEditor();
    auto* title = child<QLabel>("title");
    QCOMPARE(title->text(), QStringLiteral("Quillo"));
    QVERIFY(title->font().bold());
    auto* settings = child<QToolButton>("settingsButton");
    auto* quit = child<QToolButton>("quitButton");
    QCOMPARE(settings->toolTip(), QStringLiteral("Настройки"));
    QCOMPARE(quit->toolTip(), QStringLiteral("Выход"));

    QTest::mouseClick(settings, Qt::LeftButton);
    QCOMPARE(m_settingsCalls, 1);
    QCOMPARE(m_quitCalls, 0);
    QTest::mouseClick(quit, Qt::LeftButton);
    QCOMPARE(m_quitCalls, 1);
    QCOMPARE(m_settingsCalls, 1);
}

void TestNoteEditorView::footerShowsTheSaveTimeOnlyAfterTheFirstSave() {
    makeEditor();
    auto* path = child<QLabel>("path");
    auto* lastSave = child<QLabel>("lastSave");
    QCOMPARE(path->text(), m_store->filePath());
    QVERIFY(!lastSave->isVisible());
    QVERIFY(lastSave->text().isEmpty());

    QTest::keyClicks(m_editor->textView(), QStringLiteral("x"));
    QVERIFY(!lastSave->isVisible()); // typing is not saving
    QSignalSpy saved(m_store.get(), &NotesStore::lastSavedAtChanged);
    QVERIFY(saved.wait(5000));
    QVERIFY(lastSave->isVisible());
    QVERIFY2(lastSave->text().startsWith(QStringLiteral("сохранено ")), qPrintable(lastSave->text()));
    const QString time = lastSave->text().mid(10);
    QCOMPARE(time, NoteEditorView::formatSaveTime(m_store->lastSavedAt().time()));
    QVERIFY2(time.contains(QRegularExpression(QStringLiteral("\\d{1,2}.\\d{2}.\\d{2}"))), qPrintable(time));
    QVERIFY(lastSave->geometry().right() > path->geometry().right()); // at the right end of the row

    const QString other = m_dir->filePath(QStringLiteral("other.txt"));
    m_store->setFilePath(other);
    QCOMPARE(path->text(), other);
}

void TestNoteEditorView::longPathDoesNotWidenTheWindow() {
    m_store->setFilePath(QStringLiteral("/very/long/") + QString(300, u'd') + QStringLiteral("/notes.txt"));
    makeEditor();
    QVERIFY(m_editor->minimumSizeHint().width() <= NoteEditorView::kMinimumSize.width());
    m_editor->resize(NoteEditorView::kMinimumSize);
    QTRY_COMPARE(m_editor->size(), NoteEditorView::kMinimumSize);
    m_editor->resize(100, 100);
    QTRY_COMPARE(m_editor->size(), NoteEditorView::kMinimumSize); // the minimum holds
}

void TestNoteEditorView::backgroundIsTheColourTimesTheOpacity_data() {
    QTest::addColumn<QColor>("color");
    QTest::addColumn<double>("opacity");
    QTest::newRow("opaque teal") << QColor(0, 128, 128) << 1.0;
    QTest::newRow("half yellow") << QColor(255, 230, 0) << 0.5;
    QTest::newRow("colour with its own alpha") << QColor(200, 40, 40, 128) << 0.5;
    QTest::newRow("gone") << QColor(30, 30, 30) << 0.0;
}

void TestNoteEditorView::backgroundIsTheColourTimesTheOpacity() {
    QFETCH(QColor, color);
    QFETCH(double, opacity);
    m_appearance->setBackgroundColor(color);
    m_appearance->setOpacity(opacity);
    makeEditor();
    const QImage image = m_editor->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QColor corner = image.pixelColor(2, 2);
    QVERIFY2(qAbs(corner.alpha() - qRound(color.alpha() * opacity)) <= 1,
             qPrintable(QString::number(corner.alpha())));
    if (corner.alpha() > 0) {
        QVERIFY(qAbs(corner.red() - color.red()) <= 2);
        QVERIFY(qAbs(corner.green() - color.green()) <= 2);
        QVERIFY(qAbs(corner.blue() - color.blue()) <= 2);
    }
    // Texts stay visible on a background that has gone: the title has opaque pixels.
    auto* title = child<QLabel>("title");
    const QImage titleImage = image.copy(title->geometry());
    int opaque = 0;
    for (int y = 0; y < titleImage.height(); ++y)
        for (int x = 0; x < titleImage.width(); ++x)
            opaque += titleImage.pixelColor(x, y).alpha() == 255 && titleImage.pixelColor(x, y) != corner;
    QVERIFY(opaque > 10);
}

void TestNoteEditorView::backgroundChangeRecoloursTextsAndIcons_data() {
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");
    QTest::newRow("dark background") << QColor(20, 20, 60) << QColor(Qt::white);
    QTest::newRow("light background") << QColor(250, 240, 200) << QColor(Qt::black);
}

void TestNoteEditorView::backgroundChangeRecoloursTextsAndIcons() {
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    m_appearance->setBackgroundColor(background == Qt::white ? Qt::black : Qt::white);
    makeEditor();
    m_appearance->setBackgroundColor(background);

    QCOMPARE(child<QLabel>("title")->palette().color(QPalette::WindowText), text);
    QCOMPARE(m_editor->textView()->palette().color(QPalette::Text), text);
    for (const char* footer : {"path", "lastSave"}) {
        const QColor shown = child<QLabel>(footer)->palette().color(QPalette::WindowText);
        QCOMPARE(shown.rgb(), text.rgb());
        QCOMPARE(shown.alphaF(), 0.6f);
    }
    for (const char* name : {"settingsButton", "quitButton"}) {
        const QImage icon = child<QToolButton>(name)->icon().pixmap(16, 16).toImage();
        int inked = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) {
                const QColor pixel = icon.pixelColor(x, y);
                if (pixel.alpha() == 0)
                    continue;
                ++inked;
                QCOMPARE(pixel.rgb(), text.rgb());
            }
        QVERIFY2(inked > 20, name);
    }
}

void TestNoteEditorView::fontFollowsTheAppearance() {
    makeEditor();
    QSignalSpy edits(m_store.get(), &NotesStore::textChanged);
    QCOMPARE(m_editor->textView()->font(), m_appearance->noteFont());
    m_appearance->setFontName(QStringLiteral("DejaVu Sans Mono"));
    m_appearance->setFontSize(19);
    m_appearance->setBackgroundColor(Qt::darkBlue);
    QCOMPARE(m_editor->textView()->font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(m_editor->textView()->font().pointSizeF(), 19.0);
    QCOMPARE(edits.count(), 0); // a new look is not an edit of the note
}

QTEST_MAIN(TestNoteEditorView)
#include "test_note_editor_view.moc"
