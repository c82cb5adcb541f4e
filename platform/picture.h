#pragma once

#include "failure.h"

#include <QByteArray>
#include <QImage>

#include <functional>

class QNetworkAccessManager;
class QObject;

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

// A picture downloaded and decoded: the picture and its bytes as they came,
// or a null picture and FileNotFound (nothing arrived, whatever the reason)
// or InvalidPicture.
struct FetchedPicture
{
    QImage picture;
    QByteArray bytes;
    Failure failure = Failure::None;
};
using Decode = std::function<QImage(const QByteArray &bytes)>;

// Downloads a picture, of MaxPictureBytes at most, and decodes it with decode
// on a worker thread; done gets it while context lives.
void fetchPicture(QNetworkAccessManager &network, const QString &address, QObject *context,
                  Decode decode, std::function<void(const FetchedPicture &fetched)> done);

// Decodes bytes already at hand on a worker thread, as fetchPicture() would.
void decodeOnWorker(const QByteArray &bytes, QObject *context, Decode decode,
                    std::function<void(const FetchedPicture &fetched)> done);

// Writes a picture as a Windows bitmap, 24 bits a pixel, a row at a time,
// whatever form it is held in.
bool writeBitmap(const QImage &picture, QIODevice &file);

} // namespace platform
