#pragma once

#include "unix_signal_watcher.h"

#include <QObject>
#include <QPointer>

class QSystemTrayIcon;

namespace quillo {

/// The application controller: runs the launch sequence once the event loop has started, owns the tray icon
/// and the windows, and takes every way of ending Quillo (quit, SIGTERM/SIGINT/SIGHUP, the session manager)
/// through one termination path that saves the note and waits for the write. Main thread only.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr); ///< Installs the signal handling; launches nothing yet.
    ~AppDelegate() override;

    void applicationDidFinishLaunching(); ///< The launch sequence, in its fixed order. Call once.
    void applicationWillTerminate();      ///< Runs on aboutToQuit; returns once the final save has landed.

    void toggleNoteWindow(); ///< The tray click and the hotkey: hide the note window if shown, else show it.
    void showNoteWindow();   ///< Places, shows and focuses the note window.

private:
    void createStatusItem();
    void createNoteContent();
    void registerHotKey();
    void observeActivationRequests();
    void saveForSessionManager();

    QPointer<QSystemTrayIcon> m_statusItem;
    UnixSignalWatcher m_signals;
    bool m_terminated = false;
};

} // namespace quillo
