#pragma once

#include <QImage>
#include <QString>

namespace platform {

struct PictureFile
{
    QImage picture;      // null when loading failed
    qint32 failure = 0;  // FileNotFound, PermissionDenied or InvalidPicture
};

// Reads a picture from a file: JPEG, and whatever else Qt reads. A picture
// whose decoded size would pass Qt's allocation limit is no picture.
PictureFile loadPictureFile(const QString &path);

} // namespace platform
