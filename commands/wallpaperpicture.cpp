#include "commands/wallpaperpicture.h"

#include "commands/setwallpaper.h"

#include "platform/picture.h"

namespace commands {

using platform::Failure;
using platform::FetchedPicture;

void fetchWallpaperPicture(QNetworkAccessManager &network, const retrieval::ArchivePicture &picture,
                           QSize screen, const QImage &standard, QObject *context, Done done)
{
    const auto atStandardSize = [&network, picture, standard, context, done] {
        if (!standard.isNull()) {
            done(standard, {}, Failure::None);
            return;
        }
        platform::fetchPicture(network, picture.address, context, platform::decodePicture,
                               [done](const FetchedPicture &fetched) {
                                   done(fetched.picture, fetched.bytes, fetched.failure);
                               });
    };
    if ((screen.width() <= 1920 && screen.height() <= 1080) || picture.fullSize.isEmpty()) {
        atStandardSize();
        return;
    }
    const auto covering = [screen](const QByteArray &bytes) {
        return platform::decodeCovering(bytes, screen);
    };
    platform::fetchPicture(network, picture.fullSize, context, covering,
                           [atStandardSize, done](const FetchedPicture &original) {
                               if (original.failure == Failure::None)
                                   done(original.picture, {}, Failure::None);
                               else
                                   atStandardSize();
                           });
}

void makeWallpaper(QNetworkAccessManager &network, const retrieval::ArchivePicture &picture,
                   QSize screen, const QImage &standard, const QString &folder,
                   platform::Wallpaper &wallpaper, QObject *context,
                   std::function<void(platform::Failure, const QByteArray &standard)> done)
{
    const auto set = [folder, &wallpaper, context, done](const QImage &fetched,
                                                         const QByteArray &bytes, Failure failure) {
        if (failure != Failure::None)
            done(failure, {});
        else
            setAsWallpaper(fetched, folder, wallpaper, context,
                           [done, bytes](Failure taken) { done(taken, bytes); });
    };
    fetchWallpaperPicture(network, picture, screen, standard, context, set);
}

} // namespace commands
