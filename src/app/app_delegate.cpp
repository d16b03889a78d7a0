#include "app_delegate.h"

#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "single_instance_guard.h"
#include "storage/notes_store.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>
#include <QSystemTrayIcon>

#include <csignal>

namespace quillo {

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
    , m_signals({SIGTERM, SIGINT, SIGHUP}) {
    connect(&m_signals, &UnixSignalWatcher::signalReceived, qApp, &QCoreApplication::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &AppDelegate::saveForSessionManager);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    createStatusItem();
    createNoteContent();
    registerHotKey();
    observeActivationRequests();
}

void AppDelegate::applicationWillTerminate() {
    if (m_terminated)
        return;
    m_terminated = true;
    NotesStore::shared().saveNow();
    HotKeyManager::shared().unregister();
    // The one wait without a bound: the process must not end before the note is on disk.
    NotesStore::shared().waitForWrites();
}

void AppDelegate::toggleNoteWindow() {}

void AppDelegate::showNoteWindow() {}

void AppDelegate::createStatusItem() {
    m_statusItem = new QSystemTrayIcon(QIcon(QStringLiteral(":/quillo/note.svg")), this);
    m_statusItem->setToolTip(QStringLiteral("Quillo"));
    connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            toggleNoteWindow();
    });
    m_statusItem->show();
}

void AppDelegate::createNoteContent() { NotesStore::shared(); }

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
    // The session may end right after this request without another word to Quillo: the note goes to disk now.
    NotesStore::shared().saveNow();
    NotesStore::shared().waitForWrites();
}

} // namespace quillo
