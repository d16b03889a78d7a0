#pragma once

#include "shortcut.h"

#include <QObject>
#include <QString>

#include <optional>

namespace quillo {

class HotKeyManager;
class Preferences;

/// The stored global shortcut and its display text ("⌘⎋"). Read once at creation (defaults applied without
/// writing), written back and registered again by apply(). Main thread only.
class HotKeySettings final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString displayString READ displayString NOTIFY displayStringChanged)

public:
    static constexpr const char* kKeyCodeKey = "hotKeyKeyCode";
    static constexpr const char* kModifiersKey = "hotKeyModifiers";
    /// What a stored key code outside 0..4294967295 becomes: a code that names no key.
    static constexpr quint32 kUnusableKeyCode = 0xffffffff;

    static HotKeySettings& shared(); ///< Created on first use from the shared preferences; lives until exit.
    /// Tests build their own; apply() registers through the given manager.
    HotKeySettings(Preferences& preferences, HotKeyManager& manager, QObject* parent = nullptr);

    quint32 keyCode() const { return m_shortcut.keyCode; }
    quint32 carbonModifiers() const { return m_shortcut.carbonModifiers; }
    const QString& displayString() const { return m_displayString; }
    HotKeyManager& manager() const { return m_manager; } ///< Where apply() registers the shortcut.

    /// Makes the key with these modifiers the shortcut: stores both keys, publishes the text (also when it is
    /// unchanged) and registers it again. Nothing is refused.
    void apply(quint32 keyCode, Qt::KeyboardModifiers modifiers);

    /// The modifier symbols in the order ⌃⌥⇧⌘, then keyName(); other mask bits are ignored.
    static QString format(quint32 keyCode, quint32 carbonModifiers);
    /// A fixed name for nine keys, else the current layout's upper-cased text, else "Key " and the code.
    static QString keyName(quint32 keyCode);
    /// The text the key types with no modifiers on the keyboard's current layout, read now.
    static std::optional<QString> charactersForKeyCode(quint32 keyCode);

signals:
    void displayStringChanged();

private:
    Preferences& m_preferences;
    HotKeyManager& m_manager;
    Shortcut m_shortcut;
    QString m_displayString;
};

} // namespace quillo
