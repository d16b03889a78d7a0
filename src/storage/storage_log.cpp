// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage_log.h"

namespace quillo {
Q_LOGGING_CATEGORY(lcStorage, "quillo.storage", QtWarningMsg)
}
