// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_window.h"

#include "session/taskbar_hint.h"

#include <QScreen>
#include <QVBoxLayout>

namespace quillo {

SettingsWindow::SettingsWindow()
    : QDialog(nullptr,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(kTitle);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void SettingsWindow::setContent(QWidget* content) {
    delete m_content;
    m_content = content;
    layout()->addWidget(content);
    // The width is the content's own; the height follows it, wrapped lines included.
    content->ensurePolished();
    QSize size = content->sizeHint().expandedTo(content->minimumSize()).boundedTo(content->maximumSize());
    if (content->hasHeightForWidth())
        size.setHeight(content->heightForWidth(size.width()));
    setFixedSize(size);
}

void SettingsWindow::centerOn(const QScreen* screen) {
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void SettingsWindow::showEvent(QShowEvent* event) {
    keepOutOfTaskbar(windowHandle());
    QDialog::showEvent(event);
}

} // namespace quillo
