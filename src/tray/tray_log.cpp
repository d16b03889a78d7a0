// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray_log.h"

namespace quillo {
Q_LOGGING_CATEGORY(lcTray, "quillo.tray", QtWarningMsg)
}
