// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkey_settings.h"

#include "hotkey_manager.h"
#include "session/desktop_session.h"
#include "storage/preferences.h"

#include <limits>

namespace quillo {
namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// The preferences may have been edited by hand: a value beyond 32 bits is not wrapped into a real key.
std::optional<quint32> asUInt32(qint64 stored) {
    if (stored < 0 || stored > qint64(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    return quint32(stored);
}

struct FixedName {
    quint32 keyCode;
    const char16_t* name;
};

constexpr FixedName kFixedNames[] = {
    {36, u"⏎"},  {48, u"⇥"},  {49, u"Space"}, {51, u"⌫"},  {53, u"⎋"},
    {123, u"←"}, {124, u"→"}, {125, u"↓"},    {126, u"↑"},
};

} // namespace

HotKeySettings::HotKeySettings(Preferences& preferences, HotKeyManager& manager, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_manager(manager) {
    // Only the key code is tested for presence: a stored key without a mask is the bare key.
    if (m_preferences.contains(key(kKeyCodeKey))) {
        m_shortcut.keyCode =
            asUInt32(m_preferences.integerValue(key(kKeyCodeKey))).value_or(kUnusableKeyCode);
        m_shortcut.carbonModifiers = asUInt32(m_preferences.integerValue(key(kModifiersKey))).value_or(0);
    } else if (DesktopSession::isGnome()) {
        m_shortcut = Shortcut{Shortcut::kGnomeDefaultKeyCode, Shortcut::kGnomeDefaultModifiers};
    }
    m_displayString = format(m_shortcut.keyCode, m_shortcut.carbonModifiers);
}

void HotKeySettings::apply(quint32 keyCode, Qt::KeyboardModifiers modifiers) {
    const quint32 mask = Shortcut::carbonModifiersOf(modifiers);
    m_shortcut = Shortcut{keyCode, mask};
    m_preferences.setValue(key(kKeyCodeKey), keyCode);
    m_preferences.setValue(key(kModifiersKey), mask);
    m_displayString = format(keyCode, mask);
    emit displayStringChanged();
    m_manager.registerHotKey(keyCode, mask);
}

QString HotKeySettings::format(quint32 keyCode, quint32 carbonModifiers) const {
    QString text;
    if (carbonModifiers & Shortcut::kControl)
        text += u'⌃';
    if (carbonModifiers & Shortcut::kOption)
        text += u'⌥';
    if (carbonModifiers & Shortcut::kShift)
        text += u'⇧';
    if (carbonModifiers & Shortcut::kCommand)
        text += u'⌘';
    return text + keyName(keyCode);
}

QString HotKeySettings::keyName(quint32 keyCode) const {
    for (const FixedName& fixed : kFixedNames)
        if (fixed.keyCode == keyCode)
            return QString::fromUtf16(fixed.name);
    if (const std::optional<QString> text = m_manager.keyText(keyCode))
        return text->toUpper();
    return QStringLiteral("Key %1").arg(keyCode);
}

} // namespace quillo
