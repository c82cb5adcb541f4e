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
    QImage picture = reader.read();
    if (picture.isNull())
        return {{}, failure::InvalidPicture};
    return {std::move(picture), 0};
}

} // namespace platform
