// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "session/command_line.h"
#include "session/desktop_session.h"
#include "session/single_instance_guard.h"
#include "storage/data_directory.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <csignal>
#include <cstdio>
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

/// Quillo speaks Russian whatever the locale, so Qt's own words (dialogs, the usage text) should too.
void installQtTranslations(QTranslator& translations) {
    if (translations.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translations);
}

/// --help, --version and a mistaken command line, answered with a QCoreApplication alone (no display needed);
/// the exit status.
int answerCommandLine(int argc, char* argv[]) {
    const QCoreApplication core(argc, argv);
    QTranslator qtTranslations;
    installQtTranslations(qtTranslations);
    const quillo::CommandLine commandLine(QCoreApplication::arguments());
    const bool mistake = commandLine.outcome() == quillo::CommandLine::Outcome::Mistake;
    std::fputs(commandLine.text().toLocal8Bit().constData(), mistake ? stderr : stdout);
    return mistake ? 2 : 0;
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
    QCoreApplication::setApplicationName(QStringLiteral("Quillo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    // Read with no application object: all but a run of Quillo ends here, and a run hands its arguments on.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const quillo::CommandLine commandLine(arguments);
    if (commandLine.outcome() != quillo::CommandLine::Outcome::Run)
        return answerCommandLine(argc, argv);
    const quillo::Request request = commandLine.request();

    // Before anything else exists: a refused start leaves no trace but the request to the running copy, and
    // --quit none at all.
    const QString dataDirectory = quillo::dataDirectory();
    if (request != quillo::Request::Quit)
        quillo::makePrivateFolder(dataDirectory);
    if (const std::optional<int> status = quillo::SingleInstanceGuard::acquire(dataDirectory, request))
        return *status;

    quillo::DesktopSession::choosePlatform();
    avoidQtInputDeviceTracking();
    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral(QUILLO_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    QTranslator qtTranslations;
    installQtTranslations(qtTranslations);

    quillo::Application application;
    QTimer::singleShot(0, &application, [&application, request] {
        application.launch();
        // --toggle with no copy running: this one starts, and the note comes up, as the toggle asked.
        if (request == quillo::Request::Toggle)
            application.showNoteWindow();
    });
    return QApplication::exec();
}
