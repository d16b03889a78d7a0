// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11_hotkey_backend.h"

#include "hotkey/hotkey_log.h"
#include "hotkey/key_codes.h"
#include "x11_modifier_map.h"

#include <QCoreApplication>
#include <QGuiApplication>

// xkb.h names a struct member "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include <cstdlib>

namespace quillo::x11 {

std::unique_ptr<HotKeyBackend> makeX11HotKeyBackend() {
    return std::make_unique<X11HotKeyBackend>();
}

} // namespace quillo::x11

namespace quillo::x11 {
namespace {

// The eight key modifier bits of an event's state; the pointer buttons and the XKB group above them never
// decide whether the hotkey fires.
constexpr quint16 kKeyModifierBits = 0xff;

xcb_window_t defaultRoot(xcb_connection_t* connection) {
    int display = 0;
    int screen = 0;
    char* host = nullptr;
    if (xcb_parse_display(nullptr, &host, &display, &screen))
        std::free(host);
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && roots.rem > 1; ++i)
        xcb_screen_next(&roots);
    return roots.data ? roots.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

} // namespace

X11HotKeyBackend::X11HotKeyBackend() = default;

X11HotKeyBackend::~X11HotKeyBackend() {
    release();
    if (m_connection && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11HotKeyBackend::grab(quint32 keyCode, quint32 carbonModifiers) {
    release();
    if (!connectToDisplay())
        return false;
    m_wanted = Shortcut{keyCode, carbonModifiers};
    if (takeGrab())
        return true;
    m_wanted.reset();
    return false;
}

void X11HotKeyBackend::release() {
    m_wanted.reset();
    dropGrab();
}

void X11HotKeyBackend::dropGrab() {
    m_grab.reset();
    m_keyDown = false;
    m_lastRelease.reset();
}

std::optional<QString> X11HotKeyBackend::keyText(quint32 keyCode) {
    if (!connectToDisplay())
        return std::nullopt;
    const std::optional<xcb_keycode_t> keycode = xKeycode(keyCode);
    if (!keycode)
        return std::nullopt;
    return m_keymap.text(m_connection, *keycode);
}

bool X11HotKeyBackend::connectToDisplay() {
    if (m_connection)
        return true;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) {
        qCDebug(lcHotKey) << "no X11 display: no global hotkey and no layout key names";
        return false;
    }
    m_connection = x11->connection();
    m_root = defaultRoot(m_connection);
    quint8 firstEvent = 0;
    if (xkb_x11_setup_xkb_extension(m_connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                    XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                    nullptr, nullptr, &firstEvent, nullptr)) {
        // A new layout (setxkbmap) or a changed modifier map may move Super to another bit: the grab follows.
        // Only these bits are touched; what Qt selected for itself stays selected.
        constexpr quint16 events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
        constexpr quint16 parts = XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
        xcb_xkb_select_events(m_connection, XCB_XKB_ID_USE_CORE_KBD, events, 0, events, parts, parts,
                              nullptr);
        xcb_flush(m_connection);
        m_xkbFirstEvent = firstEvent;
    }
    app->installNativeEventFilter(this);
    return true;
}

std::optional<xcb_keycode_t> X11HotKeyBackend::xKeycode(quint32 keyCode) const {
    const std::optional<quint32> evdev = KeyCodes::evdevCode(keyCode);
    if (!evdev)
        return std::nullopt;
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const quint32 keycode = *evdev + KeyCodes::kEvdevOffset;
    if (keycode < setup->min_keycode || keycode > setup->max_keycode)
        return std::nullopt;
    return xcb_keycode_t(keycode);
}

bool X11HotKeyBackend::takeGrab() {
    const std::optional<GrabRequest> wanted = wantedGrab();
    if (!wanted) {
        dropGrab();
        return false;
    }
    // Switching keyboards or changing an unrelated key sends the same events as a new layout: the grab
    // stays as it is, since a press of the hotkey often comes right then, on the keyboard just switched to.
    if (!m_grab || !m_grab->holds(wanted->keycode, wanted->masks)) {
        auto grab = std::make_unique<X11KeyGrab>(m_connection, m_root, wanted->keycode, wanted->masks);
        if (!grab->isHeld()) {
            dropGrab();
            return false;
        }
        if (m_grab)
            m_grab->handOver(*grab);
        m_grab = std::move(grab);
        m_keyDown = false;
        m_lastRelease.reset();
    }
    m_modifiers = wanted->modifiers;
    m_lockBits = wanted->lockBits;
    return true;
}

std::optional<X11HotKeyBackend::GrabRequest> X11HotKeyBackend::wantedGrab() const {
    if (!m_wanted)
        return std::nullopt;
    const std::optional<xcb_keycode_t> keycode = xKeycode(m_wanted->keyCode);
    if (!keycode) {
        qCDebug(lcHotKey) << "key code" << m_wanted->keyCode << "names no key of this keyboard";
        return std::nullopt;
    }
    const X11ModifierMap map = X11ModifierMap::read(m_connection);
    const std::optional<quint16> modifiers = map.modifiers(m_wanted->carbonModifiers);
    if (!modifiers) {
        qCDebug(lcHotKey) << "the keyboard has no modifier for mask" << m_wanted->carbonModifiers;
        return std::nullopt;
    }
    // One grab for each combination of the lock keys, so that Caps Lock or Num Lock being on changes nothing.
    GrabRequest request{*keycode, {}, *modifiers, quint16(map.lockBits() & ~*modifiers)};
    for (quint16 locks : map.lockCombinations(*modifiers))
        request.masks << quint16(*modifiers | locks);
    return request;
}

bool X11HotKeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!m_connection || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const quint8 type = event->response_type & ~0x80;
    if (type == XCB_KEY_PRESS)
        handleKeyPress(reinterpret_cast<const xcb_key_press_event_t*>(event));
    else if (type == XCB_KEY_RELEASE)
        handleKeyRelease(reinterpret_cast<const xcb_key_release_event_t*>(event));
    else if (type == XCB_MAPPING_NOTIFY)
        handleMappingChange();
    else if (m_xkbFirstEvent && type == *m_xkbFirstEvent) {
        const quint8 xkbType = reinterpret_cast<const xcb_xkb_map_notify_event_t*>(event)->xkbType;
        if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY)
            handleMappingChange();
    }
    // Never consumed: Qt goes on to take the press's time as its user time, which the window that the action
    // shows needs so that the window manager gives it the focus.
    return false;
}

void X11HotKeyBackend::handleKeyPress(const xcb_key_press_event_t* event) {
    if (!m_grab || event->event != m_root || event->detail != m_grab->keycode())
        return;
    if ((event->state & kKeyModifierBits & ~m_lockBits) != m_modifiers)
        return;
    // A held key repeats either as presses alone (detectable auto-repeat) or as release/press pairs that
    // share their time: both count as the one press that began it.
    const bool repeat = m_keyDown || (m_lastRelease && *m_lastRelease == event->time);
    m_keyDown = true;
    if (repeat)
        return;
    // Queued, so that the action runs after Qt has handled the press event (its time included).
    QMetaObject::invokeMethod(
        &m_queue,
        [this] {
            if (pressed)
                pressed();
        },
        Qt::QueuedConnection);
}

void X11HotKeyBackend::handleKeyRelease(const xcb_key_release_event_t* event) {
    if (!m_grab || event->detail != m_grab->keycode())
        return;
    m_keyDown = false;
    m_lastRelease = event->time;
}

void X11HotKeyBackend::handleMappingChange() {
    if (!m_wanted || m_regrabQueued)
        return;
    m_regrabQueued = true;
    // A change arrives as a burst of events: the grab is taken again once, after the burst.
    QMetaObject::invokeMethod(
        &m_queue,
        [this] {
            m_regrabQueued = false;
            if (m_wanted && !takeGrab())
                qCDebug(lcHotKey) << "hotkey lost after a keyboard mapping change";
        },
        Qt::QueuedConnection);
}

} // namespace quillo::x11
