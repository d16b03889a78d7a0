// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace quillo {

/// One copy of Quillo per user: an exclusive flock on ".quillo.lock" in the data folder, held for the life of
/// the process, and an activation request on the session bus (a signal "activateRequest" on path "/" with
/// Quillo's application id as interface) by which a later start asks the running copy to show its note.
namespace SingleInstanceGuard {

/// Takes the lock. True: go on starting (the lock is ours, or the lock file or the lock cannot be had at all,
/// and Quillo runs unguarded). False: another copy runs and has been asked to show its note; exit now with
/// status 0. Call once, before any QApplication exists, with the data folder, which must exist.
bool acquire(const QString& dataDirectory);

/// From now on, as long as `receiver` lives, calls the handler on the main thread once for every activation
/// request. Call once, with a QCoreApplication running.
void observeActivationRequests(QObject* receiver, std::function<void()> handler);

} // namespace SingleInstanceGuard
} // namespace quillo
