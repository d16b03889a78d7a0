// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the quillo binary on the desktop this runs in (scripts/test-desktop or
// scripts/test-wayland-desktop), against a baseline binary started the same way in the same run, the two
// alternating. Two moments are taken from the session bus as dbus-monitor sees it, so that neither binary
// needs to say anything itself: the tray item's registration with the panel (the first step of the launch)
// and the subscription to activation requests (its last step, after the hotkey has been asked for).
//
//   bench_startup [rounds]    with QUILLO_BINARY and QUILLO_BASELINE_BINARY set
//
// Prints the median milliseconds from process start to each moment, for both binaries, and their ratio.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

double nowSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

/// The tray registrations and subscriptions on the session bus, with the monitor's time of each.
class BusMonitor final {
public:
    BusMonitor() {
        m_process.start(
            QStringLiteral("dbus-monitor"),
            {QStringLiteral("--session"),
             QStringLiteral("type='method_call',member='RegisterStatusNotifierItem'"),
             QStringLiteral("type='method_call',interface='org.freedesktop.DBus',member='AddMatch'"),
             QStringLiteral("type='method_call',interface='org.freedesktop.DBus.Peer',member='Ping'")});
    }
    ~BusMonitor() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool waitUntilWatching() {
        return QTest::qWaitFor(
            [this] {
                QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                    QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
                read();
                return m_text.contains(QLatin1String("member=Ping"));
            },
            10000);
    }
    /// When the process registered its tray item (Qt's tray icon does so from a connection of its own).
    std::optional<double> trayRegistered(qint64 pid) {
        read();
        static const QRegularExpression call(
            QStringLiteral("time=([0-9.]+) sender=(\\S+) .*member=RegisterStatusNotifierItem\\n"));
        for (auto it = call.globalMatch(m_text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (pidOf(match.captured(2)) == pid)
                return match.captured(1).toDouble();
        }
        return std::nullopt;
    }
    /// When the process subscribed to activation requests.
    std::optional<double> activationObserved(qint64 pid) {
        read();
        static const QRegularExpression call(QStringLiteral(
            "time=([0-9.]+) sender=(\\S+) .*member=AddMatch\\n\\s+string \"[^\"]*activateRequest"));
        for (auto it = call.globalMatch(m_text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (pidOf(match.captured(2)) == pid)
                return match.captured(1).toDouble();
        }
        return std::nullopt;
    }

private:
    void read() { m_text += QString::fromUtf8(m_process.readAllStandardOutput()); }
    qint64 pidOf(const QString& sender) {
        if (!m_pids.contains(sender))
            m_pids.insert(sender, QDBusConnection::sessionBus().interface()->servicePid(sender).value());
        return m_pids.value(sender);
    }

    QProcess m_process;
    QString m_text;
    QHash<QString, qint64> m_pids;
};

struct Sample {
    double trayMs = 0;
    double launchedMs = 0;
};

std::optional<Sample> startOnce(BusMonitor& monitor, const QString& binary) {
    QTemporaryDir home;
    QProcess quillo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    // The same platform for both: an earlier build would not pick Xwayland by itself.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (environment.contains(QStringLiteral("DISPLAY")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    quillo.setProcessEnvironment(environment);
    const double started = nowSeconds();
    quillo.start(binary, {});
    if (!quillo.waitForStarted(10000))
        return std::nullopt;
    std::optional<double> tray;
    std::optional<double> launched;
    const bool up = QTest::qWaitFor(
        [&] {
            if (!tray)
                tray = monitor.trayRegistered(quillo.processId());
            if (!launched)
                launched = monitor.activationObserved(quillo.processId());
            return tray && launched;
        },
        15000);
    ::kill(pid_t(quillo.processId()), SIGTERM);
    quillo.waitForFinished(15000);
    if (!up || !tray || !launched)
        return std::nullopt;
    return Sample{(*tray - started) * 1000, (*launched - started) * 1000};
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const QString current = qEnvironmentVariable("QUILLO_BINARY");
    const QString baseline = qEnvironmentVariable("QUILLO_BASELINE_BINARY");
    if (current.isEmpty() || baseline.isEmpty()) {
        std::fputs("bench_startup: set QUILLO_BINARY and QUILLO_BASELINE_BINARY\n", stderr);
        return 2;
    }
    const bool portal = QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.portal.Desktop"));
    BusMonitor monitor;
    if (!monitor.waitUntilWatching()) {
        std::fputs("bench_startup: dbus-monitor sees nothing\n", stderr);
        return 1;
    }
    std::vector<double> tray[2];
    std::vector<double> launched[2];
    const QString binaries[2] = {baseline, current};
    startOnce(monitor, current); // caches warm for both
    for (int round = 0; round < rounds; ++round)
        for (int i = 0; i < 2; ++i) {
            const int which = (round + i) % 2;
            const std::optional<Sample> sample = startOnce(monitor, binaries[which]);
            if (!sample) {
                std::fprintf(stderr, "bench_startup: %s did not come up\n", qPrintable(binaries[which]));
                return 1;
            }
            tray[which].push_back(sample->trayMs);
            launched[which].push_back(sample->launchedMs);
        }
    std::printf("session %s, portal %s, %d rounds, median ms from process start\n",
                qPrintable(qEnvironmentVariable("XDG_SESSION_TYPE")), portal ? "present" : "absent", rounds);
    std::printf("%-28s %10s %10s %8s\n", "", "baseline", "current", "ratio");
    std::printf("%-28s %10.1f %10.1f %8.2f\n", "tray item registered", median(tray[0]), median(tray[1]),
                median(tray[1]) / median(tray[0]));
    std::printf("%-28s %10.1f %10.1f %8.2f\n", "launch sequence finished", median(launched[0]),
                median(launched[1]), median(launched[1]) / median(launched[0]));
    return 0;
}
