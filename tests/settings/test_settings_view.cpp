#include "appearance/appearance_store.h"
#include "editor/note_editor_view.h"
#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "settings/hotkey_recorder.h"
#include "settings/settings_view.h"
#include "settings/settings_view_model.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace quillo;
using namespace std::chrono_literals;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// The colour the note editor paints its middle with, as it reaches the screen.
QColor editorBackground(NoteEditorView& editor) {
    return editor.grab().toImage().pixelColor(editor.width() / 2, 4);
}

} // namespace

/// The settings form on real stores in a temporary folder, shown in a real (offscreen) window, with the note
/// editor beside it where the form should change the note at once. The dialogs are Qt's own, driven as a user
/// would.
class TestSettingsView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void freshPreferencesShowTheDefaults();
    void layoutKeepsItsTextsWhole();
    void valueLabels_data();
    void valueLabels();
    void stepperStaysWithinItsEnds();
    void sliderChangesTheNoteAtOnce();
    void fontListOffersTheFamiliesAndWritesTheChoice();
    void colourDialogRecoloursTheNoteWhilePickingAndCancelRestores();
    void typingInTheFieldChangesOnlyTheForm();
    void dialogFillsTheFieldButTheStoreWaitsForClose();
    void returnPressesCloseButAnArmedRecorderTakesOtherKeys();

private:
    void makeForm();
    QFileDialog* openFileDialog();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<AppearanceStore> m_appearance;
    std::unique_ptr<HotKeyManager> m_manager;
    std::unique_ptr<HotKeySettings> m_hotKeys;
    std::unique_ptr<SettingsViewModel> m_model;
    std::unique_ptr<SettingsView> m_form;
    int m_closes = 0;
};

void TestSettingsView::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_preferences = std::make_unique<Preferences>(m_dir->filePath(QStringLiteral("Quillo.conf")));
    m_store = std::make_unique<NotesStore>(*m_preferences, m_dir->filePath(QStringLiteral("Quillo")));
    m_appearance = std::make_unique<AppearanceStore>(*m_preferences);
    m_manager = std::make_unique<HotKeyManager>(x11::makeX11HotKeyBackend());
    m_hotKeys = std::make_unique<HotKeySettings>(*m_preferences, *m_manager);
    m_model = std::make_unique<SettingsViewModel>();
    m_closes = 0;
}

void TestSettingsView::cleanup() {
    m_form.reset();
    m_model.reset();
    m_hotKeys.reset();
    m_manager.reset();
    m_appearance.reset();
    m_store.reset();
    m_preferences.reset();
}

void TestSettingsView::makeForm() {
    m_form =
        std::make_unique<SettingsView>(*m_store, *m_appearance, *m_hotKeys, *m_model, [this] { ++m_closes; });
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

QFileDialog* TestSettingsView::openFileDialog() {
    QTest::mouseClick(m_form->browseButton(), Qt::LeftButton);
    QFileDialog* dialog = m_form->findChild<QFileDialog*>();
    if (!dialog || !QTest::qWaitForWindowExposed(dialog))
        return nullptr;
    return dialog;
}

void TestSettingsView::freshPreferencesShowTheDefaults() {
    makeForm();
    QCOMPARE(m_form->pathField()->text(), m_dir->filePath(QStringLiteral("Quillo/notes.txt")));
    QCOMPARE(m_form->pathField()->placeholderText(), QStringLiteral("Путь к файлу"));
    QCOMPARE(m_form->opacityLabel()->text(), QStringLiteral("100%"));
    QCOMPARE(m_form->opacitySlider()->value(), m_form->opacitySlider()->maximum());
    QCOMPARE(m_form->fontList()->currentIndex(), 0);
    QCOMPARE(m_form->fontList()->currentText(), QStringLiteral("Системный"));
    QCOMPARE(m_form->fontSizeBox()->text(), QStringLiteral("13 pt"));
    QVERIFY(!m_form->recorder()->isRecording());
    // Showing the form wrote nothing.
    for (const char* key : {"appearanceOpacity", "appearanceFontName", "appearanceFontSize",
                            "appearanceBackgroundColor", "notesFilePath", "hotKeyKeyCode"})
        QVERIFY2(!m_preferences->contains(QString::fromLatin1(key)), key);
}

void TestSettingsView::layoutKeepsItsTextsWhole() {
    makeForm();
    QCOMPARE(m_form->width(), 440);
    QCOMPARE(m_form->recorder()->size(), QSize(160, 26));
    // The recorder and "Закрыть" are pushed to the right edge of the column.
    QCOMPARE(m_form->recorder()->mapTo(m_form.get(), QPoint(160, 0)).x(), 440 - 16);
    QCOMPARE(m_form->closeButton()->geometry().right(), 440 - 16 - 1);

    // Every text, top to bottom, exactly, and each one whole within the column.
    QStringList texts;
    for (const QLabel* label : m_form->findChildren<QLabel*>()) {
        if (label == m_form->opacityLabel())
            continue;
        texts << label->text();
        QVERIFY2(label->mapTo(m_form.get(), QPoint(label->width(), 0)).x() <= 440 - 16,
                 qPrintable(label->text()));
        if (label->wordWrap())
            QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->text()));
        else
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
    }
    QCOMPARE(texts, QStringList({QStringLiteral("Настройки Quillo"),
                                 QStringLiteral("Файл, в который сохраняется заметка:"),
                                 QStringLiteral("Внешний вид окна заметки:"), QStringLiteral("Цвет фона"),
                                 QStringLiteral("Прозрачность"), QStringLiteral("Шрифт"),
                                 QStringLiteral("Открывать заметку по хоткею"),
                                 QStringLiteral("Кликните по полю и нажмите нужное сочетание клавиш. "
                                                "По умолчанию ⌘⎋.")}));
    QCOMPARE(m_form->browseButton()->text(), QStringLiteral("Обзор…"));
    QCOMPARE(m_form->closeButton()->text(), QStringLiteral("Закрыть"));
    const QList<QWidget*> order{m_form->pathField(), m_form->colorWell(), m_form->opacitySlider(),
                                m_form->fontList(),  m_form->recorder(),  m_form->closeButton()};
    for (qsizetype i = 1; i < order.size(); ++i)
        QVERIFY(order[i]->mapTo(m_form.get(), QPoint()).y() >
                order[i - 1]->mapTo(m_form.get(), QPoint()).y());
}

void TestSettingsView::valueLabels_data() {
    QTest::addColumn<double>("opacity");
    QTest::addColumn<QString>("opacityShown");
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("sizeShown");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("ends of the ranges") << 0.2 << "20%" << 9.0 << "9 pt";
    QTest::newRow("just below a whole percent") << 0.29 << "28%" << 14.0 << "14 pt";
    QTest::newRow("0.57 and a fraction of a point") << 0.57 << "56%" << 14.9 << "14 pt";
    QTest::newRow("0.58") << 0.58 << "57%" << 32.0 << "32 pt";
    QTest::newRow("beyond the controls' ranges") << 1.5 << "150%" << 40.0 << "40 pt";
    QTest::newRow("below them") << -0.5 << "-50%" << 2.0 << "2 pt";
    QTest::newRow("not a number") << nan << "—%" << nan << "— pt";
    QTest::newRow("infinite") << inf << "—%" << -inf << "— pt";
    QTest::newRow("beyond 64 bits") << 1e17 << "—%" << 1e19 << "— pt";
}

void TestSettingsView::valueLabels() {
    QFETCH(double, opacity);
    QFETCH(QString, opacityShown);
    QFETCH(double, size);
    QFETCH(QString, sizeShown);
    makeForm();
    // Set while the form is on screen: it follows the stores.
    m_appearance->setOpacity(opacity);
    m_appearance->setFontSize(size);
    QCOMPARE(m_form->opacityLabel()->text(), opacityShown);
    QCOMPARE(m_form->fontSizeBox()->text(), sizeShown);
    // Showing a value never writes one back, also where the controls cannot stand at it.
    const auto unchanged = [&] {
        const auto same = [](double a, double b) { return std::isnan(a) ? std::isnan(b) : a == b; };
        return same(opacity, m_appearance->opacity()) && same(size, m_appearance->fontSize());
    };
    QVERIFY(unchanged());

    // A form opened on such stored values shows them the same way, and still works.
    m_form.reset();
    makeForm();
    QCOMPARE(m_form->opacityLabel()->text(), opacityShown);
    QCOMPARE(m_form->fontSizeBox()->text(), sizeShown);
    QVERIFY(unchanged());
    m_form->opacitySlider()->setValue(m_form->opacitySlider()->minimum() + 1000);
    QCOMPARE(m_appearance->opacity(), 0.3);
    QCOMPARE(m_form->opacityLabel()->text(), QStringLiteral("30%"));
}

void TestSettingsView::stepperStaysWithinItsEnds() {
    makeForm();
    QSpinBox* stepper = m_form->fontSizeBox();
    stepper->stepUp();
    QCOMPARE(m_appearance->fontSize(), 14.0);
    QCOMPARE(stepper->text(), QStringLiteral("14 pt"));

    m_appearance->setFontSize(9);
    stepper->stepDown();
    QCOMPARE(m_appearance->fontSize(), 9.0);
    QCOMPARE(stepper->text(), QStringLiteral("9 pt"));
    m_appearance->setFontSize(32);
    stepper->stepUp();
    QCOMPARE(m_appearance->fontSize(), 32.0);
    QCOMPARE(stepper->text(), QStringLiteral("32 pt"));

    // Its arrows, clicked: the down arrow is the lower half of the right end.
    const QRect box = stepper->rect();
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(box.right() - 4, box.bottom() - 4));
    QCOMPARE(m_appearance->fontSize(), 31.0);
    QCOMPARE(m_preferences->doubleValue(QStringLiteral("appearanceFontSize")), 31.0);
}

void TestSettingsView::sliderChangesTheNoteAtOnce() {
    NoteEditorView editor(*m_store, *m_appearance, {}, {});
    editor.setAttribute(Qt::WA_TranslucentBackground);
    editor.resize(340, 380);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QCOMPARE(editorBackground(editor).alpha(), 255);
    makeForm();

    // Dragged, the slider writes on every move, not only when let go.
    QSlider* slider = m_form->opacitySlider();
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() - 3, slider->height() / 2));
    QList<double> seen;
    for (int x = slider->width() - 20; x >= slider->width() / 2; x -= 20) {
        QTest::mouseMove(slider, QPoint(x, slider->height() / 2));
        seen << m_appearance->opacity();
        QCOMPARE(m_form->opacityLabel()->text(), SettingsView::opacityText(m_appearance->opacity()));
        QCOMPARE(editorBackground(editor).alpha(), qRound(m_appearance->opacity() * 255));
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() / 2));
    QVERIFY2(seen.size() >= 3 && seen.first() < 1.0 && seen.last() < seen.first(),
             qPrintable(QStringLiteral("%1 .. %2").arg(seen.value(0)).arg(seen.value(seen.size() - 1))));
    QVERIFY(m_appearance->opacity() > 0.2 && m_appearance->opacity() < 0.8);
    QCOMPARE(m_preferences->doubleValue(QStringLiteral("appearanceOpacity")), m_appearance->opacity());

    // The keyboard's end keys reach the ends of the range, and no further.
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(m_appearance->opacity(), 0.2);
    QCOMPARE(m_form->opacityLabel()->text(), QStringLiteral("20%"));
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(m_appearance->opacity(), 1.0);
}

void TestSettingsView::fontListOffersTheFamiliesAndWritesTheChoice() {
    makeForm();
    QComboBox* list = m_form->fontList();
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    QCOMPARE(items, AppearanceStore::availableFontFamilies());
    QVERIFY(items.size() >= 2);

    const QString family = items.last();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(m_appearance->fontName(), family);
    QCOMPARE(m_preferences->stringValue(QStringLiteral("appearanceFontName")), family);

    // A change from elsewhere is shown; a name the list does not hold selects nothing and stays stored.
    m_appearance->setFontName(QStringLiteral("Системный"));
    QCOMPARE(list->currentIndex(), 0);
    m_appearance->setFontName(QStringLiteral("A family since removed"));
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(list->count(), items.size());
    QCOMPARE(m_appearance->fontName(), QStringLiteral("A family since removed"));
}

void TestSettingsView::colourDialogRecoloursTheNoteWhilePickingAndCancelRestores() {
    NoteEditorView editor(*m_store, *m_appearance, {}, {});
    editor.resize(340, 380);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    const QColor original = m_appearance->backgroundColor();
    makeForm();

    for (const bool accept : {false, true}) {
        QTest::mouseClick(m_form->colorWell(), Qt::LeftButton);
        auto* dialog = m_form->findChild<QColorDialog*>();
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(!dialog->testOption(QColorDialog::ShowAlphaChannel));
        // Typed into the dialog's own HTML field, as a user would.
        QLineEdit* html = nullptr;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
            if (edit->text().startsWith(QLatin1Char('#')))
                html = edit;
        QVERIFY(html);
        html->selectAll();
        QTest::keyClicks(html, QStringLiteral("#336699"));
        QCOMPARE(m_appearance->backgroundColor(), QColor(0x33, 0x66, 0x99));
        QCOMPARE(editorBackground(editor), QColor(0x33, 0x66, 0x99));
        QCOMPARE(m_form->colorWell()->icon().pixmap(30, 14).toImage().pixelColor(15, 7),
                 QColor(0x33, 0x66, 0x99));
        QTest::keyClick(html, accept ? Qt::Key_Return : Qt::Key_Escape);
        QTRY_VERIFY(!m_form->findChild<QColorDialog*>());
        QCOMPARE(m_appearance->backgroundColor(), accept ? QColor(0x33, 0x66, 0x99) : original);
        QCOMPARE(editorBackground(editor), accept ? QColor(0x33, 0x66, 0x99) : original.toRgb());
    }
    QCOMPARE(
        AppearanceStore::decodeColor(*m_preferences->bytesValue(QStringLiteral("appearanceBackgroundColor"))),
        QColor(0x33, 0x66, 0x99));
}

void TestSettingsView::typingInTheFieldChangesOnlyTheForm() {
    makeForm();
    const QString inUse = m_store->filePath();
    m_form->pathField()->selectAll();
    QTest::keyClicks(m_form->pathField(), QStringLiteral("/tmp/typed.txt "));
    QCOMPARE(m_model->pathText(), QStringLiteral("/tmp/typed.txt "));
    QCOMPARE(m_store->filePath(), inUse);
    QVERIFY(!m_preferences->contains(QStringLiteral("notesFilePath")));
    QCOMPARE(m_closes, 0);

    // The dialog proposes the name and folder of what the field holds now, not of the file in use.
    QFileDialog* dialog = openFileDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Выберите файл для заметки"));
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(dialog->directory().absolutePath(), QStringLiteral("/tmp"));
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
             QStringLiteral("typed.txt "));
    dialog->reject();
    QTRY_VERIFY(!m_form->findChild<QFileDialog*>());
    QCOMPARE(m_model->pathText(), QStringLiteral("/tmp/typed.txt ")); // cancelled: nothing changes

    // Emptied down to white space, the field applies nothing, and "Закрыть" still closes.
    m_form->pathField()->selectAll();
    QTest::keyClicks(m_form->pathField(), QStringLiteral(" \t "));
    QTest::mouseClick(m_form->closeButton(), Qt::LeftButton);
    QCOMPARE(m_closes, 1);
    QCOMPARE(m_store->filePath(), inUse);
}

void TestSettingsView::dialogFillsTheFieldButTheStoreWaitsForClose() {
    const QString inUse = m_store->filePath();
    m_store->setText(QStringLiteral("the note so far"));
    const QString chosen = m_dir->filePath(QStringLiteral("elsewhere/other note.txt"));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("elsewhere"))));
    QVERIFY(writeFile(chosen, "Другая заметка"));
    makeForm();

    // An existing file is chosen without a question about replacing it.
    QFileDialog* dialog = openFileDialog();
    QVERIFY(dialog);
    QLineEdit* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->selectAll();
    QTest::keyClicks(name, chosen);
    QTest::keyClick(name, Qt::Key_Return);
    QTRY_VERIFY(!m_form->findChild<QFileDialog*>());
    QCOMPARE(m_form->pathField()->text(), chosen);
    QCOMPARE(m_model->pathText(), chosen);
    QCOMPARE(m_store->filePath(), inUse);
    QCOMPARE(m_store->text(), QStringLiteral("the note so far"));
    QCOMPARE(readFile(chosen), QByteArray("Другая заметка"));
    QCOMPARE(m_closes, 0);

    // "Закрыть" makes it the note file: the old file keeps the text, the note is the chosen file's.
    QTest::mouseClick(m_form->closeButton(), Qt::LeftButton);
    QCOMPARE(m_closes, 1);
    QCOMPARE(m_store->filePath(), chosen);
    QCOMPARE(m_store->text(), QStringLiteral("Другая заметка"));
    QVERIFY(m_store->waitForWrites(10s));
    QCOMPARE(readFile(inUse), QByteArray("the note so far"));
    QCOMPARE(readFile(chosen), QByteArray("Другая заметка"));
}

void TestSettingsView::returnPressesCloseButAnArmedRecorderTakesOtherKeys() {
    makeForm();
    const QString path = m_dir->filePath(QStringLiteral("by return.txt"));
    m_form->pathField()->setFocus();
    m_form->pathField()->selectAll();
    QTest::keyClicks(m_form->pathField(), path);
    QTest::keyClick(m_form->pathField(), Qt::Key_Return);
    QCOMPARE(m_closes, 1);
    QCOMPARE(m_store->filePath(), path);

    // Armed, the recorder keeps a key for itself; Return alone still belongs to "Закрыть".
    QTest::mouseClick(m_form->recorder(), Qt::LeftButton);
    QVERIFY(m_form->recorder()->isRecording());
    QTest::keyClick(m_form->recorder(), Qt::Key_Return);
    QCOMPARE(m_closes, 2);
    QVERIFY(m_form->recorder()->isRecording());
    QCOMPARE(m_hotKeys->keyCode(), Shortcut::kDefaultKeyCode);
}

QTEST_MAIN(TestSettingsView)
#include "test_settings_view.moc"
