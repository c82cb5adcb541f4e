#include "commands/setwallpaper.h"

#include "platform/failure.h"
#include "platform/wallpaper.h"
#include "platform/wholefile.h"

#include <QBuffer>
#include <QImage>
#include <QString>

namespace commands {

qint32 setAsWallpaper(const QImage &picture, const QString &folder, platform::Wallpaper &wallpaper)
{
    if (picture.isNull())
        return 0;
    if (folder.isEmpty())
        return platform::failure::PathNotFound;

    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "BMP"))
        return platform::failure::PathFileAccessError;
    const QString path = folder + QStringLiteral("/temp.bmp");
    if (const qint32 failure = platform::replaceWhole(path, bitmap))
        return failure;

    wallpaper.setWallpaper(path);
    return 0;
}

} // namespace commands
