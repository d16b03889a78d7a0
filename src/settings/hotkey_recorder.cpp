// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkey_recorder.h"

#include "hotkey/hotkey_manager.h"
#include "hotkey/hotkey_settings.h"
#include "hotkey/key_codes.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace quillo {
namespace {

constexpr qreal kCornerRadius = 6;
constexpr qreal kFontPointSize = 12;

// Keys that only change or lock others, whatever the table says of the physical key they sit on.
constexpr Qt::Key kModifierAndLockKeys[] = {
    Qt::Key_Shift,    Qt::Key_Control, Qt::Key_Meta,       Qt::Key_Alt,     Qt::Key_AltGr,
    Qt::Key_Super_L,  Qt::Key_Super_R, Qt::Key_Hyper_L,    Qt::Key_Hyper_R, Qt::Key_Mode_switch,
    Qt::Key_CapsLock, Qt::Key_NumLock, Qt::Key_ScrollLock,
};

} // namespace

HotKeyRecorder::HotKeyRecorder(HotKeySettings& settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings) {
    // A click arms the field; Tab passes it by, since it would arm a field that then swallows the next Tab.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Открывать заметку по хоткею"));
    connect(&m_settings, &HotKeySettings::displayStringChanged, this, &HotKeyRecorder::refresh);
    refresh();
}

void HotKeyRecorder::refresh() {
    // What the field shows is drawn, so a screen reader hears it from the description.
    setAccessibleDescription(m_recording ? kPrompt : m_settings.displayString());
    update();
}

HotKeyRecorder::~HotKeyRecorder() {
    // Going away while armed (the form is rebuilt, the window closes): no focus-out will reach this class.
    if (m_recording)
        disarm();
}

bool HotKeyRecorder::event(QEvent* event) {
    // Tab and Shift+Tab would move the focus before keyPressEvent(); while armed they are keys like any
    // other.
    if (m_recording && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return true;
        }
    }
    return QWidget::event(event);
}

void HotKeyRecorder::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    arm();
}

void HotKeyRecorder::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    disarm();
}

void HotKeyRecorder::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void HotKeyRecorder::keyPressEvent(QKeyEvent* event) {
    if (!m_recording) {
        event->ignore();
        return;
    }
    // Return alone belongs to the window's default button, as it would before any control saw it.
    if (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier) {
        event->ignore();
        return;
    }
    // Every other key is the field's while armed; one it cannot record leaves it waiting.
    event->accept();
    const std::optional<quint32> keyCode = keyCodeOf(*event);
    if (!keyCode || isModifierOrLock(*event, *keyCode))
        return;
    m_recorded = true;
    m_settings.apply(*keyCode, event->modifiers());
    update();
    clearFocus();
}

void HotKeyRecorder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(shape, palette().color(m_recording ? QPalette::Highlight : QPalette::Button));

    const QString text = m_recording ? kPrompt : m_settings.displayString();
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(kFontPointSize);
    font.setWeight(QFont::Medium);
    // A text wider than the field (the prompt, in a wide font) is made smaller rather than cut off.
    const qreal room = width() - 2 * kCornerRadius;
    const qreal needed = QFontMetricsF(font).horizontalAdvance(text);
    if (needed > room && room > 0)
        font.setPointSizeF(kFontPointSize * room / needed);
    painter.setFont(font);
    painter.setPen(m_recording ? QColor(Qt::white) : palette().color(QPalette::WindowText));
    painter.drawText(QRectF(rect()), Qt::AlignCenter | Qt::TextDontClip | Qt::TextSingleLine, text);
}

void HotKeyRecorder::arm() {
    if (m_recording)
        return;
    m_recording = true;
    m_recorded = false;
    HotKeyManager& manager = m_settings.manager();
    m_suspended = manager.registered();
    manager.unregister();
    refresh();
}

void HotKeyRecorder::disarm() {
    if (!m_recording)
        return;
    m_recording = false;
    // A recording has registered the new shortcut already; otherwise the old one is taken again.
    if (!m_recorded && m_suspended)
        m_settings.manager().registerHotKey(m_suspended->keyCode, m_suspended->carbonModifiers);
    m_suspended.reset();
    refresh();
}

std::optional<quint32> HotKeyRecorder::keyCodeOf(const QKeyEvent& event) {
    const quint32 scanCode = event.nativeScanCode();
    if (scanCode < KeyCodes::kEvdevOffset)
        return std::nullopt;
    return KeyCodes::keyCode(scanCode - KeyCodes::kEvdevOffset);
}

bool HotKeyRecorder::isModifierOrLock(const QKeyEvent& event, quint32 keyCode) {
    if (KeyCodes::isModifierKey(keyCode))
        return true;
    const auto key = Qt::Key(event.key());
    return std::find(std::begin(kModifierAndLockKeys), std::end(kModifierAndLockKeys), key) !=
           std::end(kModifierAndLockKeys);
}

} // namespace quillo
