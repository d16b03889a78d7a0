#include "appearance/appearance_store.h"
#include "editor/note_editor_view.h"
#include "editor/note_text_view.h"
#include "storage/notes_store.h"
#include "test_files.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace quillo;
using namespace quillo::test;

/// The editor on real stores in a temporary folder, shown in a real (offscreen) translucent window.
class TestNoteEditorView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void footerShowsThePathAndTheSaveTimeOnceSaved();
    void longPathDoesNotWidenTheWindow();
    void backgroundIsTheColourTimesTheOpacity_data();
    void backgroundIsTheColourTimesTheOpacity();
    void textsAndIconsTakeTheTextColour_data();
    void textsAndIconsTakeTheTextColour();
    void newFontIsNoEditOfTheNote();

private:
    void makeEditor();
    template <typename T>
    T* child(const char* name) const {
        auto* found = m_editor->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<AppearanceStore> m_appearance;
    std::unique_ptr<NoteEditorView> m_editor;
};

void TestNoteEditorView::init() {
    m_home = std::make_unique<TestHome>();
    m_store = std::make_unique<NotesStore>(m_home->preferences, m_home->path(QStringLiteral("data")));
    m_appearance = std::make_unique<AppearanceStore>(m_home->preferences);
}

void TestNoteEditorView::cleanup() {
    m_editor.reset();
    m_appearance.reset();
    m_store.reset();
    m_home.reset();
}

void TestNoteEditorView::makeEditor() {
    m_editor = std::make_unique<NoteEditorView>(*m_store, *m_appearance, nullptr, nullptr);
    m_editor->setAttribute(Qt::WA_TranslucentBackground);
    m_editor->resize(NoteEditorView::kMinimumSize * 1.5);
    m_editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
}

void TestNoteEditorView::footerShowsThePathAndTheSaveTimeOnceSaved() {
    makeEditor();
    auto* path = child<QLabel>("path");
    auto* lastSave = child<QLabel>("lastSave");
    QCOMPARE(path->text(), m_store->filePath());
    QVERIFY(!lastSave->isVisible());

    QTest::keyClicks(m_editor->textView(), QStringLiteral("x"));
    QVERIFY(!lastSave->isVisible()); // typing is not saving
    QSignalSpy saved(m_store.get(), &NotesStore::lastSavedAtChanged);
    QVERIFY(saved.wait(5000));
    QVERIFY(lastSave->isVisible());
    QCOMPARE(lastSave->text(),
             NoteEditorView::kSavedPrefix + NoteEditorView::formatSaveTime(m_store->lastSavedAt().time()));

    const QString other = m_home->path(QStringLiteral("other.txt"));
    m_store->setFilePath(other);
    QCOMPARE(path->text(), other);
}

void TestNoteEditorView::longPathDoesNotWidenTheWindow() {
    m_store->setFilePath(QStringLiteral("/very/long/") + QString(300, u'd') + QStringLiteral("/notes.txt"));
    makeEditor();
    // Wider content would push the footer's right end out of the window.
    QVERIFY(m_editor->minimumSizeHint().width() <= NoteEditorView::kMinimumSize.width());
    m_editor->resize(NoteEditorView::kMinimumSize);
    QTRY_COMPARE(m_editor->size(), NoteEditorView::kMinimumSize);
}

void TestNoteEditorView::backgroundIsTheColourTimesTheOpacity_data() {
    QTest::addColumn<QColor>("color");
    QTest::addColumn<double>("opacity");
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
    if (corner.alpha() > 0)
        QVERIFY(qAbs(corner.red() - color.red()) <= 2 && qAbs(corner.green() - color.green()) <= 2 &&
                qAbs(corner.blue() - color.blue()) <= 2);
    // Texts stay visible on a background that has gone: the title has opaque pixels.
    const QImage title = image.copy(child<QLabel>("title")->geometry());
    int opaque = 0;
    for (int y = 0; y < title.height(); ++y)
        for (int x = 0; x < title.width(); ++x)
            opaque += title.pixelColor(x, y).alpha() == 255;
    QVERIFY(opaque > 10);
}

void TestNoteEditorView::textsAndIconsTakeTheTextColour_data() {
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");
    QTest::newRow("dark background") << QColor(20, 20, 60) << QColor(Qt::white);
    QTest::newRow("light background") << QColor(250, 240, 200) << QColor(Qt::black);
}

void TestNoteEditorView::textsAndIconsTakeTheTextColour() {
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    m_appearance->setBackgroundColor(text); // the opposite first: the change must recolour everything
    makeEditor();
    m_appearance->setBackgroundColor(background);

    QCOMPARE(child<QLabel>("title")->palette().color(QPalette::WindowText), text);
    QCOMPARE(m_editor->textView()->palette().color(QPalette::Text), text);
    QCOMPARE(child<QLabel>("path")->palette().color(QPalette::WindowText).rgb(), text.rgb());
    for (const char* name : {"settingsButton", "quitButton"}) {
        const QImage icon = child<QToolButton>(name)->icon().pixmap(16, 16).toImage();
        int inked = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (icon.pixelColor(x, y).alpha() > 0) {
                    ++inked;
                    QCOMPARE(icon.pixelColor(x, y).rgb(), text.rgb());
                }
        QVERIFY2(inked > 20, name);
    }
}

void TestNoteEditorView::newFontIsNoEditOfTheNote() {
    makeEditor();
    QSignalSpy edits(m_store.get(), &NotesStore::textChanged);
    m_appearance->setFontName(QStringLiteral("DejaVu Sans Mono"));
    m_appearance->setFontSize(19);
    m_appearance->setBackgroundColor(Qt::darkBlue);
    QCOMPARE(m_editor->textView()->font(), m_appearance->noteFont());
    QCOMPARE(edits.count(), 0);
}

QTEST_MAIN(TestNoteEditorView)
#include "test_note_editor_view.moc"
