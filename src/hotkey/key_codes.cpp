// SPDX-License-Identifier: GPL-3.0-or-later
#include "key_codes.h"

#include <algorithm>
#include <iterator>

namespace quillo {
namespace {

struct PhysicalKey {
    quint32 keyCode;
    quint32 evdevCode;
    bool isModifier;
};

constexpr PhysicalKey kKeys[] = {
    {0, 30, false},    // A
    {1, 31, false},    // S
    {2, 32, false},    // D
    {3, 33, false},    // F
    {4, 35, false},    // H
    {5, 34, false},    // G
    {6, 44, false},    // Z
    {7, 45, false},    // X
    {8, 46, false},    // C
    {9, 47, false},    // V
    {10, 86, false},   // ISO section (key left of 1 / extra ISO key)
    {11, 48, false},   // B
    {12, 16, false},   // Q
    {13, 17, false},   // W
    {14, 18, false},   // E
    {15, 19, false},   // R
    {16, 21, false},   // Y
    {17, 20, false},   // T
    {18, 2, false},    // 1
    {19, 3, false},    // 2
    {20, 4, false},    // 3
    {21, 5, false},    // 4
    {22, 7, false},    // 6
    {23, 6, false},    // 5
    {24, 13, false},   // Equal
    {25, 10, false},   // 9
    {26, 8, false},    // 7
    {27, 12, false},   // Minus
    {28, 9, false},    // 8
    {29, 11, false},   // 0
    {30, 27, false},   // RightBracket
    {31, 24, false},   // O
    {32, 22, false},   // U
    {33, 26, false},   // LeftBracket
    {34, 23, false},   // I
    {35, 25, false},   // P
    {36, 28, false},   // Return
    {37, 38, false},   // L
    {38, 36, false},   // J
    {39, 40, false},   // Quote
    {40, 37, false},   // K
    {41, 39, false},   // Semicolon
    {42, 43, false},   // Backslash
    {43, 51, false},   // Comma
    {44, 53, false},   // Slash
    {45, 49, false},   // N
    {46, 50, false},   // M
    {47, 52, false},   // Period
    {48, 15, false},   // Tab
    {49, 57, false},   // Space
    {50, 41, false},   // Grave
    {51, 14, false},   // Delete (backspace)
    {53, 1, false},    // Escape
    {54, 126, true},   // Right Command (modifier)
    {55, 125, true},   // Command (modifier)
    {56, 42, true},    // Shift (modifier)
    {57, 58, true},    // CapsLock (modifier)
    {58, 56, true},    // Option (modifier)
    {59, 29, true},    // Control (modifier)
    {60, 54, true},    // Right Shift (modifier)
    {61, 100, true},   // Right Option (modifier)
    {62, 97, true},    // Right Control (modifier)
    {64, 187, false},  // F17
    {65, 83, false},   // Keypad Decimal
    {67, 55, false},   // Keypad Multiply
    {69, 78, false},   // Keypad Plus
    {71, 69, false},   // Keypad Clear (NumLock position on PC keyboards)
    {72, 115, false},  // Volume Up
    {73, 114, false},  // Volume Down
    {74, 113, false},  // Mute
    {75, 98, false},   // Keypad Divide
    {76, 96, false},   // Keypad Enter
    {78, 74, false},   // Keypad Minus
    {79, 188, false},  // F18
    {80, 189, false},  // F19
    {81, 117, false},  // Keypad Equals
    {82, 82, false},   // Keypad 0
    {83, 79, false},   // Keypad 1
    {84, 80, false},   // Keypad 2
    {85, 81, false},   // Keypad 3
    {86, 75, false},   // Keypad 4
    {87, 76, false},   // Keypad 5
    {88, 77, false},   // Keypad 6
    {89, 71, false},   // Keypad 7
    {90, 190, false},  // F20
    {91, 72, false},   // Keypad 8
    {92, 73, false},   // Keypad 9
    {93, 124, false},  // JIS Yen
    {94, 89, false},   // JIS Underscore
    {95, 95, false},   // JIS Keypad Comma
    {96, 63, false},   // F5
    {97, 64, false},   // F6
    {98, 65, false},   // F7
    {99, 61, false},   // F3
    {100, 66, false},  // F8
    {101, 67, false},  // F9
    {103, 87, false},  // F11
    {105, 99, false},  // F13 (Print Screen position on PC keyboards)
    {106, 186, false}, // F16
    {107, 70, false},  // F14 (Scroll Lock position on PC keyboards)
    {109, 68, false},  // F10
    {111, 88, false},  // F12
    {113, 119, false}, // F15 (Pause position on PC keyboards)
    {114, 110, false}, // Help (Insert position on PC keyboards)
    {115, 102, false}, // Home
    {116, 104, false}, // Page Up
    {117, 111, false}, // Forward Delete
    {118, 62, false},  // F4
    {119, 107, false}, // End
    {120, 60, false},  // F2
    {121, 109, false}, // Page Down
    {122, 59, false},  // F1
    {123, 105, false}, // Left Arrow
    {124, 106, false}, // Right Arrow
    {125, 108, false}, // Down Arrow
    {126, 103, false}, // Up Arrow
};

const PhysicalKey* byKeyCode(quint32 keyCode) {
    const auto* found = std::find_if(std::begin(kKeys), std::end(kKeys),
                                     [keyCode](const PhysicalKey& key) { return key.keyCode == keyCode; });
    return found == std::end(kKeys) ? nullptr : found;
}

const PhysicalKey* byEvdevCode(quint32 evdevCode) {
    const auto* found = std::find_if(std::begin(kKeys), std::end(kKeys), [evdevCode](const PhysicalKey& key) {
        return key.evdevCode == evdevCode;
    });
    return found == std::end(kKeys) ? nullptr : found;
}

} // namespace

std::optional<quint32> KeyCodes::evdevCode(quint32 keyCode) {
    if (keyCode >= kUntabledBase)
        return keyCode - kUntabledBase <= kLargestEvdevCode ? std::optional(keyCode - kUntabledBase)
                                                            : std::nullopt;
    if (const PhysicalKey* key = byKeyCode(keyCode))
        return key->evdevCode;
    return std::nullopt;
}

std::optional<quint32> KeyCodes::keyCode(quint32 evdevCode) {
    if (evdevCode > kLargestEvdevCode)
        return std::nullopt;
    if (const PhysicalKey* key = byEvdevCode(evdevCode))
        return key->keyCode;
    return kUntabledBase + evdevCode;
}

bool KeyCodes::isModifierKey(quint32 keyCode) {
    const std::optional<quint32> evdev = evdevCode(keyCode);
    const PhysicalKey* key = evdev ? byEvdevCode(*evdev) : nullptr;
    return key && key->isModifier;
}

} // namespace quillo
