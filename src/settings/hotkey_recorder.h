// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hotkey/shortcut.h"

#include <QWidget>

#include <optional>

namespace quillo {

class HotKeySettings;

/// The field that shows the global shortcut and records a new one: a click arms it, the next key with its
/// modifiers becomes the shortcut (stored, registered and shown through HotKeySettings::apply()) and the
/// field lets go of the focus. A modifier or lock key alone records nothing. While armed, the global hotkey
/// is let go of, so that pressing it records it instead of toggling the note; it is taken again when the
/// field disarms without a recording. Main thread only.
class HotKeyRecorder final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kSize{160, 26};
    static inline const QString kPrompt = QStringLiteral("Нажмите сочетание клавиш…");

    /// `settings` must outlive the field.
    explicit HotKeyRecorder(HotKeySettings& settings, QWidget* parent = nullptr);
    ~HotKeyRecorder() override; ///< Gives the global hotkey back if it goes away armed.

    bool isRecording() const { return m_recording; } ///< True while it has the focus and waits for a key.
    QSize sizeHint() const override { return kSize; }

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void arm();
    void disarm();
    void refresh(); ///< Redraws, and tells screen readers what the field now shows.
    /// The stored key code of the physical key the event came from; nothing when it cannot be told.
    static std::optional<quint32> keyCodeOf(const QKeyEvent& event);
    static bool isModifierOrLock(const QKeyEvent& event, quint32 keyCode);

    HotKeySettings& m_settings;
    bool m_recording = false;
    bool m_recorded = false;             ///< A key was recorded during this arming.
    std::optional<Shortcut> m_suspended; ///< The registration let go of while armed.
};

} // namespace quillo
