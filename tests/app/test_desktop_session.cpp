// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/desktop_session.h"

#include <QTest>

using namespace quillo;

/// Which session Quillo believes it runs in, and the Qt platform it asks for there, from the environment.
class TestDesktopSession : public QObject {
    Q_OBJECT
private slots:
    void choosesThePlatform_data() {
        QTest::addColumn<QStringList>("variables"); // NAME=value
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<QString>("platform"); // empty: Qt's own choice
        const QString xcb = QStringLiteral("xcb");
        QTest::newRow("X11 session") << QStringList{"DISPLAY=:0", "XDG_SESSION_TYPE=x11"} << false
                                     << QString();
        QTest::newRow("Wayland with Xwayland")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:1"} << true << xcb;
        QTest::newRow("Wayland by session type only")
            << QStringList{"XDG_SESSION_TYPE=wayland", "DISPLAY=:1"} << true << xcb;
        QTest::newRow("Wayland without Xwayland")
            << QStringList{"WAYLAND_DISPLAY=wayland-0"} << true << QString();
        QTest::newRow("the user chose wayland")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:1", "QT_QPA_PLATFORM=wayland"} << true
            << QString();
        QTest::newRow("an empty choice is none")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:1", "QT_QPA_PLATFORM="} << true << xcb;
        QTest::newRow("empty WAYLAND_DISPLAY in an X11 session")
            << QStringList{"WAYLAND_DISPLAY=", "DISPLAY=:0", "XDG_SESSION_TYPE=x11"} << false << QString();
    }
    void choosesThePlatform() {
        QFETCH(QStringList, variables);
        QFETCH(bool, wayland);
        QFETCH(QString, platform);
        QProcessEnvironment environment;
        for (const QString& variable : variables)
            environment.insert(variable.section(QLatin1Char('='), 0, 0),
                               variable.section(QLatin1Char('='), 1));
        QCOMPARE(DesktopSession::isWayland(environment), wayland);
        QCOMPARE(DesktopSession::preferredQtPlatform(environment),
                 platform.isEmpty() ? std::nullopt : std::optional(platform));
    }
};

QTEST_GUILESS_MAIN(TestDesktopSession)
#include "test_desktop_session.moc"
