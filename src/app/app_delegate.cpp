#include "app_delegate.h"

#include "app/note_window.h"
#include "app/note_window_placement.h"
#include "app/settings_window.h"
#include "app/tray_icon.h"
#include "appearance/appearance_store.h"
#include "editor/note_editor_view.h"
#include "editor/note_window_state.h"
#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "settings/settings_view.h"
#include "settings/settings_view_model.h"
#include "single_instance_guard.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSessionManager>

#include <csignal>

namespace quillo {
namespace {

constexpr std::chrono::seconds kSessionSaveWait{10};

} // namespace

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
    , m_signals({SIGTERM, SIGINT, SIGHUP}) {
    connect(&m_signals, &UnixSignalWatcher::signalReceived, this, &AppDelegate::terminate);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &AppDelegate::saveForSessionManager);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    createStatusItem();
    createNoteWindow();
    createNoteContent();
    restoreNoteWindowFrame();
    installEscapeFilter();
    registerHotKey();
    observeActivationRequests();
}

void AppDelegate::applicationWillTerminate() {
    if (m_terminated)
        return;
    m_terminated = true;
    NotesStore::shared().saveNow();
    HotKeyManager::shared().unregister();
    if (m_escapeFilterInstalled)
        qApp->removeEventFilter(this);
    // The one wait without a bound: the process must not end before the note is on disk.
    NotesStore::shared().waitForWrites();
}

void AppDelegate::terminate() {
    // Not quit(): Qt first tries to close every window and gives up while one stays visible (the tray icon's
    // embedded window can), which would leave a termination request unanswered. exec() still returns through
    // aboutToQuit, so the note is saved.
    QCoreApplication::exit(0);
}

void AppDelegate::showNoteWindow() {
    if (!m_noteWindow)
        return;
    if (const std::optional<QRect> anchor = statusItemAnchor()) {
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
    // Last, after the window is up: the note text takes the focus once, caret at the end.
    NoteWindowState::shared().bumpFocusTrigger();
}

void AppDelegate::toggleNoteWindow() {
    if (!m_noteWindow)
        return;
    if (m_noteWindow->isVisible())
        m_noteWindow->hide();
    else
        showNoteWindow();
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
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

void AppDelegate::createStatusItem() {
    m_statusItem = new TrayIcon(this);
    connect(m_statusItem, &TrayIcon::clicked, this, &AppDelegate::toggleNoteWindow);
    m_statusItem->show();
}

void AppDelegate::createNoteWindow() {
    m_noteWindow = std::make_unique<NoteWindow>(Preferences::shared());
}

void AppDelegate::createNoteContent() {
    NotesStore& store = NotesStore::shared(); // loads the note
    AppearanceStore& appearance = AppearanceStore::shared();
    NoteWindowState& windowState = NoteWindowState::shared();
    const QPointer<AppDelegate> self(this);
    m_noteWindow->setContent(new NoteEditorView(
        store, appearance, windowState,
        [self] {
            if (self)
                self->openSettings();
        },
        [] { terminate(); }));
}

void AppDelegate::restoreNoteWindowFrame() {
    m_noteWindow->restoreFrame();
}

void AppDelegate::installEscapeFilter() {
    qApp->installEventFilter(this);
    m_escapeFilterInstalled = true;
}

void AppDelegate::openSettings() {
    const bool created = !m_settingsWindow;
    if (created)
        m_settingsWindow = std::make_unique<SettingsWindow>();
    // A fresh form with a fresh model on every opening: a path typed and not applied does not come back.
    auto* model = new SettingsViewModel;
    auto* form = new SettingsView(NotesStore::shared(), AppearanceStore::shared(), HotKeySettings::shared(),
                                  *model, [window = QPointer<SettingsWindow>(m_settingsWindow.get())] {
                                      if (window)
                                          window->hide();
                                  });
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

std::optional<QRect> AppDelegate::statusItemAnchor() const {
    return m_statusItem ? m_statusItem->anchor() : std::nullopt;
}

void AppDelegate::registerHotKey() {
    HotKeyManager::shared().action = [self = QPointer<AppDelegate>(this)] {
        if (self)
            self->toggleNoteWindow();
    };
    // A refused combination (another program holds it) is passed over: the tray icon still shows the note.
    const HotKeySettings& settings = HotKeySettings::shared();
    HotKeyManager::shared().registerHotKey(settings.keyCode(), settings.carbonModifiers());
}

void AppDelegate::observeActivationRequests() {
    // A later start always shows the note, never hides it.
    SingleInstanceGuard::observeActivationRequests([self = QPointer(this)] {
        if (self)
            self->showNoteWindow();
    });
}

void AppDelegate::saveForSessionManager() {
    // The session may end soon after this request: the note goes to disk now. The wait is bounded, since the
    // session waits for this answer; the final save on the way out still waits for as long as it takes.
    NotesStore::shared().saveNow();
    NotesStore::shared().waitForWrites(kSessionSaveWait);
}

} // namespace quillo
