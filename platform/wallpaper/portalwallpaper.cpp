#include "platform/wallpaper/portalwallpaper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QVariantMap>

namespace platform::wallpaper {

void PortalWallpaper::setWallpaper(const QString &bitmapPath)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()
        || !(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing))
        return;
    QFile file(bitmapPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // The descriptor is duplicated into the message, so the file may close here.
    const QDBusUnixFileDescriptor descriptor(file.handle());

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Wallpaper"), QStringLiteral("SetWallpaperFile"));
    const QVariantMap options = {
        {QStringLiteral("show-preview"), false},
        {QStringLiteral("set-on"), QStringLiteral("background")},
    };
    call << QString() << QVariant::fromValue(descriptor) << options;
    // The answer comes later as a signal nobody needs: send without waiting.
    bus.send(call);
}

} // namespace platform::wallpaper
