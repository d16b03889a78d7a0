#include "storage_log.h"

namespace quillo {
Q_LOGGING_CATEGORY(lcStorage, "quillo.storage", QtWarningMsg)
}
