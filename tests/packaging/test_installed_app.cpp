#include "quillo_process.h"
#include "x11_desktop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <memory>

using namespace quillo::test;

namespace {

/// The distinct colours the screen shows inside rect (root coordinates), read with a connection of our own.
QSet<quint32> coloursOnScreen(const QRect& rect) {
    QSet<quint32> colours;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> guard(connection, &xcb_disconnect);
    if (xcb_connection_has_error(connection))
        return colours;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const auto cookie = xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, qint16(rect.x()),
                                      qint16(rect.y()), quint16(rect.width()), quint16(rect.height()), ~0u);
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> image(
        xcb_get_image_reply(connection, cookie, nullptr), &std::free);
    if (!image || image->depth != 24)
        return colours;
    // Depth 24 comes as 32 bits a pixel on every server these tests meet: blue, green, red, padding.
    const auto* pixels = reinterpret_cast<const quint32*>(xcb_get_image_data(image.get()));
    const int count = xcb_get_image_data_length(image.get()) / 4;
    for (int i = 0; i < count; ++i)
        colours.insert(pixels[i] & 0xffffffu);
    return colours;
}

/// The program the [Desktop Entry] group's Exec key starts (its first word), or an empty string.
QString execProgram(const QString& desktopFile) {
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec=")))
            return line.mid(5).section(u' ', 0, 0);
    }
    return {};
}

} // namespace

/// Quillo as `cmake --install` lays it out in a fresh prefix: the program its desktop entry starts runs on
/// the test desktop, puts its painted icon into the tray and quits cleanly.
class TestInstalledApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void desktopEntryStartsQuilloIntoTheTray();

private:
    X11Desktop m_desktop;
    QTemporaryDir m_prefix;
};

void TestInstalledApp::initTestCase() {
    QVERIFY2(m_desktop.isConnected(), "this test needs the test desktop's X server (scripts/test-desktop)");
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(qEnvironmentVariable("CMAKE_COMMAND"),
                  {QStringLiteral("--install"), qEnvironmentVariable("QUILLO_BUILD_DIR"),
                   QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
}

void TestInstalledApp::desktopEntryStartsQuilloIntoTheTray() {
    const QDir prefix(m_prefix.path());
    const QString program =
        execProgram(prefix.filePath(QStringLiteral("share/applications/" QUILLO_APP_ID ".desktop")));
    QVERIFY2(!program.isEmpty() && !program.contains(u'/'), qPrintable(program));
    // A desktop launches Exec through PATH, on which the prefix's bin folder is.
    const QString binary = prefix.filePath(QStringLiteral("bin/") + program);
    QVERIFY2(QFileInfo(binary).isExecutable(), qPrintable(binary));
    qputenv("QUILLO_BINARY", binary.toLocal8Bit());

    QTemporaryDir home;
    QuilloProcess quillo(home.filePath(QStringLiteral("config")), home.filePath(QStringLiteral("data")));
    const int iconsBefore = int(m_desktop.trayIcons().size());
    QVERIFY(quillo.start());
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.trayIcons().size() == iconsBefore + 1, 15000);

    // A tray icon whose image failed to load is an empty square of the panel's colour: the note must show.
    const xcb_window_t icon = m_desktop.trayIcons().constLast();
    QTRY_VERIFY_WITH_TIMEOUT(coloursOnScreen(m_desktop.geometry(icon)).size() >= 3, 5000);
    QVERIFY2(!quillo.standardError().contains(QLatin1String("No Icon set")),
             qPrintable(quillo.standardError()));

    QVERIFY(quillo.terminate(SIGTERM));
    QCOMPARE(quillo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillo.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestInstalledApp)
#include "test_installed_app.moc"
