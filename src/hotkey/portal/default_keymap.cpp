// SPDX-License-Identifier: GPL-3.0-or-later
#include "default_keymap.h"

#include "hotkey/hotkey_log.h"
#include "hotkey/key_codes.h"

#include <QByteArray>

namespace quillo::portal {

DefaultKeymap::DefaultKeymap() = default;
DefaultKeymap::~DefaultKeymap() = default;

bool DefaultKeymap::load() {
    if (m_loaded)
        return bool(m_keymap);
    m_loaded = true;
    m_context.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (m_context)
        m_keymap.reset(xkb_keymap_new_from_names(m_context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!m_keymap)
        qCDebug(lcHotKey) << "xkbcommon could not compile its default keymap: no key names";
    return bool(m_keymap);
}

quint32 DefaultKeymap::keysym(quint32 evdevCode) {
    if (!load())
        return XKB_KEY_NoSymbol;
    const xkb_keysym_t* symbols = nullptr;
    const int count =
        xkb_keymap_key_get_syms_by_level(m_keymap.get(), evdevCode + KeyCodes::kEvdevOffset, 0, 0, &symbols);
    return count > 0 ? symbols[0] : XKB_KEY_NoSymbol;
}

std::optional<QString> DefaultKeymap::text(quint32 evdevCode) {
    const xkb_keysym_t symbol = keysym(evdevCode);
    if (symbol == XKB_KEY_NoSymbol)
        return std::nullopt;
    char utf8[16] = {};
    const int size = xkb_keysym_to_utf8(symbol, utf8, sizeof utf8);
    // 1 is the terminating zero alone; control characters are no text either.
    if (size <= 1 || static_cast<unsigned char>(utf8[0]) < 0x20 || utf8[0] == 0x7f)
        return std::nullopt;
    return QString::fromUtf8(utf8, size - 1);
}

} // namespace quillo::portal
