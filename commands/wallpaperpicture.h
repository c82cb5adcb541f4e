#pragma once

#include "platform/failure.h"
#include "retrieval/archive.h"

#include <QImage>

#include <functional>

class QNetworkAccessManager;
class QObject;

namespace platform {
class Wallpaper;
}

namespace commands {

// The picture a wallpaper is made of, for the largest screen (in device
// pixels). Where that is wider than 1920 or taller than 1080 and the picture
// has an original, the original, decoded straight to the size that covers
// the screen; otherwise, or where the original does not arrive as a picture,
// the picture at 1920 x 1080: standard where it is given, else downloaded.
// done, called while context lives, gets the picture and the one at
// 1920 x 1080 as it came where it was downloaded; or a null picture and
// FileNotFound or InvalidPicture.
using Done = std::function<void(const QImage &picture, const QByteArray &standard,
                                platform::Failure failure)>;
void fetchWallpaperPicture(QNetworkAccessManager &network, const retrieval::ArchivePicture &picture,
                           QSize screen, const QImage &standard, QObject *context, Done done);

// Makes that picture the wallpaper, as setAsWallpaper() does with its folder;
// done as setAsWallpaper()'s, or with the picture's failure, and with the
// picture at 1920 x 1080 as it came where it was downloaded.
void makeWallpaper(QNetworkAccessManager &network, const retrieval::ArchivePicture &picture,
                   QSize screen, const QImage &standard, const QString &folder,
                   platform::Wallpaper &wallpaper, QObject *context,
                   std::function<void(platform::Failure, const QByteArray &standard)> done);

} // namespace commands
