// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_styles.h"

#include <QApplication>

namespace quillo::TextStyles {
namespace {

QFont scaled(double scale) {
    QFont font = QApplication::font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    else
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * scale)));
    return font;
}

} // namespace

QFont headline() {
    QFont font = QApplication::font();
    font.setBold(true);
    return font;
}

QFont caption() {
    return scaled(0.85);
}

QFont caption2() {
    return scaled(0.75);
}

} // namespace quillo::TextStyles
