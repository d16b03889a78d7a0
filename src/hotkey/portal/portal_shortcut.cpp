// SPDX-License-Identifier: GPL-3.0-or-later
#include "portal_shortcut.h"

#include <QDBusMetaType>

namespace quillo::portal {

void PortalShortcut::registerDBusTypes() {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
}

PortalShortcuts PortalShortcut::listFrom(const QVariant& value) {
    PortalShortcuts shortcuts;
    if (!value.canConvert<QDBusArgument>())
        return shortcuts;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sa{sv})"))
        return shortcuts;
    argument >> shortcuts;
    return shortcuts;
}

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace quillo::portal
