// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace quillo::portal {

/// One shortcut as the GlobalShortcuts portal passes it (D-Bus type (sa{sv})): its id and its properties,
/// "description" and "preferred_trigger" going out, "description" and "trigger_description" coming back.
struct PortalShortcut final {
    QString id;
    QVariantMap properties;

    static void registerDBusTypes(); ///< Call once before the type crosses the bus.
    /// The list in a portal answer (a QDBusArgument inside the variant); empty when it is something else.
    static QList<PortalShortcut> listFrom(const QVariant& value);
};
using PortalShortcuts = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

} // namespace quillo::portal

Q_DECLARE_METATYPE(quillo::portal::PortalShortcut)
