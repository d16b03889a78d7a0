// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>

namespace quillo::portal {

/// A key sequence as KDE's shortcut service (kglobalaccel) passes it, D-Bus type (ai): four combined Qt key
/// codes (modifier flags | Qt::Key), unused ones 0.
struct KdeKeySequence final {
    QList<int> keys;

    static void registerDBusTypes(); ///< Call once before the type crosses the bus.
};
using KdeKeySequences = QList<KdeKeySequence>;

QDBusArgument& operator<<(QDBusArgument& argument, const KdeKeySequence& sequence);
const QDBusArgument& operator>>(const QDBusArgument& argument, KdeKeySequence& sequence);

} // namespace quillo::portal

Q_DECLARE_METATYPE(quillo::portal::KdeKeySequence)
