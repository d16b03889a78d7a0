// SPDX-License-Identifier: GPL-3.0-or-later
#include "unix_signal_watcher.h"

#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillo {
namespace {

volatile sig_atomic_t g_writeSocket = -1;

void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_writeSocket, &byte, 1);
    errno = savedErrno;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent)
    , m_signalNumbers(signalNumbers) {
    Q_ASSERT(g_writeSocket == -1);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_sockets) != 0)
        qFatal("Quillo: no socket pair for signal handling");
    g_writeSocket = m_sockets[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_sockets[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &UnixSignalWatcher::readPending);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : m_signalNumbers)
        ::sigaction(number, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher() {
    for (const int number : m_signalNumbers)
        ::signal(number, SIG_DFL);
    m_notifier.reset();
    g_writeSocket = -1;
    ::close(m_sockets[0]);
    ::close(m_sockets[1]);
}

void UnixSignalWatcher::readPending() {
    unsigned char byte = 0;
    while (::read(m_sockets[1], &byte, 1) == 1)
        emit signalReceived(byte);
}

} // namespace quillo
