// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace {

/// Real stores in a temporary folder, made and destroyed in order.
struct Stores : NoteStores {
    HotKeyManager manager{x11::makeX11HotKeyBackend()};
    HotKeySettings hotKeys{home.preferences, manager};
    SettingsViewModel model;
    int closes = 0;
};

} // namespace

/// The settings form on real stores, shown in a real (offscreen) window. The dialogs are Qt's own, driven as
/// a user would.
class TestSettingsView : public QObject {
    Q_OBJECT
    void makeForm() {
        m_form.reset();
        m_form = std::make_unique<SettingsView>(m_s->notes, m_s->appearance, m_s->hotKeys, m_s->model,
                                                [this] { ++m_s->closes; });
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    std::unique_ptr<Stores> m_s;
    std::unique_ptr<SettingsView> m_form;

private slots:
    void init() { m_s = std::make_unique<Stores>(); }
    void cleanup() {
        m_form.reset();
        m_s.reset();
    }

    void valueLabels_data() {
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
    void valueLabels() {
        QFETCH(double, opacity);
        QFETCH(QString, opacityShown);
        QFETCH(double, size);
        QFETCH(QString, sizeShown);
        const QString preferences = m_s->home.preferences.fileName();
        makeForm();
        QVERIFY(!QFileInfo::exists(preferences)); // showing the form wrote nothing
        // Set while the form is on screen: it follows the stores.
        m_s->appearance.setOpacity(opacity);
        m_s->appearance.setFontSize(size);
        QCOMPARE(m_form->opacityLabel()->text(), opacityShown);
        QCOMPARE(m_form->fontSizeBox()->text(), sizeShown);

        // A form opened on such stored values shows them the same way, writes nothing back, and still works.
        const QByteArray stored = readFile(preferences);
        makeForm();
        QCOMPARE(m_form->opacityLabel()->text(), opacityShown);
        QCOMPARE(m_form->fontSizeBox()->text(), sizeShown);
        QCOMPARE(readFile(preferences), stored);
        m_form->opacitySlider()->setValue(m_form->opacitySlider()->minimum() + 1000);
        QCOMPARE(m_s->appearance.opacity(), 0.3);
        QCOMPARE(m_form->opacityLabel()->text(), QStringLiteral("30%"));
    }

    void controlsWriteTheLookAtOnce() {
        makeForm();
        // Dragged, the slider writes while it moves, not only when let go.
        QSlider* slider = m_form->opacitySlider();
        const int middle = slider->height() / 2;
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() - 3, middle));
        QTest::mouseMove(slider, QPoint(slider->width() / 2, middle));
        QVERIFY(m_s->appearance.opacity() > 0.2 && m_s->appearance.opacity() < 0.8);
        QCOMPARE(m_s->home.preferences.doubleValue(QStringLiteral("appearanceOpacity")),
                 m_s->appearance.opacity());
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, middle));

        m_form->fontSizeBox()->stepUp();
        QCOMPARE(m_s->home.preferences.doubleValue(QStringLiteral("appearanceFontSize")), 14.0);

        QComboBox* list = m_form->fontList();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(m_s->appearance.fontName(), AppearanceStore::availableFontFamilies().last());
        // A name the list does not hold (a family since removed) selects nothing and stays stored.
        m_s->appearance.setFontName(QStringLiteral("A family since removed"));
        QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(m_s->appearance.fontName(), QStringLiteral("A family since removed"));
    }

    void colourDialogRecoloursWhilePickingAndCancelRestores() {
        const QColor original = m_s->appearance.backgroundColor();
        const QColor picked(0x33, 0x66, 0x99);
        makeForm();
        for (const bool accept : {false, true}) {
            QTest::mouseClick(m_form->colorWell(), Qt::LeftButton);
            auto* dialog = m_form->findChild<QColorDialog*>();
            QVERIFY(dialog && QTest::qWaitForWindowExposed(dialog));
            // Typed into the dialog's own HTML field, as a user would.
            QLineEdit* html = nullptr;
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
                html = edit->text().startsWith(QLatin1Char('#')) ? edit : html;
            QVERIFY(html);
            html->selectAll();
            QTest::keyClicks(html, picked.name());
            QCOMPARE(m_s->appearance.backgroundColor(), picked);
            QTest::keyClick(html, accept ? Qt::Key_Return : Qt::Key_Escape);
            QTRY_VERIFY(!m_form->findChild<QColorDialog*>());
            QCOMPARE(m_s->appearance.backgroundColor(), accept ? picked : original);
        }
    }

    void returnAppliesThePathAlsoFromAnArmedRecorder() {
        const QString inUse = m_s->notes.filePath();
        const QString path = m_s->home.path(QStringLiteral("by return.txt"));
        makeForm();
        m_form->pathField()->setFocus();
        m_form->pathField()->selectAll();
        QTest::keyClicks(m_form->pathField(), path);
        QCOMPARE(m_s->notes.filePath(), inUse); // typing changes only the form
        QTest::keyClick(m_form->pathField(), Qt::Key_Return);
        QCOMPARE(m_s->closes, 1);
        QCOMPARE(m_s->notes.filePath(), path);

        // Armed, the recorder keeps a key for itself; Return alone still belongs to "Закрыть".
        QTest::mouseClick(m_form->recorder(), Qt::LeftButton);
        QVERIFY(m_form->recorder()->isRecording());
        QTest::keyClick(m_form->recorder(), Qt::Key_Return);
        QCOMPARE(m_s->closes, 2);
        QVERIFY(m_form->recorder()->isRecording());
        QCOMPARE(m_s->hotKeys.keyCode(), Shortcut::kDefaultKeyCode);
    }
};

QTEST_MAIN(TestSettingsView)
#include "test_settings_view.moc"
