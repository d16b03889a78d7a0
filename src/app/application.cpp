// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include "app/note_window.h"
#include "app/note_window_placement.h"
#include "app/settings_window.h"
#include "appearance/appearance_store.h"
#include "editor/note_editor_view.h"
#include "editor/note_text_view.h"
#include "hotkey/hotkey_backend.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "session/single_instance_guard.h"
#include "settings/settings_view.h"
#include "settings/settings_view_model.h"
#include "storage/data_directory.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"
#include "tray/tray_icon.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSessionManager>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>

namespace quillo {
namespace {

constexpr std::chrono::seconds kSessionSaveWait{10};
constexpr std::chrono::seconds kMainThreadTakeover{2};

// What a process ending outside the event loop reaches: the launched application, and Qt's message handler
// that this one passes every message on to.
std::atomic<Application*> g_launched = nullptr;
std::once_flag g_exitHandlerInstalled;
QtMessageHandler g_nextMessageHandler = nullptr;

void saveLaunchedNote() {
    if (Application* application = g_launched.load())
        application->saveBeforeExit();
}

/// From another thread (Qt's Wayland event thread finds the broken connection): the main thread, which owns
/// the text, saves, and this thread waits for it, as the process ends once it returns. A main thread that
/// does not take the request within a moment is stuck elsewhere, and is not waited for.
void saveLaunchedNoteOnMainThread() {
    struct Handoff {
        std::mutex mutex;
        std::condition_variable changed;
        bool started = false;
        bool done = false;
    };
    const auto handoff = std::make_shared<Handoff>();
    const auto mark = [handoff](bool Handoff::*flag) {
        const std::lock_guard lock(handoff->mutex);
        (*handoff).*flag = true;
        handoff->changed.notify_all();
    };
    QMetaObject::invokeMethod(
        qApp,
        [mark] {
            mark(&Handoff::started);
            saveLaunchedNote();
            mark(&Handoff::done);
        },
        Qt::QueuedConnection);
    std::unique_lock lock(handoff->mutex);
    if (handoff->changed.wait_for(lock, kMainThreadTakeover, [&] { return handoff->started; }))
        handoff->changed.wait(lock, [&] { return handoff->done; });
}

void passOnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Qt ends the process right after one of these warnings when the display connection breaks: exit() on
    // X11, _exit() on Wayland, where no exit handler runs. Here nothing has been torn down yet.
    if (type == QtWarningMsg && (message.startsWith(QLatin1String("The X11 connection broke")) ||
                                 message.startsWith(QLatin1String("The Wayland connection")))) {
        if (QThread::currentThread() == qApp->thread())
            saveLaunchedNote();
        else
            saveLaunchedNoteOnMainThread();
    }
    g_nextMessageHandler(type, context, message);
}

} // namespace

Application::Application(QObject* parent)
    : QObject(parent)
    , m_signals({SIGTERM, SIGINT, SIGHUP}) {
    connect(&m_signals, &UnixSignalWatcher::signalReceived, this, &Application::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Application::prepareToQuit);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &Application::saveForSessionManager);
    g_nextMessageHandler = qInstallMessageHandler(passOnMessage);
}

Application::~Application() {
    g_launched = nullptr;
    qInstallMessageHandler(g_nextMessageHandler);
    if (m_escapeFilterInstalled)
        qApp->removeEventFilter(this);
}

void Application::launch() {
    m_preferences = std::make_unique<Preferences>();
    createTrayIcon();
    createNoteWindow();
    createNoteContent();
    restoreNoteWindowFrame();
    installEscapeFilter();
    registerHotKey();
    observeActivationRequests();
    // Any other exit() outside the event loop: installed last, this runs before the exit handlers of what
    // Qt set up while launching.
    g_launched = this;
    std::call_once(g_exitHandlerInstalled, [] { std::atexit(saveLaunchedNote); });
}

void Application::prepareToQuit() {
    if (m_quitting || !m_notes)
        return;
    m_quitting = true;
    m_notes->saveNow();
    m_hotKeyManager->unregisterAtExit();
    // The one wait without a bound: the process must not end before the note is on disk.
    m_notes->waitForWrites();
}

void Application::saveBeforeExit() {
    if (m_quitting || !m_notes || QThread::currentThread() != thread())
        return;
    m_quitting = true;
    // Nothing but the write: windows may already be half torn down.
    m_notes->blockSignals(true);
    m_notes->saveNow();
    m_notes->waitForWrites(); // bounded only by the write itself
}

void Application::quit() {
    // Not QCoreApplication::quit(): Qt first tries to close every window and gives up while one stays visible
    // (the tray icon's embedded window can), which would leave a termination request unanswered. exec() still
    // returns through aboutToQuit, so the note is saved.
    QCoreApplication::exit(0);
}

void Application::showNoteWindow() {
    if (!m_noteWindow)
        return;
    if (const std::optional<QRect> anchor = m_trayIcon->anchor()) {
        const QScreen* screen = QGuiApplication::screenAt(anchor->center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const QRect screenArea = screen ? screen->geometry() : QRect();
        const QRect available = screen ? screen->availableGeometry() : QRect();
        const QSize size = m_noteWindow->frameGeometry().size();
        m_noteWindow->move(noteWindowOrigin(*anchor, size, screenArea, available));
    }
    m_noteWindow->show();
    m_noteWindow->raise();
    m_noteWindow->activateWindow();
    restoreActiveNoteWindow();
    // Last, after the window is up: the note text takes the focus, caret at the end.
    static_cast<NoteEditorView*>(m_noteWindow->content())->textView()->focusAtEnd();
}

void Application::restoreActiveNoteWindow() {
    // Hiding a window drops it as the widgets' active window at once, but Qt's X11 plugin holds the focus-out
    // back for a moment in case the focus returns. Shown again within that moment, the note keeps the focus
    // and nothing tells the widgets so: the text would get no caret and Escape would not hide the note.
    if (QGuiApplication::focusWindow() == m_noteWindow->windowHandle() &&
        QApplication::activeWindow() != m_noteWindow.get()) {
        // Deprecated for activateWindow(), which asks the platform, and the platform sees nothing to change.
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(m_noteWindow.get());
        QT_WARNING_POP
    }
}

void Application::toggleNoteWindow() {
    if (!m_noteWindow)
        return;
    if (m_noteWindow->isVisible())
        m_noteWindow->hide();
    else
        showNoteWindow();
}

bool Application::eventFilter(QObject* watched, QEvent* event) {
    // Escape with any modifiers hides the note window while it has the keyboard; nothing in it sees the key.
    // An open popup (the text's context menu) keeps its own Escape.
    const bool escape =
        event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (escape && m_noteWindow && QApplication::activeWindow() == m_noteWindow.get() &&
        !QApplication::activePopupWidget()) {
        m_noteWindow->hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void Application::createTrayIcon() {
    m_trayIcon = std::make_unique<TrayIcon>();
    connect(m_trayIcon.get(), &TrayIcon::clicked, this, &Application::toggleNoteWindow);
    m_trayIcon->show();
}

void Application::createNoteWindow() {
    m_noteWindow = std::make_unique<NoteWindow>(*m_preferences);
}

void Application::createNoteContent() {
    m_notes = std::make_unique<NotesStore>(*m_preferences, dataDirectory()); // loads the note
    m_appearance = std::make_unique<AppearanceStore>(*m_preferences);
    m_noteWindow->setContent(new NoteEditorView(
        *m_notes, *m_appearance, [this] { openSettings(); }, &Application::quit));
}

void Application::restoreNoteWindowFrame() {
    m_noteWindow->restoreFrame();
}

void Application::installEscapeFilter() {
    qApp->installEventFilter(this);
    m_escapeFilterInstalled = true;
}

void Application::registerHotKey() {
    m_hotKeyManager = std::make_unique<HotKeyManager>(makeHotKeyBackend(*m_preferences));
    m_hotKeyManager->action = [this] { toggleNoteWindow(); };
    m_hotKeySettings = std::make_unique<HotKeySettings>(*m_preferences, *m_hotKeyManager);
    // A refused combination (another program holds it) is passed over: the tray icon still shows the note.
    m_hotKeyManager->registerHotKey(m_hotKeySettings->keyCode(), m_hotKeySettings->carbonModifiers());
}

void Application::observeActivationRequests() {
    SingleInstanceGuard::observeActivationRequests(this, [this](Request request) {
        switch (request) {
        case Request::Show: // a plain later start always shows the note, never hides it
            showNoteWindow();
            break;
        case Request::Toggle: // what a click on the tray icon does
            toggleNoteWindow();
            break;
        case Request::Quit: // the quit button's way: the note is saved on the way out
            quit();
            break;
        }
    });
}

void Application::openSettings() {
    const bool created = !m_settingsWindow;
    if (created)
        m_settingsWindow = std::make_unique<SettingsWindow>();
    // A fresh form with a fresh model on every opening: a path typed and not applied does not come back.
    auto* model = new SettingsViewModel;
    auto* form = new SettingsView(*m_notes, *m_appearance, *m_hotKeySettings, *model,
                                  [window = m_settingsWindow.get()] { window->hide(); });
    model->setParent(form);
    m_settingsWindow->setContent(form);
    if (created) {
        // Centred once, where the user is working; later openings keep wherever the user left it.
        const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
        m_settingsWindow->centerOn(screen ? screen : QGuiApplication::primaryScreen());
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

void Application::saveForSessionManager() {
    // The session may end soon after this request: the note goes to disk now. The wait is bounded, since the
    // session waits for this answer; the final save on the way out still waits for as long as it takes.
    if (!m_notes)
        return;
    m_notes->saveNow();
    m_notes->waitForWrites(kSessionSaveWait);
}

} // namespace quillo
