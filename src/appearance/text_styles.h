// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace quillo {

/// Quillo's text styles, all derived from the application font so that they follow the desktop's choice.
namespace TextStyles {
QFont headline(); ///< The application font, bold.
QFont caption();  ///< 0.85 of the application font's size.
QFont caption2(); ///< 0.75 of the application font's size.
} // namespace TextStyles

} // namespace quillo
