// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace {

/// How many pixels of the image pass the test.
template <typename Test>
int countPixels(const QImage& image, Test test) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += test(image.pixelColor(x, y));
    return count;
}

} // namespace

/// The editor on real stores in a temporary folder, shown in a real (offscreen) translucent window.
class TestNoteEditorView : public QObject {
    Q_OBJECT
    void makeEditor() {
        m_editor = std::make_unique<NoteEditorView>(m_s->notes, m_s->appearance, nullptr, nullptr);
        m_editor->setAttribute(Qt::WA_TranslucentBackground);
        m_editor->resize(NoteEditorView::kMinimumSize * 1.5);
        m_editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
    }
    template <typename T>
    T* child(const char* name) const {
        auto* found = m_editor->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    std::unique_ptr<NoteStores> m_s;
    std::unique_ptr<NoteEditorView> m_editor;

private slots:
    void init() { m_s = std::make_unique<NoteStores>(); }
    void cleanup() {
        m_editor.reset();
        m_s.reset();
    }

    void footerShowsThePathAndTheSaveTimeOnceSaved() {
        makeEditor();
        auto* path = child<QLabel>("path");
        auto* lastSave = child<QLabel>("lastSave");
        QCOMPARE(path->text(), m_s->notes.filePath());
        QTest::keyClicks(m_editor->textView(), QStringLiteral("x"));
        QVERIFY(!lastSave->isVisible()); // typing is not saving
        QSignalSpy saved(&m_s->notes, &NotesStore::lastSavedAtChanged);
        QVERIFY(saved.wait(5000));
        QVERIFY(lastSave->isVisible());
        QCOMPARE(lastSave->text(), NoteEditorView::kSavedPrefix +
                                       NoteEditorView::formatSaveTime(m_s->notes.lastSavedAt().time()));
        m_s->notes.setFilePath(m_s->home.path(QStringLiteral("other.txt")));
        QCOMPARE(path->text(), m_s->home.path(QStringLiteral("other.txt")));
    }

    void longPathDoesNotWidenTheWindow() {
        m_s->notes.setFilePath(QStringLiteral("/very/long/") + QString(300, u'd') +
                               QStringLiteral("/notes.txt"));
        makeEditor();
        // Wider content would push the footer's right end out of the window.
        QVERIFY(m_editor->minimumSizeHint().width() <= NoteEditorView::kMinimumSize.width());
        m_editor->resize(NoteEditorView::kMinimumSize);
        QTRY_COMPARE(m_editor->size(), NoteEditorView::kMinimumSize);
    }

    void backgroundIsTheColourTimesTheOpacity_data() {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<double>("opacity");
        QTest::newRow("colour with its own alpha") << QColor(200, 40, 40, 128) << 0.5;
        QTest::newRow("gone") << QColor(30, 30, 30) << 0.0;
    }
    void backgroundIsTheColourTimesTheOpacity() {
        QFETCH(QColor, color);
        QFETCH(double, opacity);
        m_s->appearance.setBackgroundColor(color);
        m_s->appearance.setOpacity(opacity);
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
        QVERIFY(countPixels(title, [](const QColor& pixel) { return pixel.alpha() == 255; }) > 10);
    }

    void textsAndIconsTakeTheTextColour_data() {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        QTest::newRow("dark background") << QColor(20, 20, 60) << QColor(Qt::white);
        QTest::newRow("light background") << QColor(250, 240, 200) << QColor(Qt::black);
    }
    void textsAndIconsTakeTheTextColour() {
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        m_s->appearance.setBackgroundColor(text); // the opposite first: the change must recolour everything
        makeEditor();
        m_s->appearance.setBackgroundColor(background);
        QCOMPARE(child<QLabel>("title")->palette().color(QPalette::WindowText), text);
        QCOMPARE(m_editor->textView()->palette().color(QPalette::Text), text);
        QCOMPARE(child<QLabel>("path")->palette().color(QPalette::WindowText).rgb(), text.rgb());
        for (const char* name : {"settingsButton", "quitButton"}) {
            const QImage icon = child<QToolButton>(name)->icon().pixmap(16, 16).toImage();
            const int inked = countPixels(icon, [](const QColor& pixel) { return pixel.alpha() > 0; });
            const int inText =
                countPixels(icon, [&](const QColor& p) { return p.alpha() > 0 && p.rgb() == text.rgb(); });
            QVERIFY2(inked > 20 && inText == inked, name);
        }
    }

    void newFontIsNoEditOfTheNote() {
        makeEditor();
        QSignalSpy edits(&m_s->notes, &NotesStore::textChanged);
        m_s->appearance.setFontName(QStringLiteral("DejaVu Sans Mono"));
        m_s->appearance.setFontSize(19);
        m_s->appearance.setBackgroundColor(Qt::darkBlue);
        QCOMPARE(m_editor->textView()->font(), m_s->appearance.noteFont());
        QCOMPARE(edits.count(), 0);
    }
};

QTEST_MAIN(TestNoteEditorView)
#include "test_note_editor_view.moc"
