// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace quillo {

class Preferences;

/// The note window: frameless, translucent, kept out of the taskbar and pager, created once and never
/// destroyed by a close (a close only hides it). Dragging its background moves it, dragging its edges resizes
/// it; its geometry is remembered in the preferences. Main thread only.
class NoteWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kInitialSize{340, 380};
    static constexpr int kResizeMargin = 6; ///< Pixels along each edge that resize rather than move.
    static inline const QString kFrameKey = QStringLiteral("QuilloNoteWindow");

    /// Hidden, at (0, 0) with the initial size. `preferences` keeps the geometry and must outlive the window.
    explicit NoteWindow(Preferences& preferences);
    ~NoteWindow() override; ///< Writes a geometry change still waiting.

    void setContent(QWidget* content); ///< Takes ownership; the content fills the window.
    QWidget* content() const { return m_content; }

    /// Takes the geometry remembered under kFrameKey, if there is a usable one; from now on every move and
    /// resize is remembered.
    void restoreFrame();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Qt::Edges edgesAt(const QPoint& position) const;
    void frameChanged();
    void saveFrame();

    static constexpr int kFrameSaveDelayMs = 400;

    Preferences& m_preferences;
    QWidget* m_content = nullptr;
    QTimer m_frameSave;
    bool m_remembersFrame = false;
    std::optional<QPoint> m_manualDragOffset; ///< Set while moving the window ourselves.
};

} // namespace quillo
