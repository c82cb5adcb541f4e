#include "commands/setwallpaper.h"

#include "platform/wallpaper.h"

#include <QImage>
#include <QSaveFile>
#include <QString>

namespace commands {

qint32 setAsWallpaper(const QImage &picture, const QString &folder, platform::Wallpaper &wallpaper)
{
    if (picture.isNull())
        return 0;
    if (folder.isEmpty())
        return PathNotFound;

    const QString path = folder + QStringLiteral("/temp.bmp");
    // Written beside the old bitmap and renamed over it only when complete, so
    // a failed write leaves the previous wallpaper file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "BMP") || !file.commit())
        return PathFileAccessError;

    wallpaper.setWallpaper(path);
    return 0;
}

} // namespace commands
