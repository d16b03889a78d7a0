// SPDX-License-Identifier: GPL-3.0-or-later
#include "single_instance_guard.h"

#include "session_log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QObject>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillo {
namespace {

const QString kInterface = QStringLiteral(QUILLO_APP_ID);
const QString kMember = QStringLiteral("activateRequest");
const QString kPath = QStringLiteral("/");
constexpr int kBusTimeoutMs = 2000;

/// Receives the activation requests for as long as its parent lives.
class ActivationListener final : public QObject {
    Q_OBJECT
public:
    explicit ActivationListener(std::function<void()> handler)
        : m_handler(std::move(handler)) {}

public slots:
    void activateRequest() { m_handler(); }

private:
    std::function<void()> m_handler;
};

void postActivationRequest() {
    // The refused copy has no application object of its own; QtDBus needs a core application to run on.
    int argc = 1;
    char name[] = "quillo";
    char* argv[] = {name, nullptr};
    const QCoreApplication core(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcSession) << "no session bus: the running copy cannot be asked to show its note";
        return;
    }
    bus.send(QDBusMessage::createSignal(kPath, kInterface, kMember));
    // The bus handles a connection's messages in order: once this call is answered, the signal has gone out.
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    bus.call(ping, QDBus::Block, kBusTimeoutMs);
}

} // namespace

bool SingleInstanceGuard::acquire(const QString& dataDirectory) {
    const QByteArray path = QFile::encodeName(dataDirectory + QStringLiteral("/.quillo.lock"));
    // Opened without truncation: the file is never written, only locked.
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        qCInfo(lcSession) << "lock file unusable, running without single-instance protection:" << path;
        return true;
    }
    int locked = 0;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            postActivationRequest();
            return false;
        }
        // Network and FUSE home folders can refuse locks altogether (ENOLCK): that is no other copy.
        qCInfo(lcSession) << "lock unavailable, running without single-instance protection:" << path
                          << std::strerror(error);
        return true;
    }
    // The descriptor stays open, and the lock held, until the process ends; the system releases both then.
    return true;
}

void SingleInstanceGuard::observeActivationRequests(QObject* receiver, std::function<void()> handler) {
    auto* listener = new ActivationListener(std::move(handler));
    listener->setParent(receiver);
    const bool connected = QDBusConnection::sessionBus().connect(QString(), kPath, kInterface, kMember,
                                                                 listener, SLOT(activateRequest()));
    if (!connected)
        qCInfo(lcSession) << "not listening for activation requests: no session bus";
}

} // namespace quillo

#include "single_instance_guard.moc"
