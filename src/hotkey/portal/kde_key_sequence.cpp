// SPDX-License-Identifier: GPL-3.0-or-later
#include "kde_key_sequence.h"

#include <QDBusMetaType>

namespace quillo::portal {

void KdeKeySequence::registerDBusTypes() {
    qDBusRegisterMetaType<KdeKeySequence>();
    qDBusRegisterMetaType<KdeKeySequences>();
}

QDBusArgument& operator<<(QDBusArgument& argument, const KdeKeySequence& sequence) {
    argument.beginStructure();
    QList<int> keys = sequence.keys.mid(0, 4);
    keys.resize(4, 0);
    argument << keys;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, KdeKeySequence& sequence) {
    argument.beginStructure();
    argument >> sequence.keys;
    argument.endStructure();
    return argument;
}

} // namespace quillo::portal
