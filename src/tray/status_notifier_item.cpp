// SPDX-License-Identifier: GPL-3.0-or-later
#include "status_notifier_item.h"

#include "tray_log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QIcon>
#include <QImage>
#include <QtEndian>

namespace quillo {
namespace {

const QString kPath = QStringLiteral("/StatusNotifierItem");
constexpr int kCallTimeoutMs = 10000;

} // namespace

const QString StatusNotifierItem::kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

StatusNotifierItem::StatusNotifierItem(QObject* parent)
    : QObject(parent)
    , m_images(renderImages()) {}

StatusNotifierItem::~StatusNotifierItem() {
    if (!m_published)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kPath);
    bus.unregisterService(m_serviceName);
}

bool StatusNotifierItem::publish() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    qDBusRegisterMetaType<StatusNotifierImage>();
    qDBusRegisterMetaType<StatusNotifierImages>();
    qDBusRegisterMetaType<StatusNotifierToolTip>();
    if (!bus.registerObject(kPath, this,
                            QDBusConnection::ExportScriptableSlots |
                                QDBusConnection::ExportScriptableSignals |
                                QDBusConnection::ExportAllProperties)) {
        qCDebug(lcTray) << "cannot export the tray item:" << bus.lastError().message();
        return false;
    }
    // The name panels expect of an item; the connection's own name does as well where it is refused.
    m_serviceName = QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());
    if (!bus.registerService(m_serviceName))
        m_serviceName = bus.baseService();
    m_published = true;
    registerWithWatcher();
    return true;
}

QString StatusNotifierItem::iconName() const {
    return QStringLiteral(QUILLO_APP_ID);
}

StatusNotifierToolTip StatusNotifierItem::toolTip() const {
    return {QString(), {}, QStringLiteral("Quillo"), QString()};
}

StatusNotifierImages StatusNotifierItem::renderImages() {
    const QIcon icon(QStringLiteral(":/quillo/note.svg"));
    StatusNotifierImages images;
    for (const int size : kImageSizes) {
        const QImage image =
            icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        StatusNotifierImage converted{image.width(), image.height(), QByteArray()};
        converted.pixels.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(converted.pixels.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian(line[x]);
        }
        images << converted;
    }
    return images;
}

void StatusNotifierItem::Activate(int x, int y) {
    emit activated(QPoint(x, y));
}

// Quillo has nothing to offer on the middle button, no menu and nothing to scroll.
void StatusNotifierItem::SecondaryActivate(int, int) {}
void StatusNotifierItem::ContextMenu(int, int) {}
void StatusNotifierItem::Scroll(int, const QString&) {}
void StatusNotifierItem::ProvideXdgActivationToken(const QString&) {}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcherService, QStringLiteral("/StatusNotifierWatcher"),
                                       kWatcherService, QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto* pending =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* reply) {
        reply->deleteLater();
        if (reply->isError())
            qCDebug(lcTray) << "the panel did not take the tray item:" << reply->error().message();
    });
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierImage& image) {
    argument.beginStructure();
    argument << image.width << image.height << image.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierImage& image) {
    argument.beginStructure();
    argument >> image.width >> image.height >> image.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip) {
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.images << toolTip.title << toolTip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip) {
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.images >> toolTip.title >> toolTip.description;
    argument.endStructure();
    return argument;
}

} // namespace quillo
