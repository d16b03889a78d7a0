// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnome_hotkey_backend.h"

#include "gnome_custom_shortcut.h"
#include "hotkey/hotkey_log.h"
#include "hotkey/portal/shortcut_trigger.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace quillo::gnome {
namespace {

constexpr int kCallTimeoutMs = 10000;

} // namespace

const QString GnomeHotKeyBackend::kCustomShortcutName = QStringLiteral("Quillo: показать или скрыть заметку");

std::unique_ptr<HotKeyBackend> makeGnomeHotKeyBackend(std::unique_ptr<HotKeyBackend> portal) {
    return std::make_unique<GnomeHotKeyBackend>(std::move(portal));
}

GnomeHotKeyBackend::GnomeHotKeyBackend(std::unique_ptr<HotKeyBackend> portal)
    : m_portal(std::move(portal)) {
    m_portal->pressed = [this] {
        if (pressed)
            pressed();
    };
    m_portal->lost = [this] {
        m_wanted.reset();
        if (lost)
            lost();
    };
}

GnomeHotKeyBackend::~GnomeHotKeyBackend() {
    release();
}

bool GnomeHotKeyBackend::grab(quint32 keyCode, quint32 carbonModifiers) {
    const Shortcut shortcut{keyCode, carbonModifiers};
    if (!portal::ShortcutTrigger::gnomeAccelerator(shortcut, m_keymap)) {
        qCDebug(lcHotKey) << "key code" << keyCode << "names no key GNOME could bind";
        release();
        return false;
    }
    m_wanted = shortcut;
    switch (m_route) {
    case Route::Unknown:
        askPortal();
        return true;
    case Route::Asking:
        return true; // bound once the portal has answered
    case Route::Portal:
        return m_portal->grab(keyCode, carbonModifiers);
    case Route::Custom:
        return fileCustom();
    }
    return false;
}

void GnomeHotKeyBackend::release() {
    m_wanted.reset();
    if (m_route == Route::Portal)
        m_portal->release();
    if (m_filed)
        GnomeCustomShortcut::remove();
    m_filed = false;
}

void GnomeHotKeyBackend::releaseAtExit() {
    m_filed = false;
    release();
}

std::optional<QString> GnomeHotKeyBackend::keyText(quint32 keyCode) {
    return m_portal->keyText(keyCode);
}

void GnomeHotKeyBackend::askPortal() {
    m_route = Route::Asking;
    // GNOME before 48 has no GlobalShortcuts: its portal knows no such interface, or there is no portal.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.portal.GlobalShortcuts") << QStringLiteral("version");
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        if (answer->isError())
            qCDebug(lcHotKey) << "no GlobalShortcuts portal:" << answer->error().message();
        routeChosen(answer->isError() ? Route::Custom : Route::Portal);
    });
}

void GnomeHotKeyBackend::routeChosen(Route route) {
    m_route = route;
    // A custom shortcut left behind by an earlier run would toggle the note a second time.
    if (route == Route::Portal)
        GnomeCustomShortcut::remove();
    if (!m_wanted)
        return;
    const bool granted =
        route == Route::Portal ? m_portal->grab(m_wanted->keyCode, m_wanted->carbonModifiers) : fileCustom();
    if (!granted) {
        m_wanted.reset();
        if (lost)
            lost();
    }
}

bool GnomeHotKeyBackend::fileCustom() {
    const std::optional<QString> binding = portal::ShortcutTrigger::gnomeAccelerator(*m_wanted, m_keymap);
    // The running binary by its full path: the key works whether or not its folder is on GNOME's PATH.
    m_filed = binding && GnomeCustomShortcut::file(
                             kCustomShortcutName,
                             {QCoreApplication::applicationFilePath(), QStringLiteral("--toggle")}, *binding);
    if (!m_filed)
        m_wanted.reset();
    return m_filed;
}

} // namespace quillo::gnome
