// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/unix_signal_watcher.h"

#include <QObject>
#include <QRect>

#include <memory>
#include <optional>

namespace quillo {

class AppearanceStore;
class HotKeyManager;
class HotKeySettings;
class NoteWindow;
class NotesStore;
class Preferences;
class SettingsWindow;
class TrayIcon;

/// Quillo itself: made once by main(), it creates the stores, the tray icon and the windows in launch order,
/// hands each what it needs, and takes every way of ending Quillo (the quit button, `quillo --quit`, SIGTERM,
/// SIGINT, SIGHUP, the session manager) through one path that saves the note and waits for the write.
/// Everything it made is destroyed with it, users before what they use, while the QApplication still exists.
/// Main thread only.
class Application final : public QObject {
    Q_OBJECT
public:
    explicit Application(QObject* parent = nullptr); ///< Installs the signal handling; launches nothing yet.
    ~Application() override;

    void launch();        ///< The launch sequence, in its fixed order. Call once, from the event loop.
    void prepareToQuit(); ///< Runs on aboutToQuit; returns once the final save has landed.
    /// The process ends without the event loop returning (Qt ends it when the display connection breaks):
    /// saves unsaved typing and returns once it has landed. Main thread; does nothing after prepareToQuit().
    void saveBeforeExit();
    /// Ends the event loop unconditionally; prepareToQuit() follows. The quit button, --quit and signals.
    static void quit();

    /// Places the note window at the tray icon, shows and activates it, then gives the note text the focus;
    /// also when it is already shown. Does nothing before launch().
    void showNoteWindow();
    /// The tray click, the hotkey and `quillo --toggle`: hide the note window if it is visible (even behind
    /// other windows), else showNoteWindow().
    void toggleNoteWindow();

    // What launch() made, for tests; null before.
    NoteWindow* noteWindow() const { return m_noteWindow.get(); }
    NotesStore* notesStore() const { return m_notes.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override; ///< Escape hides the active note window.

private:
    void createTrayIcon();
    void createNoteWindow();
    void createNoteContent();
    void restoreNoteWindowFrame();
    void restoreActiveNoteWindow();
    void installEscapeFilter();
    void registerHotKey();
    void observeActivationRequests();
    void openSettings();
    void saveForSessionManager();

    // Declared so that each is destroyed before what it uses.
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<NotesStore> m_notes;
    std::unique_ptr<AppearanceStore> m_appearance;
    std::unique_ptr<HotKeyManager> m_hotKeyManager;
    std::unique_ptr<HotKeySettings> m_hotKeySettings;
    std::unique_ptr<TrayIcon> m_trayIcon;
    std::unique_ptr<NoteWindow> m_noteWindow;
    std::unique_ptr<SettingsWindow> m_settingsWindow; ///< Made at the first opening, then reused.
    UnixSignalWatcher m_signals;
    bool m_escapeFilterInstalled = false;
    bool m_quitting = false;
};

} // namespace quillo
