// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcut.h"

#include <QObject>
#include <QString>

namespace quillo {

class HotKeyManager;
class Preferences;

/// The stored global shortcut and its display text ("⌘⎋"). Read once at creation (defaults applied without
/// writing: Control+Alt+N in a GNOME session, else Super+Escape), written back and registered again by
/// apply(). Main thread only.
class HotKeySettings final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString displayString READ displayString NOTIFY displayStringChanged)

public:
    static constexpr const char* kKeyCodeKey = "hotKeyKeyCode";
    static constexpr const char* kModifiersKey = "hotKeyModifiers";
    /// What a stored key code outside 0..4294967295 becomes: a code that names no key.
    static constexpr quint32 kUnusableKeyCode = 0xffffffff;

    /// apply() registers through `manager`, which also names the keys on the current layout.
    HotKeySettings(Preferences& preferences, HotKeyManager& manager, QObject* parent = nullptr);

    quint32 keyCode() const { return m_shortcut.keyCode; }
    quint32 carbonModifiers() const { return m_shortcut.carbonModifiers; }
    const QString& displayString() const { return m_displayString; }
    HotKeyManager& manager() const { return m_manager; } ///< Where apply() registers the shortcut.

    /// Makes the key with these modifiers the shortcut: stores both keys, publishes the text (also when it is
    /// unchanged) and registers it again. Nothing is refused.
    void apply(quint32 keyCode, Qt::KeyboardModifiers modifiers);

    /// The modifier symbols in the order ⌃⌥⇧⌘, then keyName(); other mask bits are ignored.
    QString format(quint32 keyCode, quint32 carbonModifiers) const;
    /// A fixed name for nine keys, else the current layout's upper-cased text, else "Key " and the code.
    QString keyName(quint32 keyCode) const;

signals:
    void displayStringChanged();

private:
    Preferences& m_preferences;
    HotKeyManager& m_manager;
    Shortcut m_shortcut;
    QString m_displayString;
};

} // namespace quillo
