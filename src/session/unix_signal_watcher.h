// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <initializer_list>
#include <memory>
#include <vector>

namespace quillo {

/// Turns the given Unix signals into a Qt signal on the main thread (the self-pipe pattern: the handler only
/// writes the signal number to a socket). Restores the default handlers and closes the sockets when
/// destroyed. At most one watcher exists at a time.
class UnixSignalWatcher final : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

signals:
    void signalReceived(int signalNumber);

private:
    void readPending();

    int m_sockets[2] = {-1, -1};
    std::vector<int> m_signalNumbers;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace quillo
