#include "app/app_delegate.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillo"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(QUILLO_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);

    quillo::AppDelegate delegate;
    QTimer::singleShot(0, &delegate, &quillo::AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
