// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11_modifier_map.h"

#include "hotkey/shortcut.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdlib>
#include <memory>

namespace quillo::x11 {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// The bit of the first modifier that carries a key with one of these keysyms, in the order given.
quint16 bitFor(std::initializer_list<xcb_keysym_t> wanted,
               const xcb_get_modifier_mapping_reply_t* modifierMap,
               const xcb_get_keyboard_mapping_reply_t* keyboardMap, xcb_keycode_t minKeycode) {
    const xcb_keycode_t* modifierKeys = xcb_get_modifier_mapping_keycodes(modifierMap);
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(keyboardMap);
    const int keysymCount = xcb_get_keyboard_mapping_keysyms_length(keyboardMap);
    const int perKeycode = keyboardMap->keysyms_per_keycode;
    const int perModifier = modifierMap->keycodes_per_modifier;
    for (xcb_keysym_t keysym : wanted) {
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t keycode = modifierKeys[modifier * perModifier + i];
                if (keycode < minKeycode)
                    continue;
                const int first = (keycode - minKeycode) * perKeycode;
                for (int level = 0; level < perKeycode && first + level < keysymCount; ++level)
                    if (keysyms[first + level] == keysym)
                        return quint16(1u << modifier);
            }
        }
    }
    return 0;
}

} // namespace

X11ModifierMap X11ModifierMap::read(xcb_connection_t* connection) {
    X11ModifierMap map;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_keycode_t minKeycode = setup->min_keycode;
    const auto modifierCookie = xcb_get_modifier_mapping(connection);
    const auto keyboardCookie =
        xcb_get_keyboard_mapping(connection, minKeycode, quint8(setup->max_keycode - minKeycode + 1));
    Reply<xcb_get_modifier_mapping_reply_t> modifierMap(
        xcb_get_modifier_mapping_reply(connection, modifierCookie, nullptr), &std::free);
    Reply<xcb_get_keyboard_mapping_reply_t> keyboardMap(
        xcb_get_keyboard_mapping_reply(connection, keyboardCookie, nullptr), &std::free);
    if (!modifierMap || !keyboardMap)
        return map;
    map.m_super =
        bitFor({XKB_KEY_Super_L, XKB_KEY_Super_R}, modifierMap.get(), keyboardMap.get(), minKeycode);
    map.m_alt = bitFor({XKB_KEY_Alt_L, XKB_KEY_Alt_R, XKB_KEY_Meta_L}, modifierMap.get(), keyboardMap.get(),
                       minKeycode);
    map.m_numLock = bitFor({XKB_KEY_Num_Lock}, modifierMap.get(), keyboardMap.get(), minKeycode);
    map.m_scrollLock = bitFor({XKB_KEY_Scroll_Lock}, modifierMap.get(), keyboardMap.get(), minKeycode);
    return map;
}

std::optional<quint16> X11ModifierMap::modifiers(quint32 carbonModifiers) const {
    quint16 mask = 0;
    if (carbonModifiers & Shortcut::kCommand) {
        if (!m_super)
            return std::nullopt;
        mask |= m_super;
    }
    if (carbonModifiers & Shortcut::kOption) {
        if (!m_alt)
            return std::nullopt;
        mask |= m_alt;
    }
    if (carbonModifiers & Shortcut::kControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (carbonModifiers & Shortcut::kShift)
        mask |= XCB_MOD_MASK_SHIFT;
    return mask;
}

quint16 X11ModifierMap::lockBits() const {
    return quint16(XCB_MOD_MASK_LOCK | m_numLock | m_scrollLock);
}

QList<quint16> X11ModifierMap::lockCombinations(quint16 wanted) const {
    const quint16 locks = lockBits() & ~wanted;
    QList<quint16> combinations;
    // Every subset of the lock bits, counting down from all of them to none.
    for (quint16 subset = locks;; subset = (subset - 1) & locks) {
        combinations.prepend(subset);
        if (subset == 0)
            break;
    }
    return combinations;
}

} // namespace quillo::x11
