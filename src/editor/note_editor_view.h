// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QToolButton;

namespace quillo {

class AppearanceStore;
class NoteTextView;
class NotesStore;

/// The whole content of the note window: a header with the title and the settings and quit buttons, the note
/// text, and a footer with the note file's path and the time of the last save, on a background in the chosen
/// colour and opacity. Every text and icon takes the appearance's automatic text colour. The stores must
/// outlive the view. Main thread only.
class NoteEditorView final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kMinimumSize{260, 200};
    static inline const QString kSavedPrefix = QStringLiteral("сохранено ");

    /// onOpenSettings and onQuit run when the gear and the power button are pressed.
    NoteEditorView(NotesStore& store, AppearanceStore& appearance, std::function<void()> onOpenSettings,
                   std::function<void()> onQuit, QWidget* parent = nullptr);

    NoteTextView* textView() const { return m_textView; }

    /// The time of day with hours, minutes and seconds in the system locale, as the footer shows it.
    static QString formatSaveTime(const QTime& time);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLayout* makeHeader();
    QLayout* makeFooter();
    QWidget* makeDivider();
    QToolButton* makeIconButton(const QString& objectName, const QString& toolTip,
                                std::function<void()> action);
    void applyAppearance();
    void showPath();
    void showLastSave();

    NotesStore& m_store;
    AppearanceStore& m_appearance;
    std::function<void()> m_onOpenSettings;
    std::function<void()> m_onQuit;
    QLabel* m_title = nullptr;
    QToolButton* m_settingsButton = nullptr;
    QToolButton* m_quitButton = nullptr;
    NoteTextView* m_textView = nullptr;
    QLabel* m_path = nullptr;
    QLabel* m_lastSave = nullptr;
    QList<QWidget*> m_dividers;
};

} // namespace quillo
