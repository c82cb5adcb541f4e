#include "picturefile.h"

#include "failure.h"

#include <QFile>
#include <QImageReader>

namespace platform {

PictureFile loadPictureFile(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {{}, failure::FileNotFound};
    if (!file.open(QIODevice::ReadOnly)) {
        return {{}, file.error() == QFileDevice::PermissionsError ? failure::PermissionDenied
                                                                    : failure::FileNotFound};
    }
    return loadPicture(file);
}

PictureFile loadPicture(QIODevice &device)
{
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    // The window shows every picture with 32 bits a pixel, so a picture
    // stored with fewer (grey, indexed) must fit the limit at that depth too.
    const QSize size = reader.size();
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (size.isValid() && limitBytes > 0 && qint64(size.width()) * size.height() * 4 > limitBytes)
        return {{}, failure::InvalidPicture};
    QImage picture = reader.read();
    if (picture.isNull())
        return {{}, failure::InvalidPicture};
    return {std::move(picture), 0};
}

} // namespace platform
