#pragma once

#include <QList>
#include <QtGlobal>

#include <xcb/xcb.h>

namespace quillo::test {

// The test desktop's X server uses the standard evdev keymap: X keycode = evdev code + 8, Super on Mod4,
// Num Lock on Mod2, and no modifier for Scroll Lock.
constexpr xcb_keycode_t kEscapeKey = 9;
constexpr xcb_keycode_t kXKey = 53;
constexpr quint16 kLock = XCB_MOD_MASK_LOCK;
constexpr quint16 kNumLock = XCB_MOD_MASK_2;
constexpr quint16 kMod3 = XCB_MOD_MASK_3;
constexpr quint16 kSuper = XCB_MOD_MASK_4;

/// The mask with each combination of the lock bits: the variants a lock-proof grab holds.
inline QList<quint16> withEveryLock(quint16 mask) {
    return {mask, quint16(mask | kLock), quint16(mask | kNumLock), quint16(mask | kLock | kNumLock)};
}

} // namespace quillo::test
