// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkey_manager.h"

#include "hotkey_backend.h"
#include "hotkey_log.h"

namespace quillo {

HotKeyManager::HotKeyManager(std::unique_ptr<HotKeyBackend> backend)
    : m_backend(std::move(backend)) {
    m_backend->pressed = [this] { handlePress(); };
    m_backend->lost = [this] {
        qCDebug(lcHotKey) << "the desktop ended or refused the hotkey";
        m_registered.reset();
    };
}

HotKeyManager::~HotKeyManager() {
    unregister();
}

bool HotKeyManager::registerHotKey(quint32 keyCode, quint32 carbonModifiers) {
    // The backend replaces the previous grab itself: the portal then changes the binding of the session it
    // has rather than closing it and opening another.
    m_registered.reset();
    if (!m_backend->grab(keyCode, carbonModifiers)) {
        qCDebug(lcHotKey) << "hotkey" << keyCode << carbonModifiers << "not granted";
        return false;
    }
    m_registered = Shortcut{keyCode, carbonModifiers};
    return true;
}

void HotKeyManager::unregister() {
    if (!m_registered)
        return;
    m_backend->release();
    m_registered.reset();
}

void HotKeyManager::unregisterAtExit() {
    if (!m_registered)
        return;
    m_backend->releaseAtExit();
    m_registered.reset();
}

std::optional<QString> HotKeyManager::keyText(quint32 keyCode) const {
    return m_backend->keyText(keyCode);
}

void HotKeyManager::handlePress() {
    // A copy, so that an action which replaces itself still runs to its end.
    const std::function<void()> current = action;
    if (current)
        current();
}

} // namespace quillo
