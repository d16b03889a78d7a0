#include "app_log.h"

namespace quillo {
Q_LOGGING_CATEGORY(lcApp, "quillo.app", QtWarningMsg)
}
