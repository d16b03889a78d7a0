#include "quillo_process.h"
#include "x11_desktop.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quillo::test;

/// The real binary on the test desktop: it starts quietly into the tray and ends cleanly, note saved.
class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startsIntoTheTrayWithNoWindowAndQuitsOnSignals_data();
    void startsIntoTheTrayWithNoWindowAndQuitsOnSignals();

private:
    X11Desktop m_desktop;
};

void TestStartup::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
}

void TestStartup::startsIntoTheTrayWithNoWindowAndQuitsOnSignals_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestStartup::startsIntoTheTrayWithNoWindowAndQuitsOnSignals() {
    QFETCH(int, signalNumber);
    QTemporaryDir home;
    QuilloProcess quillo(home.filePath(QStringLiteral("config")), home.filePath(QStringLiteral("data")));
    const int iconsBefore = int(m_desktop.trayIcons().size());
    QVERIFY(quillo.start());

    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.trayIcons().size() == iconsBefore + 1, 15000);
    QVERIFY(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).isEmpty());
    QVERIFY(quillo.isRunning());

    QVERIFY(quillo.terminate(signalNumber));
    QCOMPARE(quillo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillo.exitCode(), 0);
    // The final save runs at every quit: the note file exists (empty) once the process is gone.
    const QString note = home.filePath(QStringLiteral("data/Quillo/notes.txt"));
    QVERIFY(QFileInfo(note).isFile());
    QCOMPARE(QFileInfo(note).size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(int(m_desktop.trayIcons().size()), iconsBefore, 5000);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
