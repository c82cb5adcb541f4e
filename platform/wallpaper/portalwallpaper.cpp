#include "platform/wallpaper/portalwallpaper.h"

#include "platform/dbuscall.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QVariantMap>

namespace platform::wallpaper {

void setPortalWallpaper(const QString &bitmapPath, Wallpaper::Done done)
{
    QFile file(bitmapPath);
    if (!(QDBusConnection::sessionBus().connectionCapabilities()
          & QDBusConnection::UnixFileDescriptorPassing)
        || !file.open(QIODevice::ReadOnly)) {
        done(false);
        return;
    }
    // The descriptor is duplicated into the message, so the file may close here.
    const QVariantMap options = {
        { QStringLiteral("show-preview"), false },
        { QStringLiteral("set-on"), QStringLiteral("background") },
    };
    const DBusCall call{ QStringLiteral("org.freedesktop.portal.Desktop"),
                         QStringLiteral("/org/freedesktop/portal/desktop"),
                         QStringLiteral("org.freedesktop.portal.Wallpaper"),
                         QStringLiteral("SetWallpaperFile"),
                         { QString(), QVariant::fromValue(QDBusUnixFileDescriptor(file.handle())),
                           options } };
    // The portal holds the file's content once it has answered; the outcome
    // of the request comes later as a signal nobody needs.
    callSessionBus(call, [done = std::move(done)](const QDBusMessage &reply) {
        done(reply.type() == QDBusMessage::ReplyMessage);
    });
}

} // namespace platform::wallpaper
