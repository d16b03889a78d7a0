#include "hotkey_log.h"

namespace quillo {
Q_LOGGING_CATEGORY(lcHotKey, "quillo.hotkey", QtWarningMsg)
}
