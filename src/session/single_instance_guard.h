// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace quillo {

/// What a start of Quillo asks for: a plain start that the note be shown, `quillo --toggle` that it be shown
/// or hidden as a click on the tray icon does, `quillo --quit` that Quillo save the note and end.
enum class Request { Show, Toggle, Quit };

/// One copy of Quillo per user: an exclusive flock on ".quillo.lock" in the data folder, held for the life of
/// the process, and requests on the session bus, on path "/" with Quillo's application id as interface, by
/// which a later start asks the running copy for what it was started for. A plain start sends the signal
/// "activateRequest" without arguments (show the note), as every version of Quillo has; --toggle and --quit
/// send the signal "commandRequest" with "toggle" or "quit" as its one argument ("show" is understood too).
/// The running copy answers each commandRequest it has carried out with the signal "commandDone", with the
/// same argument, sent to the requesting connection alone; a name it does not know goes unanswered.
namespace SingleInstanceGuard {

/// Takes the lock, or hands `request` to the copy that holds it. Nothing: go on starting Quillo (the lock is
/// ours, or the lock file or the lock cannot be had at all, and Quillo runs unguarded); never for Quit, which
/// starts nothing. Otherwise the exit status for this process, which ends now: 0 once Show is sent (also with
/// no session bus to send it on: a later start never fails), once Toggle is answered, once the copy asked to
/// Quit has ended and let go of the lock (waiting for a few seconds at most), or at once when no copy runs to
/// quit; 1, with the reason on standard error, when Toggle or Quit could not be carried out. Call once,
/// before any QApplication exists, with the data folder, which must exist unless the request is Quit.
std::optional<int> acquire(const QString& dataDirectory, Request request = Request::Show);

/// From now on, as long as `receiver` lives, calls the handler on the main thread with each request of a
/// later start. Call once, with a QCoreApplication running.
void observeActivationRequests(QObject* receiver, std::function<void(Request)> handler);

} // namespace SingleInstanceGuard
} // namespace quillo
