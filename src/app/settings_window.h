// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

class QScreen;

namespace quillo {

/// The settings window: titled and closable, sized to its content and not resizable, out of the taskbar.
/// Created once and reused: its close button, Escape and the form's "Закрыть" only hide it. Main thread only.
class SettingsWindow final : public QDialog {
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("Настройки");

    SettingsWindow(); ///< Hidden.

    /// Takes ownership and fits the window to it; the previous content is deleted at once.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    void centerOn(const QScreen* screen); ///< Centres the window in the screen's available area.

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> m_content;
};

} // namespace quillo
