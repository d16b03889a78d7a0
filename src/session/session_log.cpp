// SPDX-License-Identifier: GPL-3.0-or-later
#include "session_log.h"

namespace quillo {
Q_LOGGING_CATEGORY(lcSession, "quillo.session", QtWarningMsg)
}
