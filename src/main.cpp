// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "session/desktop_session.h"
#include "session/single_instance_guard.h"
#include "storage/data_directory.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

/// Quillo started with its output going nowhere never ends for it: a pipe whose reader has gone makes a
/// printed line fail instead of killing Quillo before its final save, and a closed standard stream is
/// /dev/null, so that no file Quillo opens (a note being saved) takes its number and receives its lines.
void keepStandardStreamsHarmless() {
    std::signal(SIGPIPE, SIG_IGN);
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1)
            continue;
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

/// Qt's xcb platform mishandles changes of the X server's input devices, which it tracks through XInput 2,
/// and crashes: a device-changed event about a device it does not track, such as the floating touch or
/// gesture device Xwayland adds when a new virtual input device appears, is set up without a master device,
/// and the seat name of that null master is read (Qt 6.4 and 6.8 alike); and the slave devices of a master
/// device that goes away are deleted twice, once as QObject children of the master (Qt 6.8). Without
/// XInput 2 Qt tracks no devices: keys, clicks, drags and the wheel arrive as core events. Touch screens and
/// tablets then act as a mouse and touchpads scroll in wheel steps, which is all Quillo needs of them.
void avoidQtInputDeviceTracking() {
    qputenv("QT_XCB_NO_XI2", "1");
}

} // namespace

int main(int argc, char* argv[]) {
    keepStandardStreamsHarmless();
    // Before anything else exists: a refused start leaves no trace but the request to the running copy.
    const QString dataDirectory = quillo::dataDirectory();
    quillo::makePrivateFolder(dataDirectory);
    if (!quillo::SingleInstanceGuard::acquire(dataDirectory))
        return 0;

    quillo::DesktopSession::choosePlatform();
    avoidQtInputDeviceTracking();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillo"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(QUILLO_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);

    // Quillo speaks Russian whatever the locale, so Qt's own dialogs (file, colour) should too.
    QTranslator qtTranslations;
    if (qtTranslations.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);

    quillo::Application application;
    QTimer::singleShot(0, &application, &quillo::Application::launch);
    return QApplication::exec();
}
