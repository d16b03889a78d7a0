// quillo-status-notifier-watcher: the tray registry a panel would provide, for test desktops without one.
// Prints each registration on standard output.

#include "status_notifier_watcher.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quillo::test::StatusNotifierWatcher watcher;
    if (!watcher.publish()) {
        std::fputs("quillo-status-notifier-watcher: cannot own org.kde.StatusNotifierWatcher\n", stderr);
        return 1;
    }
    return app.exec();
}
