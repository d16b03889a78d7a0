// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcut_trigger.h"

#include "default_keymap.h"
#include "hotkey/key_codes.h"

#include <QChar>
#include <QStringList>

#include <array>

#include <xkbcommon/xkbcommon.h>

namespace quillo::portal {
namespace {

struct NamedKey {
    xkb_keysym_t keysym;
    Qt::Key key;
};

// Keys that type no character, by the keysym the first layout gives them.
constexpr NamedKey kNamedKeys[] = {
    {XKB_KEY_Escape, Qt::Key_Escape},
    {XKB_KEY_Tab, Qt::Key_Tab},
    {XKB_KEY_ISO_Left_Tab, Qt::Key_Backtab},
    {XKB_KEY_BackSpace, Qt::Key_Backspace},
    {XKB_KEY_Return, Qt::Key_Return},
    {XKB_KEY_KP_Enter, Qt::Key_Enter},
    {XKB_KEY_Insert, Qt::Key_Insert},
    {XKB_KEY_Delete, Qt::Key_Delete},
    {XKB_KEY_Pause, Qt::Key_Pause},
    {XKB_KEY_Print, Qt::Key_Print},
    {XKB_KEY_Sys_Req, Qt::Key_SysReq},
    {XKB_KEY_Clear, Qt::Key_Clear},
    {XKB_KEY_Home, Qt::Key_Home},
    {XKB_KEY_End, Qt::Key_End},
    {XKB_KEY_Left, Qt::Key_Left},
    {XKB_KEY_Up, Qt::Key_Up},
    {XKB_KEY_Right, Qt::Key_Right},
    {XKB_KEY_Down, Qt::Key_Down},
    {XKB_KEY_Prior, Qt::Key_PageUp},
    {XKB_KEY_Next, Qt::Key_PageDown},
    {XKB_KEY_Caps_Lock, Qt::Key_CapsLock},
    {XKB_KEY_Num_Lock, Qt::Key_NumLock},
    {XKB_KEY_Scroll_Lock, Qt::Key_ScrollLock},
    {XKB_KEY_Menu, Qt::Key_Menu},
    {XKB_KEY_Help, Qt::Key_Help},
    // The keypad without Num Lock.
    {XKB_KEY_KP_Home, Qt::Key_Home},
    {XKB_KEY_KP_End, Qt::Key_End},
    {XKB_KEY_KP_Left, Qt::Key_Left},
    {XKB_KEY_KP_Up, Qt::Key_Up},
    {XKB_KEY_KP_Right, Qt::Key_Right},
    {XKB_KEY_KP_Down, Qt::Key_Down},
    {XKB_KEY_KP_Prior, Qt::Key_PageUp},
    {XKB_KEY_KP_Next, Qt::Key_PageDown},
    {XKB_KEY_KP_Begin, Qt::Key_Clear},
    {XKB_KEY_KP_Insert, Qt::Key_Insert},
    {XKB_KEY_KP_Delete, Qt::Key_Delete},
};

std::optional<quint32> keysymOf(const Shortcut& shortcut, DefaultKeymap& keymap) {
    const std::optional<quint32> evdev = KeyCodes::evdevCode(shortcut.keyCode);
    if (!evdev)
        return std::nullopt;
    const quint32 keysym = keymap.keysym(*evdev);
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    return keysym;
}

std::optional<QString> keysymName(const Shortcut& shortcut, DefaultKeymap& keymap) {
    const std::optional<quint32> keysym = keysymOf(shortcut, keymap);
    char name[64] = {};
    if (!keysym || xkb_keysym_get_name(*keysym, name, sizeof name) <= 0)
        return std::nullopt;
    return QString::fromLatin1(name);
}

// The modifiers' names in the order Control, Alt, Shift, Super.
QStringList modifierNames(const Shortcut& shortcut, const std::array<const char*, 4>& names) {
    const Qt::KeyboardModifiers modifiers = shortcut.qtModifiers();
    const Qt::KeyboardModifier order[] = {Qt::ControlModifier, Qt::AltModifier, Qt::ShiftModifier,
                                          Qt::MetaModifier};
    QStringList parts;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (modifiers & order[i])
            parts << QString::fromLatin1(names[i]);
    return parts;
}

} // namespace

std::optional<QString> ShortcutTrigger::portalTrigger(const Shortcut& shortcut, DefaultKeymap& keymap) {
    const std::optional<QString> name = keysymName(shortcut, keymap);
    if (!name)
        return std::nullopt;
    return (modifierNames(shortcut, {"CTRL", "ALT", "SHIFT", "LOGO"}) << *name).join(QLatin1Char('+'));
}

std::optional<QString> ShortcutTrigger::gnomeAccelerator(const Shortcut& shortcut, DefaultKeymap& keymap) {
    const std::optional<QString> name = keysymName(shortcut, keymap);
    if (!name)
        return std::nullopt;
    return modifierNames(shortcut, {"<Control>", "<Alt>", "<Shift>", "<Super>"}).join(QString()) + *name;
}

std::optional<int> ShortcutTrigger::qtKeyCombination(const Shortcut& shortcut, DefaultKeymap& keymap) {
    const std::optional<quint32> keysym = keysymOf(shortcut, keymap);
    const std::optional<int> key = keysym ? qtKey(*keysym) : std::nullopt;
    if (!key)
        return std::nullopt;
    return QKeyCombination(shortcut.qtModifiers(), Qt::Key(*key)).toCombined();
}

std::optional<int> ShortcutTrigger::qtKey(quint32 keysym) {
    for (const NamedKey& named : kNamedKeys)
        if (named.keysym == keysym)
            return named.key;
    if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F35)
        return Qt::Key_F1 + int(keysym - XKB_KEY_F1);
    if (keysym >= XKB_KEY_KP_0 && keysym <= XKB_KEY_KP_9)
        return Qt::Key_0 + int(keysym - XKB_KEY_KP_0);
    // Keys that type a character are that character's key, letters in upper case, as Qt names them.
    const char32_t character = xkb_keysym_to_utf32(keysym);
    if (character < 0x20 || character == 0x7f || (character >= 0x80 && character < 0xa0))
        return std::nullopt;
    return int(QChar::toUpper(character));
}

} // namespace quillo::portal
