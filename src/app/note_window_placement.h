// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillo {

/// Gap in pixels between the tray icon and the note window.
inline constexpr int kNoteWindowGap = 6;

/// Where the note window's top-left corner goes for a tray icon at `anchor` (global coordinates, y
/// downwards): centred on the anchor and clamped to `available` horizontally (left edge first, then the right
/// edge, so a window wider than the area ends at its right edge); 6 px below the anchor when the anchor lies
/// in the upper half of `screen`, else 6 px above it; then kept within `available` vertically. An invalid
/// `available` skips the clamping, an invalid `screen` places below.
QPoint noteWindowOrigin(const QRect& anchor, const QSize& window, const QRect& screen,
                        const QRect& available);

} // namespace quillo
