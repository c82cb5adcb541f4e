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

// Decodes a JPEG straight to the size that covers screen (the smallest with
// the picture's proportions that is at least the screen's width and height;
// never larger than the picture), a few rows at a time, so that the whole
// original is never held: a 7000 x 4000 picture for a 3840 x 2160 screen
// costs little more than the result, three bytes a pixel. Null when the
// bytes are no JPEG it can read.
QImage decodeCovering(const QByteArray &jpeg, QSize screen);

// Writes a picture as a Windows bitmap, 24 bits a pixel, a row at a time,
// whatever form it is held in.
bool writeBitmap(const QImage &picture, QIODevice &file);

} // namespace platform
