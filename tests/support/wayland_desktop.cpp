#include "wayland_desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace quillo::test {

bool WaylandDesktop::isRunning(QString* why) {
    const QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    const QString socket = QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(display);
    QString problem;
    if (display.isEmpty() || !QFileInfo(socket).exists())
        problem = QStringLiteral("no Wayland display: this test runs inside scripts/test-wayland-desktop");
    else if (!QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.kde.KWin")))
        problem = QStringLiteral("the Wayland display is not KWin's");
    else if (!QFileInfo(qEnvironmentVariable("QUILLO_FAKE_INPUT")).isExecutable())
        problem = QStringLiteral("QUILLO_FAKE_INPUT does not name the input client");
    if (why)
        *why = problem;
    return problem.isEmpty();
}

bool WaylandDesktop::pressKeys(const QList<quint32>& evdevCodes) {
    QStringList codes;
    for (quint32 code : evdevCodes)
        codes << QString::number(code);
    return fakeInput({QStringLiteral("key"), codes.join(QLatin1Char('+'))});
}

bool WaylandDesktop::typeText(const QString& text) {
    return fakeInput({QStringLiteral("type"), text});
}

bool WaylandDesktop::click(QPoint at) {
    return fakeInput({QStringLiteral("click"), QString::number(at.x()), QString::number(at.y())});
}

bool WaylandDesktop::fakeInput(const QStringList& arguments, QString* error) {
    QProcess process;
    process.start(qEnvironmentVariable("QUILLO_FAKE_INPUT"), arguments);
    const bool ok = process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    const QString complaint = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (!ok)
        qWarning("quillo-fake-input %s failed: %s", qPrintable(arguments.join(QLatin1Char(' '))),
                 qPrintable(complaint));
    if (error)
        *error = complaint;
    return ok;
}

} // namespace quillo::test
