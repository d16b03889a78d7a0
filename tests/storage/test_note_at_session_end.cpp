// The real quillo binary on an X server of the test's own, which goes away 0.2 s after the last key, as when
// a session ends without a session manager or Xwayland crashes.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestNoteAtSessionEnd : public QObject {
    Q_OBJECT
private slots:
    void typingIsSavedWhenTheDisplayDies_data();
    void typingIsSavedWhenTheDisplayDies();

private:
    QString xdotool(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(QStringLiteral("xdotool"), arguments);
        process.waitForFinished(10000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    QProcessEnvironment m_environment;
};

void TestNoteAtSessionEnd::typingIsSavedWhenTheDisplayDies_data() {
    QTest::addColumn<QByteArray>("note");
    QTest::addColumn<bool>("outputGoesNowhere"); // standard output: a pipe whose reader has exited
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("typed after the note")
        << QByteArray("already here\n") << false << QByteArray("already here\nfirst second");
    // The first save moves the cut-off note aside and says so on the broken pipe; Quillo must live on.
    QTest::newRow("output goes nowhere") << QByteArray("abc\xE2\x82") << true << QByteArray("first second");
}

void TestNoteAtSessionEnd::typingIsSavedWhenTheDisplayDies() {
    QFETCH(QByteArray, note);
    QFETCH(bool, outputGoesNowhere);
    QFETCH(QByteArray, saved);
    QTemporaryDir home;
    const QString notePath = home.filePath(QStringLiteral("data/Quillo/notes.txt"));
    QVERIFY(QDir().mkpath(QFileInfo(notePath).absolutePath()));
    QFile file(notePath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(note) == note.size());
    file.close();

    QProcess server;
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY2(server.waitForReadyRead(15000), "Xvfb did not start");
    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert(QStringLiteral("DISPLAY"),
                         QLatin1Char(':') + QString::fromLatin1(server.readAll().trimmed()));
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    m_environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    m_environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                         QStringLiteral("unix:path=/nonexistent"));
    m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));

    QProcess quillo;
    quillo.setProcessEnvironment(m_environment);
    const QString binary = qEnvironmentVariable("QUILLO_BINARY");
    if (outputGoesNowhere)
        quillo.start(QStringLiteral("bash"),
                     {QStringLiteral("-c"), QStringLiteral("exec \"$0\" > >(true)"), binary});
    else
        quillo.start(binary);
    QVERIFY(quillo.waitForStarted(10000));

    // No window manager, no tray: the hotkey shows the note, once Quillo has taken it.
    bool shown = false;
    for (int attempt = 0; attempt < 20 && !shown; ++attempt) {
        xdotool({QStringLiteral("key"), QStringLiteral("super+Escape")});
        shown = QTest::qWaitFor(
            [&] {
                return xdotool({QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")}) ==
                       "Quillo";
            },
            1500);
    }
    QVERIFY2(shown, "the note window did not take the keyboard");
    xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("first")});
    QTRY_VERIFY_WITH_TIMEOUT(readFile(notePath).endsWith("first"), 10000);
    xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral(" second")});
    QTest::qWait(200);
    server.kill();
    QVERIFY(server.waitForFinished(10000));

    QVERIFY2(quillo.state() == QProcess::NotRunning || quillo.waitForFinished(20000),
             "Quillo did not end with its display");
    QCOMPARE(quillo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(readFile(notePath), saved);
    if (outputGoesNowhere) {
        const QStringList aside =
            QDir(QFileInfo(notePath).absolutePath()).entryList({QStringLiteral("notes.txt.unreadable-*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readFile(QFileInfo(notePath).absolutePath() + QLatin1Char('/') + aside.first()), note);
    }
}

QTEST_GUILESS_MAIN(TestNoteAtSessionEnd)
#include "test_note_at_session_end.moc"
