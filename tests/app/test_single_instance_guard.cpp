#include "session/single_instance_guard.h"
#include "storage/data_directory.h"

#include "quillo_process.h"
#include "scoped_tmpfs.h"
#include "test_keymap.h"
#include "x11_desktop.h"
#include "x11_other_client.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

using namespace quillo;
using namespace quillo::test;

/// One copy per user, with real processes of the real binary on the test desktop and its session bus.
class TestSingleInstanceGuard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void firstStartCreatesAnEmptyLockFileThatOutlivesIt();
    void secondStartExitsAtOnceAndShowsTheRunningCopysNote();
    void tenSimultaneousStartsLeaveOneCopy();
    void staleLockOfAKilledCopyIsTaken();
    void unusableLockPathLetsQuilloRun_data();
    void unusableLockPathLetsQuilloRun();
    void withoutASessionBusASecondStartStillExits();
    void eachRequestCallsTheHandlerOnce();

private:
    std::unique_ptr<QuilloProcess> quillo() {
        return std::make_unique<QuilloProcess>(m_home->filePath(QStringLiteral("config")),
                                               m_home->filePath(QStringLiteral("data")));
    }
    QString lockPath() const { return m_home->filePath(QStringLiteral("data/Quillo/.quillo.lock")); }
    bool waitForTrayIcons(int count) {
        return QTest::qWaitFor([&] { return m_desktop.trayIcons().size() == count; }, 15000);
    }

    X11Desktop m_desktop;
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestSingleInstanceGuard::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QVERIFY2(QFileInfo(QuilloProcess::binaryPath()).isExecutable(), "QUILLO_BINARY is not set");
}

void TestSingleInstanceGuard::init() {
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(waitForTrayIcons(0));
}

void TestSingleInstanceGuard::firstStartCreatesAnEmptyLockFileThatOutlivesIt() {
    QVERIFY(!QFileInfo::exists(lockPath()));
    auto first = quillo();
    QVERIFY(first->start());
    QVERIFY(waitForTrayIcons(1));
    QVERIFY(QFileInfo(lockPath()).isFile());
    QVERIFY(first->terminate(SIGTERM));
    QCOMPARE(first->exitCode(), 0);
    QVERIFY(QFileInfo(lockPath()).isFile());
    QCOMPARE(QFileInfo(lockPath()).size(), 0);
}

void TestSingleInstanceGuard::secondStartExitsAtOnceAndShowsTheRunningCopysNote() {
    auto first = quillo();
    QVERIFY(first->start());
    QVERIFY(waitForTrayIcons(1));
    // The tray icon comes first in the launch and the listening for later starts last: once the hotkey,
    // taken just before, is held, a request can no longer arrive unheard.
    QTRY_VERIFY_WITH_TIMEOUT(!X11OtherClient::canGrab(kEscapeKey, {kSuper}), 15000);
    QVERIFY(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).isEmpty());

    for (int round = 0; round < 2; ++round) { // hidden first, then already shown: shown both times
        auto second = quillo();
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(second->start());
        QVERIFY(second->waitForExit(5000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        qInfo("second start exited after %lld ms", elapsed.elapsed());
        QTRY_COMPARE_WITH_TIMEOUT(m_desktop.viewableWindowsNamed(QStringLiteral("Quillo")).size(), 1, 5000);
        QCOMPARE(m_desktop.trayIcons().size(), 1); // nothing of its own
    }
    QVERIFY(first->isRunning());
    QVERIFY(first->terminate(SIGTERM));
}

void TestSingleInstanceGuard::tenSimultaneousStartsLeaveOneCopy() {
    std::vector<std::unique_ptr<QuilloProcess>> copies;
    for (int i = 0; i < 10; ++i)
        copies.push_back(quillo());
    for (auto& copy : copies)
        QVERIFY(copy->start());

    QVERIFY(QTest::qWaitFor(
        [&] {
            return std::count_if(copies.begin(), copies.end(), [](auto& c) { return c->isRunning(); }) == 1;
        },
        30000));
    for (auto& copy : copies) {
        if (!copy->isRunning()) {
            QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
            QCOMPARE(copy->exitCode(), 0);
        }
    }
    QVERIFY(waitForTrayIcons(1));
    for (auto& copy : copies)
        QVERIFY(copy->terminate(SIGTERM));
}

void TestSingleInstanceGuard::staleLockOfAKilledCopyIsTaken() {
    auto first = quillo();
    QVERIFY(first->start());
    QVERIFY(waitForTrayIcons(1));
    QVERIFY(first->terminate(SIGKILL));
    QVERIFY(waitForTrayIcons(0));

    auto next = quillo();
    QVERIFY(next->start());
    QVERIFY(waitForTrayIcons(1));
    QVERIFY(next->isRunning());
    QVERIFY(next->terminate(SIGTERM));
    QCOMPARE(next->exitCode(), 0);
}

void TestSingleInstanceGuard::unusableLockPathLetsQuilloRun_data() {
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("folder where the lock file belongs") << QStringLiteral("folder");
    QTest::newRow("read-only data folder") << QStringLiteral("read-only");
}

void TestSingleInstanceGuard::unusableLockPathLetsQuilloRun() {
    QFETCH(QString, obstacle);
    std::unique_ptr<ScopedTmpfs> readOnly;
    if (obstacle == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(lockPath()));
    } else {
        readOnly = std::make_unique<ScopedTmpfs>(64 * 1024);
        QVERIFY2(readOnly->isMounted(), qPrintable(readOnly->errorString()));
        QVERIFY(QDir().mkpath(m_home->filePath(QStringLiteral("data"))));
        QVERIFY(QFile::link(readOnly->path(), m_home->filePath(QStringLiteral("data/Quillo"))));
        QVERIFY2(readOnly->remountReadOnly(), qPrintable(readOnly->errorString()));
    }
    auto unguarded = quillo();
    QVERIFY(unguarded->start());
    QVERIFY(waitForTrayIcons(1));
    QVERIFY(unguarded->isRunning());
    QVERIFY(unguarded->terminate(SIGTERM));
}

void TestSingleInstanceGuard::withoutASessionBusASecondStartStillExits() {
    auto first = quillo();
    auto second = quillo();
    for (auto* copy : {first.get(), second.get()})
        copy->environment().insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                                   QStringLiteral("unix:path=/nonexistent/bus"));
    QVERIFY(first->start());
    QVERIFY(waitForTrayIcons(1));
    QVERIFY(second->start());
    QVERIFY2(second->waitForExit(5000), "a refused start without a bus must not hang");
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(first->isRunning());
    QVERIFY(first->terminate(SIGTERM));
    QCOMPARE(first->exitCode(), 0);
}

void TestSingleInstanceGuard::eachRequestCallsTheHandlerOnce() {
    // This process takes the lock itself, then counts what three refused starts of the binary ask of it.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("data"))));
    makePrivateFolder(dataDirectory());
    QVERIFY(SingleInstanceGuard::acquire(dataDirectory()));
    int requests = 0;
    QObject receiver;
    SingleInstanceGuard::observeActivationRequests(&receiver, [&requests] { ++requests; });

    for (int i = 0; i < 3; ++i) {
        auto refused = quillo();
        QVERIFY(refused->start());
        QVERIFY(refused->waitForExit(5000));
        QCOMPARE(refused->exitCode(), 0);
    }
    QTRY_COMPARE_WITH_TIMEOUT(requests, 3, 5000);
    QTest::qWait(300);
    QCOMPARE(requests, 3);
    QCOMPARE(m_desktop.trayIcons().size(), 0);
}

QTEST_GUILESS_MAIN(TestSingleInstanceGuard)
#include "test_single_instance_guard.moc"
