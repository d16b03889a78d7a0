#pragma once

#include "unix_signal_watcher.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

namespace quillo {

class NoteWindow;
class SettingsWindow;
class TrayIcon;

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
    /// Ends the event loop unconditionally; applicationWillTerminate() follows. The quit button and signals.
    static void terminate();

    /// Places the note window at the tray icon, shows and activates it, then asks the note text for the
    /// focus; also when it is already shown. Does nothing before the launch has created the window.
    void showNoteWindow();
    /// The tray click and the hotkey: hide the note window if it is visible (even behind other windows), else
    /// showNoteWindow().
    void toggleNoteWindow();
    NoteWindow* noteWindow() const { return m_noteWindow.get(); } ///< Null until the launch has created it.

protected:
    bool eventFilter(QObject* watched, QEvent* event) override; ///< Escape hides the active note window.

private:
    void createStatusItem();
    void createNoteWindow();
    void createNoteContent();
    void restoreNoteWindowFrame();
    void installEscapeFilter();
    void registerHotKey();
    void observeActivationRequests();
    void openSettings();
    std::optional<QRect> statusItemAnchor() const;
    void saveForSessionManager();

    QPointer<TrayIcon> m_statusItem;
    std::unique_ptr<NoteWindow> m_noteWindow;
    std::unique_ptr<SettingsWindow> m_settingsWindow; ///< Made at the first opening, then reused.
    bool m_escapeFilterInstalled = false;
    UnixSignalWatcher m_signals;
    bool m_terminated = false;
};

} // namespace quillo
