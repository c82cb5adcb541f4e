#pragma once

#include <QByteArray>
#include <QImage>

namespace platform {

// The largest picture Tavelo downloads; a longer one fails with OutOfMemory.
inline constexpr qint64 MaxPictureBytes = 64 * 1024 * 1024;

struct Picture
{
    QImage image;       // null when decoding failed
    qint32 failure = 0; // InvalidPicture, or 0
};

// Decodes a picture: JPEG, and whatever else Qt reads. A picture whose
// decoded size would pass Qt's allocation limit is no picture: Qt refuses it
// from its header, before allocating anything.
Picture decodePicture(const QByteArray &bytes);

} // namespace platform
