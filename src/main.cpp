#include "app/app_delegate.h"
#include "app/desktop_session.h"
#include "app/single_instance_guard.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

int main(int argc, char* argv[]) {
    // Before anything else exists: a refused start leaves no trace but the request to the running copy.
    if (!quillo::SingleInstanceGuard::acquire())
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

    quillo::AppDelegate delegate;
    QTimer::singleShot(0, &delegate, &quillo::AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
