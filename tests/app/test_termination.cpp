#include "test_files.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

/// The termination path and the atomic write, exercised in real processes that are signalled and killed.
class TestTermination : public QObject {
    Q_OBJECT
private slots:
    void signalDuringTheSaveDelayStillSaves_data();
    void signalDuringTheSaveDelayStillSaves();
    void killedMidSaveLeavesOneCompleteNote();

private:
    static QString probe() {
        return qEnvironmentVariable("QUILLO_TEST_HELPERS") + QStringLiteral("/app/note_probe");
    }
};

void TestTermination::signalDuringTheSaveDelayStillSaves_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestTermination::signalDuringTheSaveDelayStillSaves() {
    QFETCH(int, signalNumber);
    QTemporaryDir home;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(probe(), {QStringLiteral("terminate"), QString::number(signalNumber)});
    QVERIFY2(process.waitForStarted(10000), qPrintable(probe()));
    QVERIFY2(process.waitForFinished(20000), "the termination path did not finish");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    QCOMPARE(
        QString::fromUtf8(quillo::test::readFile(home.filePath(QStringLiteral("data/Quillo/notes.txt")))),
        QStringLiteral("typed just before the end ✓"));
}

void TestTermination::killedMidSaveLeavesOneCompleteNote() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("notes.txt"));
    const QRegularExpression header(QStringLiteral("^generation (\\d+) length (\\d+)\n"));
    int checked = 0;
    QElapsedTimer budget;
    budget.start();
    for (int round = 0; round < 40 && budget.elapsed() < 60000; ++round) {
        QProcess process;
        process.start(probe(), {QStringLiteral("stream"), path});
        QVERIFY(process.waitForReadyRead(10000));
        QTest::qWait(20 + QRandomGenerator::global()->bounded(300));
        process.kill();
        QVERIFY(process.waitForFinished(10000));

        if (!QFileInfo::exists(path))
            continue; // killed before the first rename: nothing to check, nothing lost
        const QByteArray bytes = quillo::test::readFile(path);
        const auto match = header.match(QString::fromLatin1(bytes.left(64)));
        QVERIFY2(match.hasMatch(), "the note does not start with a whole header");
        const int n = match.captured(1).toInt();
        const qsizetype length = match.captured(2).toLongLong();
        const QByteArray body = bytes.mid(match.capturedLength(0));
        QCOMPARE(body.size(), length);
        QCOMPARE(body.count(char('a' + n % 26)), length);
        ++checked;
    }
    QVERIFY2(checked >= 10, "too few rounds reached a saved note to mean anything");
}

QTEST_GUILESS_MAIN(TestTermination)
#include "test_termination.moc"
