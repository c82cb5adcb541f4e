#pragma once

#include <QImage>
#include <QString>

class QIODevice;

namespace platform {

// The largest picture Tavelo downloads; a longer one fails with OutOfMemory.
inline constexpr qint64 MaxPictureBytes = 64 * 1024 * 1024;

struct PictureFile
{
    QImage picture;      // null when loading failed
    qint32 failure = 0;  // FileNotFound, PermissionDenied or InvalidPicture
};

// Reads a picture from a file: JPEG, and whatever else Qt reads. A picture
// whose decoded size would pass Qt's allocation limit is no picture: Qt
// refuses it from its header, before allocating anything.
PictureFile loadPictureFile(const QString &path);

// Reads a picture from a device that is open for reading, under the same
// rules as loadPictureFile; its only failure is InvalidPicture.
PictureFile loadPicture(QIODevice &device);

} // namespace platform
