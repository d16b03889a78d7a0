#include "app/application.h"
#include "app/note_window.h"
#include "app/settings_window.h"
#include "settings/settings_view.h"
#include "storage/notes_store.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace quillo;
using namespace std::chrono_literals;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

/// The settings window as the controller opens it from the note window's gear, launched for real on the
/// shared stores of a private folder.
class TestSettingsWindowController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void gearOpensOneWindowCentredAndSizedToTheForm();
    void everyOpeningBuildsAFreshFormAndDropsTheUnappliedPath();
    void closeButtonDropsTheEditAndCloseButtonOfTheFormAppliesIt();
    void escapeInTheSettingsLeavesTheNoteWindowAlone();

private:
    SettingsWindow* openByGear();
    SettingsView* form() const;
    void typePath(const QString& path);

    QTemporaryDir m_home;
    std::unique_ptr<Application> m_delegate;
    SettingsWindow* m_window = nullptr;
};

void TestSettingsWindowController::initTestCase() {
    QVERIFY(m_home.isValid());
    // Before any shared store exists: they live in this test's own folders.
    qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
    m_delegate = std::make_unique<Application>();
    m_delegate->launch();
    m_delegate->showNoteWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_delegate->noteWindow()));
}

void TestSettingsWindowController::init() {
    // The note window in front, the settings off screen, before each case.
    if (m_window)
        m_window->hide();
    m_delegate->showNoteWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_delegate->noteWindow()));
}

SettingsWindow* TestSettingsWindowController::openByGear() {
    auto* gear = m_delegate->noteWindow()->findChild<QToolButton*>(QStringLiteral("settingsButton"));
    if (!gear)
        return nullptr;
    QTest::mouseClick(gear, Qt::LeftButton);
    SettingsWindow* found = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* settings = qobject_cast<SettingsWindow*>(window))
            found = settings;
    if (!found || !QTest::qWaitForWindowActive(found))
        return nullptr;
    return found;
}

SettingsView* TestSettingsWindowController::form() const {
    return qobject_cast<SettingsView*>(m_window->content());
}

void TestSettingsWindowController::typePath(const QString& path) {
    m_window->activateWindow();
    form()->pathField()->setFocus();
    form()->pathField()->selectAll();
    QTest::keyClicks(form()->pathField(), path);
}

void TestSettingsWindowController::gearOpensOneWindowCentredAndSizedToTheForm() {
    const QRect noteFrame = m_delegate->noteWindow()->geometry();
    m_window = openByGear();
    QVERIFY(m_window);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Настройки"));
    QVERIFY(form());
    QCOMPARE(m_window->size(), form()->size());
    QCOMPARE(m_window->width(), 440);
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize()); // not resizable
    // Centred, give or take the frame, whose size is not known before the window is first shown.
    const QPoint offCentre =
        m_window->frameGeometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    const QSize frame = m_window->frameGeometry().size() - m_window->size();
    QVERIFY2(qAbs(offCentre.x()) <= frame.width() && qAbs(offCentre.y()) <= frame.height(),
             qPrintable(QStringLiteral("%1, %2 off centre").arg(offCentre.x()).arg(offCentre.y())));
    // Opening the settings neither hides nor moves the note window.
    QVERIFY(m_delegate->noteWindow()->isVisible());
    QCOMPARE(m_delegate->noteWindow()->geometry(), noteFrame);

    // Moved and closed, it comes back as the same window where it was left.
    m_window->move(m_window->pos() + QPoint(-70, 50));
    const QPoint left = m_window->pos();
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
    SettingsWindow* const first = m_window;
    m_window = openByGear();
    QCOMPARE(m_window, first);
    QCOMPARE(m_window->pos(), left);
}

void TestSettingsWindowController::everyOpeningBuildsAFreshFormAndDropsTheUnappliedPath() {
    m_window = openByGear();
    QVERIFY(m_window);
    const QPointer<SettingsView> before = form();
    typePath(QStringLiteral("/tmp/typed but not applied.txt"));

    // The gear again, the window still on screen: a new form shows the path in use.
    QVERIFY(openByGear() == m_window);
    QVERIFY(!before);
    QTRY_COMPARE(form()->pathField()->text(), (*m_delegate->notesStore()).filePath());
    QCOMPARE(m_window->findChildren<SettingsView*>().size(), 1);
}

void TestSettingsWindowController::closeButtonDropsTheEditAndCloseButtonOfTheFormAppliesIt() {
    const QString inUse = (*m_delegate->notesStore()).filePath();
    m_window = openByGear();
    QVERIFY(m_window);
    typePath(m_home.filePath(QStringLiteral("dropped.txt")));
    QVERIFY(m_window->close()); // the title bar's close button
    QVERIFY(!m_window->isVisible());
    QCOMPARE((*m_delegate->notesStore()).filePath(), inUse);
    QVERIFY(openByGear());
    QTRY_COMPARE(form()->pathField()->text(), inUse);

    // "Закрыть" applies what the field holds: the text typed a moment ago goes to the old file.
    (*m_delegate->notesStore()).setText(QStringLiteral("typed just before the switch"));
    const QString chosen = m_home.filePath(QStringLiteral("chosen.txt"));
    typePath(chosen);
    QTest::mouseClick(form()->closeButton(), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QCOMPARE((*m_delegate->notesStore()).filePath(), chosen);
    QCOMPARE((*m_delegate->notesStore()).text(), QString());
    QVERIFY((*m_delegate->notesStore()).waitForWrites(10s));
    QCOMPARE(readFile(inUse), QByteArray("typed just before the switch"));
    QVERIFY(!QFileInfo::exists(chosen));
    (*m_delegate->notesStore()).setFilePath(inUse);
}

void TestSettingsWindowController::escapeInTheSettingsLeavesTheNoteWindowAlone() {
    m_window = openByGear();
    QVERIFY(m_window);
    QVERIFY(m_delegate->noteWindow()->isVisible());
    QTest::keyClick(m_window->windowHandle(), Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_delegate->noteWindow()->isVisible());

    // Escape in the note window still hides it.
    m_delegate->showNoteWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_delegate->noteWindow()));
    QTest::keyClick(m_delegate->noteWindow()->windowHandle(), Qt::Key_Escape);
    QVERIFY(!m_delegate->noteWindow()->isVisible());
}

QTEST_MAIN(TestSettingsWindowController)
#include "test_settings_window_controller.moc"
