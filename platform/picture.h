#pragma once

#include <QByteArray>
#include <QImage>

#include <functional>

class QObject;

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

// The same on a worker thread, so that a large picture never holds up the
// window; done is called on context's thread, and not at all once context
// is gone.
void decodeInBackground(QByteArray bytes, QObject *context, std::function<void(const Picture &)> done);

} // namespace platform
