// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_files.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

/// The atomic write, exercised in a real process that is killed in the middle of saves.
class TestTermination : public QObject {
    Q_OBJECT
private slots:
    void killedMidSaveLeavesOneCompleteNote() {
        const QString probe = qEnvironmentVariable("QUILLO_TEST_HELPERS") + QStringLiteral("/app/note_probe");
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("notes.txt"));
        const QRegularExpression header(QStringLiteral("^generation (\\d+) length (\\d+)\n"));
        int checked = 0;
        QElapsedTimer budget;
        budget.start();
        for (int round = 0; round < 40 && budget.elapsed() < 60000; ++round) {
            QProcess process;
            process.start(probe, {path});
            QVERIFY2(process.waitForReadyRead(10000), qPrintable(probe));
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
};

QTEST_GUILESS_MAIN(TestTermination)
#include "test_termination.moc"
