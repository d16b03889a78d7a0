// SPDX-License-Identifier: GPL-3.0-or-later
#include "note_window_placement.h"

#include <QtMath>

namespace quillo {

QPoint noteWindowOrigin(const QRect& anchor, const QSize& window, const QRect& screen,
                        const QRect& available) {
    int x = qFloor(anchor.x() + anchor.width() / 2.0 - window.width() / 2.0);
    if (available.isValid()) {
        const int right = available.x() + available.width();
        if (x <= available.x())
            x = available.x();
        if (right - window.width() < x)
            x = right - window.width();
    }

    const bool upperHalf =
        !screen.isValid() || 2 * anchor.y() + anchor.height() < 2 * screen.y() + screen.height();
    int y = upperHalf ? anchor.y() + anchor.height() + kNoteWindowGap
                      : anchor.y() - kNoteWindowGap - window.height();
    if (available.isValid()) {
        // Bottom first, then top: a window taller than the area keeps its header reachable.
        const int bottom = available.y() + available.height();
        if (y + window.height() > bottom)
            y = bottom - window.height();
        if (y < available.y())
            y = available.y();
    }
    return {x, y};
}

} // namespace quillo
