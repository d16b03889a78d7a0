// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWindow;

namespace quillo {

/// Asks the X11 window manager to leave the window out of the taskbar and the pager, as no window of Quillo
/// belongs there. Call on the unmapped window before every show: the window manager drops the request when
/// the window is hidden. Does nothing on other platforms.
void keepOutOfTaskbar(QWindow* window);

} // namespace quillo
