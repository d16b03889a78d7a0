// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkey_log.h"

namespace quillo {
Q_LOGGING_CATEGORY(lcHotKey, "quillo.hotkey", QtWarningMsg)
}
