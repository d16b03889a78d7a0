#include "global_shortcuts_probe.h"

#include "hotkey/portal/kde_key_sequence.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>

namespace quillo::test {
namespace {

const QString kAccelService = QStringLiteral("org.kde.kglobalaccel");
constexpr int kTimeoutMs = 10000;

QString componentPath(const QString& component) {
    QString path = component;
    for (QChar& c : path)
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    return QStringLiteral("/component/") + path;
}

QDBusMessage call(const QDBusMessage& message) {
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kTimeoutMs);
}

} // namespace

std::optional<QList<int>> GlobalShortcutsProbe::keys(const QString& component, const QString& action) {
    const QDBusMessage reply = call(QDBusMessage::createMethodCall(
        kAccelService, componentPath(component), QStringLiteral("org.kde.kglobalaccel.Component"),
        QStringLiteral("allShortcutInfos")));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    // a(ssssssaiai): action, its name, component, its name, context, its name, keys, default keys.
    const QDBusArgument infos = reply.arguments().first().value<QDBusArgument>();
    std::optional<QList<int>> found;
    infos.beginArray();
    while (!infos.atEnd()) {
        QString names[6];
        QList<int> keys;
        QList<int> defaults;
        infos.beginStructure();
        for (QString& name : names)
            infos >> name;
        infos >> keys >> defaults;
        infos.endStructure();
        if (names[0] == action)
            found = keys;
    }
    infos.endArray();
    return found;
}

bool GlobalShortcutsProbe::isActive(const QString& component) {
    const QDBusMessage reply = call(QDBusMessage::createMethodCall(
        kAccelService, componentPath(component), QStringLiteral("org.kde.kglobalaccel.Component"),
        QStringLiteral("isActive")));
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

bool GlobalShortcutsProbe::setKeys(const QString& component, const QString& action, int keys) {
    portal::KdeKeySequence::registerDBusTypes();
    QDBusMessage message = QDBusMessage::createMethodCall(kAccelService, QStringLiteral("/kglobalaccel"),
                                                          QStringLiteral("org.kde.KGlobalAccel"),
                                                          QStringLiteral("setForeignShortcutKeys"));
    message << QStringList{component, action, component, action}
            << QVariant::fromValue(portal::KdeKeySequences{{{keys, 0, 0, 0}}});
    return call(message).type() == QDBusMessage::ReplyMessage;
}

QString GlobalShortcutsProbe::ownerOf(const QString& busName) {
    return QDBusConnection::sessionBus().interface()->serviceOwner(busName).value();
}

bool GlobalShortcutsProbe::portalSessionExists(const QString& uniqueName, const QString& token) {
    QString sender = uniqueName.mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2").arg(sender, token),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.portal.Session") << QStringLiteral("version");
    return call(get).type() == QDBusMessage::ReplyMessage;
}

} // namespace quillo::test
