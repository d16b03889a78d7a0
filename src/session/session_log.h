#pragma once

#include <QLoggingCategory>

namespace quillo {
Q_DECLARE_LOGGING_CATEGORY(lcSession)
}
