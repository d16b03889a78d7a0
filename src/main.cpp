#include "app/application.h"
#include "session/desktop_session.h"
#include "session/single_instance_guard.h"
#include "storage/data_directory.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

int main(int argc, char* argv[]) {
    // Before anything else exists: a refused start leaves no trace but the request to the running copy.
    const QString dataDirectory = quillo::dataDirectory();
    quillo::makePrivateFolder(dataDirectory);
    if (!quillo::SingleInstanceGuard::acquire(dataDirectory))
        return 0;

    quillo::DesktopSession::choosePlatform();
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
