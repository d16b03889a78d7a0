// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcut.h"

namespace quillo {
namespace {

struct ModifierBit {
    quint32 carbon;
    Qt::KeyboardModifier qt;
};

constexpr ModifierBit kModifierBits[] = {
    {Shortcut::kControl, Qt::ControlModifier},
    {Shortcut::kOption, Qt::AltModifier},
    {Shortcut::kShift, Qt::ShiftModifier},
    {Shortcut::kCommand, Qt::MetaModifier},
};

} // namespace

quint32 Shortcut::carbonModifiersOf(Qt::KeyboardModifiers modifiers) {
    quint32 mask = 0;
    for (const ModifierBit& bit : kModifierBits)
        if (modifiers & bit.qt)
            mask |= bit.carbon;
    return mask;
}

Qt::KeyboardModifiers Shortcut::qtModifiers() const {
    Qt::KeyboardModifiers modifiers;
    for (const ModifierBit& bit : kModifierBits)
        if (carbonModifiers & bit.carbon)
            modifiers |= bit.qt;
    return modifiers;
}

} // namespace quillo
