#include "platform/wallpaper/portalwallpaper.h"

#include "platform/wallpaper/dbusanswer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QVariantMap>

namespace platform::wallpaper {

void PortalWallpaper::setWallpaper(const QString &bitmapPath, Done done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QFile file(bitmapPath);
    if (!bus.isConnected()
        || !(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)
        || !file.open(QIODevice::ReadOnly)) {
        done(false);
        return;
    }
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
    // The portal holds the file's content once it has answered; the outcome
    // of the request comes later as a signal nobody needs.
    whenAnswered(bus.asyncCall(call), std::move(done));
}

} // namespace platform::wallpaper
