// SPDX-License-Identifier: GPL-3.0-or-later
#include "note_window.h"

#include "session/taskbar_hint.h"
#include "storage/preferences.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace quillo {

NoteWindow::NoteWindow(Preferences& preferences)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    , m_preferences(preferences) {
    setWindowTitle(QStringLiteral("Quillo"));
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(QRect(QPoint(0, 0), kInitialSize));
    setMouseTracking(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_frameSave.setSingleShot(true);
    m_frameSave.setInterval(kFrameSaveDelayMs);
    connect(&m_frameSave, &QTimer::timeout, this, &NoteWindow::saveFrame);
}

NoteWindow::~NoteWindow() {
    if (m_frameSave.isActive())
        saveFrame();
}

void NoteWindow::setContent(QWidget* content) {
    delete m_content;
    m_content = content;
    // Hover moves over the background reach the window, which shows the resize cursor at the edges.
    m_content->setMouseTracking(true);
    layout()->addWidget(m_content);
    // The content decides how small the window may get, also before the layout first runs.
    setMinimumSize(m_content->minimumSize());
}

void NoteWindow::restoreFrame() {
    if (const std::optional<QByteArray> frame = m_preferences.bytesValue(kFrameKey))
        restoreGeometry(*frame);
    m_remembersFrame = true;
}

void NoteWindow::showEvent(QShowEvent* event) {
    keepOutOfTaskbar(windowHandle());
    QWidget::showEvent(event);
}

void NoteWindow::hideEvent(QHideEvent* event) {
    if (m_frameSave.isActive())
        saveFrame();
    m_manualDragOffset.reset();
    QWidget::hideEvent(event);
}

void NoteWindow::closeEvent(QCloseEvent* event) {
    // The window lives as long as Quillo: a close request from anywhere only takes it off the screen.
    event->ignore();
    hide();
}

void NoteWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    frameChanged();
}

void NoteWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    frameChanged();
}

void NoteWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Presses on the background (the content passes them on) move or resize the window through the window
    // manager, as a title bar would.
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    QWindow* window = windowHandle();
    const bool started = window && (edges ? window->startSystemResize(edges) : window->startSystemMove());
    if (!started && !edges)
        m_manualDragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void NoteWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_manualDragOffset && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *m_manualDragOffset);
        return;
    }
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge))
        setCursor(Qt::SizeFDiagCursor);
    else if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge))
        setCursor(Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges)
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
}

void NoteWindow::mouseReleaseEvent(QMouseEvent* event) {
    m_manualDragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

Qt::Edges NoteWindow::edgesAt(const QPoint& position) const {
    Qt::Edges edges;
    if (position.x() < kResizeMargin)
        edges |= Qt::LeftEdge;
    if (position.x() >= width() - kResizeMargin)
        edges |= Qt::RightEdge;
    if (position.y() < kResizeMargin)
        edges |= Qt::TopEdge;
    if (position.y() >= height() - kResizeMargin)
        edges |= Qt::BottomEdge;
    return edges;
}

void NoteWindow::frameChanged() {
    // A drag moves the window many times a second; the settings file is written once it has come to rest.
    if (m_remembersFrame && isVisible())
        m_frameSave.start();
}

void NoteWindow::saveFrame() {
    m_frameSave.stop();
    m_preferences.setValue(kFrameKey, saveGeometry());
}

} // namespace quillo
