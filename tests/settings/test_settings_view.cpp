#include "appearance/appearance_store.h"
#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "settings/hotkey_recorder.h"
#include "settings/settings_view.h"
#include "settings/settings_view_model.h"
#include "storage/notes_store.h"
#include "test_files.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <limits>
#include <memory>

using namespace quillo;
using namespace quillo::test;

/// The settings form on real stores in a temporary folder, shown in a real (offscreen) window. The dialogs
/// are Qt's own, driven as a user would.
class TestSettingsView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void valueLabels_data();
    void valueLabels();
    void controlsWriteTheLookAtOnce();
    void colourDialogRecoloursWhilePickingAndCancelRestores();
    void onlyCloseAppliesThePathAndAnArmedRecorderLeavesReturnToIt();

private:
    void makeForm();

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<AppearanceStore> m_appearance;
    std::unique_ptr<HotKeyManager> m_manager;
    std::unique_ptr<HotKeySettings> m_hotKeys;
    std::unique_ptr<SettingsViewModel> m_model;
    std::unique_ptr<SettingsView> m_form;
    int m_closes = 0;
};

void TestSettingsView::init() {
    m_home = std::make_unique<TestHome>();
    m_store = std::make_unique<NotesStore>(m_home->preferences, m_home->path(QStringLiteral("Quillo")));
    m_appearance = std::make_unique<AppearanceStore>(m_home->preferences);
    m_manager = std::make_unique<HotKeyManager>(x11::makeX11HotKeyBackend());
    m_hotKeys = std::make_unique<HotKeySettings>(m_home->preferences, *m_manager);
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
    m_home.reset();
}

void TestSettingsView::makeForm() {
    m_form =
        std::make_unique<SettingsView>(*m_store, *m_appearance, *m_hotKeys, *m_model, [this] { ++m_closes; });
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestSettingsView::valueLabels_data() {
    QTest::addColumn<double>("opacity");
    QTest::addColumn<QString>("opacityShown");
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("sizeShown");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("just below a whole number") << 0.29 << "28%" << 14.9 << "14 pt";
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
    QVERIFY(!QFileInfo::exists(m_home->preferences.fileName())); // showing the form wrote nothing
    // Set while the form is on screen: it follows the stores.
    m_appearance->setOpacity(opacity);
    m_appearance->setFontSize(size);
    QCOMPARE(m_form->opacityLabel()->text(), opacityShown);
    QCOMPARE(m_form->fontSizeBox()->text(), sizeShown);

    // A form opened on such stored values shows them the same way, writes nothing back, and still works.
    const QByteArray stored = readFile(m_home->preferences.fileName());
    m_form.reset();
    makeForm();
    QCOMPARE(m_form->opacityLabel()->text(), opacityShown);
    QCOMPARE(m_form->fontSizeBox()->text(), sizeShown);
    QCOMPARE(readFile(m_home->preferences.fileName()), stored);
    m_form->opacitySlider()->setValue(m_form->opacitySlider()->minimum() + 1000);
    QCOMPARE(m_appearance->opacity(), 0.3);
    QCOMPARE(m_form->opacityLabel()->text(), QStringLiteral("30%"));
}

void TestSettingsView::controlsWriteTheLookAtOnce() {
    makeForm();
    // Dragged, the slider writes while it moves, not only when let go.
    QSlider* slider = m_form->opacitySlider();
    const int middle = slider->height() / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() - 3, middle));
    QTest::mouseMove(slider, QPoint(slider->width() / 2, middle));
    QVERIFY(m_appearance->opacity() > 0.2 && m_appearance->opacity() < 0.8);
    QCOMPARE(m_home->preferences.doubleValue(QStringLiteral("appearanceOpacity")), m_appearance->opacity());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, middle));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(m_appearance->opacity(), 0.2);

    m_form->fontSizeBox()->stepUp();
    QCOMPARE(m_home->preferences.doubleValue(QStringLiteral("appearanceFontSize")), 14.0);

    QComboBox* list = m_form->fontList();
    QCOMPARE(list->count(), AppearanceStore::availableFontFamilies().size());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(m_appearance->fontName(), AppearanceStore::availableFontFamilies().last());
    // A name the list does not hold (a family since removed) selects nothing and stays stored.
    m_appearance->setFontName(QStringLiteral("A family since removed"));
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(m_appearance->fontName(), QStringLiteral("A family since removed"));
}

void TestSettingsView::colourDialogRecoloursWhilePickingAndCancelRestores() {
    const QColor original = m_appearance->backgroundColor();
    const QColor picked(0x33, 0x66, 0x99);
    makeForm();
    for (const bool accept : {false, true}) {
        QTest::mouseClick(m_form->colorWell(), Qt::LeftButton);
        auto* dialog = m_form->findChild<QColorDialog*>();
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        // Typed into the dialog's own HTML field, as a user would.
        QLineEdit* html = nullptr;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
            if (edit->text().startsWith(QLatin1Char('#')))
                html = edit;
        QVERIFY(html);
        html->selectAll();
        QTest::keyClicks(html, picked.name());
        QCOMPARE(m_appearance->backgroundColor(), picked);
        QTest::keyClick(html, accept ? Qt::Key_Return : Qt::Key_Escape);
        QTRY_VERIFY(!m_form->findChild<QColorDialog*>());
        QCOMPARE(m_appearance->backgroundColor(), accept ? picked : original);
    }
}

void TestSettingsView::onlyCloseAppliesThePathAndAnArmedRecorderLeavesReturnToIt() {
    const QString inUse = m_store->filePath();
    const QString path = m_home->path(QStringLiteral("by return.txt"));
    makeForm();
    m_form->pathField()->setFocus();
    m_form->pathField()->selectAll();
    QTest::keyClicks(m_form->pathField(), path);
    QCOMPARE(m_store->filePath(), inUse); // typing changes only the form
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
