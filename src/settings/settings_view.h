// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QColorDialog;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace quillo {

class AppearanceStore;
class HotKeyRecorder;
class HotKeySettings;
class NotesStore;
class SettingsViewModel;

/// The settings form: the note file (applied only by "Закрыть"), the look of the note window and the hotkey
/// (both written to their stores at once, so the note window follows). One fixed-width column that follows
/// the stores it observes. The stores and the model must outlive the form. Main thread only.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 440;
    static constexpr int kMargin = 16;
    static constexpr int kSpacing = 14;
    static constexpr double kMinimumOpacity = 0.2;
    static constexpr double kMaximumOpacity = 1.0;
    static constexpr int kMinimumFontSize = 9;
    static constexpr int kMaximumFontSize = 32;

    /// onClose runs after "Закрыть" (the button or Return) has applied the path; it closes the window.
    SettingsView(NotesStore& store, AppearanceStore& appearance, HotKeySettings& hotKeySettings,
                 SettingsViewModel& model, std::function<void()> onClose, QWidget* parent = nullptr);

    /// "28%" for 0.29: the value × 100 truncated toward zero. "—%" when there is no such integer.
    static QString opacityText(double opacity);
    /// "13 pt": the size truncated toward zero. "— pt" when there is no such integer.
    static QString fontSizeText(double size);

    QLineEdit* pathField() const { return m_pathField; }
    QPushButton* browseButton() const { return m_browseButton; }
    QPushButton* colorWell() const { return m_colorWell; }
    QSlider* opacitySlider() const { return m_opacitySlider; }
    QLabel* opacityLabel() const { return m_opacityLabel; }
    QComboBox* fontList() const { return m_fontList; }
    QSpinBox* fontSizeBox() const { return m_fontSizeBox; }
    HotKeyRecorder* recorder() const { return m_recorder; }
    QPushButton* closeButton() const { return m_closeButton; }

protected:
    void showEvent(QShowEvent* event) override;    ///< The first show fills the path field from the store.
    void keyPressEvent(QKeyEvent* event) override; ///< Return that no control took presses "Закрыть".

private:
    QLayout* makePathRow();
    QWidget* makeColorRow();
    QLayout* makeOpacityRow();
    QLayout* makeFontRow();
    QLayout* makeHotKeyRow();
    QLayout* makeCloseRow();
    QLabel* makeText(const QString& text, const QFont& font, bool secondary);
    QWidget* makeDivider();

    void chooseFile();
    void chooseColor();
    void applyAndClose();
    void showPathText();
    void showColor();
    void showOpacity();
    void showFontName();
    void showFontSize();

    NotesStore& m_store;
    AppearanceStore& m_appearance;
    SettingsViewModel& m_model;
    std::function<void()> m_onClose;
    bool m_appeared = false;

    QLineEdit* m_pathField = nullptr;
    QPushButton* m_browseButton = nullptr;
    QPushButton* m_colorWell = nullptr;
    QSlider* m_opacitySlider = nullptr;
    QLabel* m_opacityLabel = nullptr;
    QComboBox* m_fontList = nullptr;
    QSpinBox* m_fontSizeBox = nullptr;
    HotKeyRecorder* m_recorder = nullptr;
    QPushButton* m_closeButton = nullptr;
    QPointer<QFileDialog> m_fileDialog;
    QPointer<QColorDialog> m_colorDialog;
};

} // namespace quillo
