// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkey/hotkey_backend.h"
#include "hotkey/shortcut.h"
#include "x11_key_grab.h"
#include "x11_keymap.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <xcb/xcb.h>

#include <memory>
#include <optional>

namespace quillo::x11 {

/// The global hotkey on an X11 display: passive key grabs on the root window through the xcb connection Qt
/// already has, presses read by a native event filter on the main thread. Inert (every grab refused, no key
/// text) when Qt does not run on xcb.
class X11HotKeyBackend final : public HotKeyBackend, public QAbstractNativeEventFilter {
public:
    X11HotKeyBackend();
    ~X11HotKeyBackend() override;

    bool grab(quint32 keyCode, quint32 carbonModifiers) override;
    void release() override;
    std::optional<QString> keyText(quint32 keyCode) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool connectToDisplay();
    std::optional<xcb_keycode_t> xKeycode(quint32 keyCode) const;
    /// The key and modifier masks the wanted hotkey takes on the keyboard as it is mapped now.
    struct GrabRequest {
        xcb_keycode_t keycode;
        QList<quint16> masks;
        quint16 modifiers;
        quint16 lockBits;
    };
    std::optional<GrabRequest> wantedGrab() const;
    bool takeGrab();
    void dropGrab();
    void handleKeyPress(const xcb_key_press_event_t* event);
    void handleKeyRelease(const xcb_key_release_event_t* event);
    void handleMappingChange();

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    std::optional<quint8> m_xkbFirstEvent;
    X11Keymap m_keymap;

    std::optional<Shortcut> m_wanted; ///< Kept so that the grab can be taken again after a mapping change.
    std::unique_ptr<X11KeyGrab> m_grab;
    quint16 m_modifiers = 0;
    quint16 m_lockBits = 0;

    bool m_keyDown = false;
    std::optional<xcb_timestamp_t> m_lastRelease;
    bool m_regrabQueued = false;
    QObject m_queue; ///< Context of the calls queued to the main loop; they die with the backend.
};

} // namespace quillo::x11
