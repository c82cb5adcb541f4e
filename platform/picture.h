#pragma once

#include <QByteArray>
#include <QImage>

namespace platform {

// The largest picture Tavelo downloads; a longer one fails with OutOfMemory.
inline constexpr qint64 MaxPictureBytes = 64 * 1024 * 1024;

// Decodes a picture: JPEG, and whatever else Qt reads. Null when the bytes
// are no picture (InvalidPicture), a picture whose decoded size would pass
// Qt's allocation limit included: Qt refuses it from its header.
QImage decodePicture(const QByteArray &bytes);

} // namespace platform
