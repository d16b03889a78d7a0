// SPDX-License-Identifier: GPL-3.0-or-later
#include "single_instance_guard.h"

#include "session_log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillo {
namespace {

const QString kInterface = QStringLiteral(QUILLO_APP_ID);
const QString kPath = QStringLiteral("/");
const QString kActivate = QStringLiteral("activateRequest");
const QString kCommand = QStringLiteral("commandRequest");
const QString kDone = QStringLiteral("commandDone");
constexpr int kBusTimeoutMs = 2000;
constexpr int kQuitWaitSeconds = 5;
constexpr unsigned long kLockPollMs = 20;

QString nameOf(Request request) {
    switch (request) {
    case Request::Show:
        return QStringLiteral("show");
    case Request::Toggle:
        return QStringLiteral("toggle");
    case Request::Quit:
        return QStringLiteral("quit");
    }
    Q_UNREACHABLE();
}

std::optional<Request> requestNamed(const QString& name) {
    for (const Request request : {Request::Show, Request::Toggle, Request::Quit}) {
        if (nameOf(request) == name)
            return request;
    }
    return std::nullopt;
}

/// Receives the requests of later starts for as long as its parent lives.
class ActivationListener final : public QObject {
    Q_OBJECT
public:
    explicit ActivationListener(std::function<void(Request)> handler)
        : m_handler(std::move(handler)) {}

public slots:
    void activateRequest() { m_handler(Request::Show); }

    void commandRequest(const QString& name, const QDBusMessage& message) {
        const std::optional<Request> request = requestNamed(name);
        if (!request) {
            qCInfo(lcSession) << "a request not understood, ignored:" << name;
            return;
        }
        m_handler(*request);
        QDBusMessage done = QDBusMessage::createTargetedSignal(message.service(), kPath, kInterface, kDone);
        done << name;
        QDBusConnection::sessionBus().send(done);
    }

private:
    std::function<void(Request)> m_handler;
};

/// Listens, from its making, for the running copy's answer to one commandRequest.
class AnswerWaiter final : public QObject {
    Q_OBJECT
public:
    AnswerWaiter(QDBusConnection& bus, QString name)
        : m_name(std::move(name)) {
        bus.connect(QString(), kPath, kInterface, kDone, this, SLOT(commandDone(QString)));
    }

    /// True once the answer has come; false when it has not within the bound.
    bool wait(int timeoutMs) {
        QTimer::singleShot(timeoutMs, &m_loop, &QEventLoop::quit);
        if (!m_answered)
            m_loop.exec();
        return m_answered;
    }

public slots:
    void commandDone(const QString& name) {
        if (name != m_name)
            return;
        m_answered = true;
        m_loop.quit();
    }

private:
    QString m_name;
    QEventLoop m_loop;
    bool m_answered = false;
};

enum class Lock { Taken, HeldElsewhere, Unavailable };

Lock tryLock(int fd) {
    int locked = 0;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked == 0)
        return Lock::Taken;
    return errno == EWOULDBLOCK ? Lock::HeldElsewhere : Lock::Unavailable;
}

/// Once the lock can be had: the copy that held it has ended. False when it has not within the bound.
bool waitForRelease(int fd, int timeoutSeconds) {
    const QDeadlineTimer deadline(std::chrono::seconds{timeoutSeconds});
    while (tryLock(fd) != Lock::Taken) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kLockPollMs);
    }
    return true;
}

/// A line for whoever ran the command, and the exit status of a request not carried out.
int fail(const QString& reason) {
    std::fprintf(stderr, "quillo: %s\n", qPrintable(reason));
    return 1;
}

/// The bus handles a connection's messages in order: once this call is answered, what was sent has gone out.
void waitUntilSent(QDBusConnection& bus) {
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    bus.call(ping, QDBus::Block, kBusTimeoutMs);
}

/// Asks the copy that holds the lock on `lockFile` for `request`; the exit status of this start.
int handOver(Request request, int lockFile) {
    // The refused copy has no application object of its own; QtDBus needs a core application to run on.
    int argc = 1;
    char name[] = "quillo";
    char* argv[] = {name, nullptr};
    const QCoreApplication core(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString option = QStringLiteral("--") + nameOf(request);
    if (!bus.isConnected()) {
        if (request != Request::Show)
            return fail(
                QStringLiteral("нет сеансовой шины D-Bus: работающему Quillo не передать %1").arg(option));
        qCInfo(lcSession) << "no session bus: the running copy cannot be asked to show its note";
        return 0;
    }
    if (request == Request::Show) {
        bus.send(QDBusMessage::createSignal(kPath, kInterface, kActivate));
        waitUntilSent(bus);
        return 0;
    }
    QDBusMessage command = QDBusMessage::createSignal(kPath, kInterface, kCommand);
    command << nameOf(request);
    if (request == Request::Toggle) {
        AnswerWaiter answer(bus, nameOf(request));
        bus.send(command);
        return answer.wait(kBusTimeoutMs)
                   ? 0
                   : fail(QStringLiteral("работающий Quillo не ответил на %1").arg(option));
    }
    bus.send(command);
    waitUntilSent(bus);
    if (!waitForRelease(lockFile, kQuitWaitSeconds))
        return fail(QStringLiteral("работающий Quillo не завершился за %1 с после %2")
                        .arg(kQuitWaitSeconds)
                        .arg(option));
    return 0;
}

} // namespace

std::optional<int> SingleInstanceGuard::acquire(const QString& dataDirectory, Request request) {
    const QByteArray path = QFile::encodeName(dataDirectory + QStringLiteral("/.quillo.lock"));
    // Opened without truncation: the file is never written, only locked. Quit creates nothing: where there is
    // no lock file, no copy runs.
    const int flags = request == Request::Quit ? O_WRONLY | O_CLOEXEC : O_WRONLY | O_CREAT | O_CLOEXEC;
    const int fd = ::open(path.constData(), flags, 0600);
    if (fd < 0 && request == Request::Quit)
        return 0;
    if (fd < 0) {
        qCInfo(lcSession) << "lock file unusable, running without single-instance protection:" << path;
        return std::nullopt;
    }
    const Lock lock = tryLock(fd);
    const int error = errno;
    if (lock == Lock::HeldElsewhere) {
        const int status = handOver(request, fd);
        ::close(fd);
        return status;
    }
    if (request == Request::Quit) {
        // No copy to quit: none holds the lock, or none can, as it cannot be had at all. Let go of it again.
        ::close(fd);
        return 0;
    }
    if (lock == Lock::Unavailable) {
        ::close(fd);
        // Network and FUSE home folders can refuse locks altogether (ENOLCK): that is no other copy.
        qCInfo(lcSession) << "lock unavailable, running without single-instance protection:" << path
                          << std::strerror(error);
    }
    // Taken: the descriptor stays open, and the lock held, until the process ends, which releases both.
    return std::nullopt;
}

void SingleInstanceGuard::observeActivationRequests(QObject* receiver, std::function<void(Request)> handler) {
    auto* listener = new ActivationListener(std::move(handler));
    listener->setParent(receiver);
    QDBusConnection bus = QDBusConnection::sessionBus();
    // activateRequest last: bench_startup takes that subscription for the end of the launch.
    const bool connected =
        bus.connect(QString(), kPath, kInterface, kCommand, listener,
                    SLOT(commandRequest(QString, QDBusMessage))) &&
        bus.connect(QString(), kPath, kInterface, kActivate, listener, SLOT(activateRequest()));
    if (!connected)
        qCInfo(lcSession) << "not listening for activation requests: no session bus";
}

} // namespace quillo

#include "single_instance_guard.moc"
