#include "picture.h"

#include "failure.h"

#include <QBuffer>
#include <QImageReader>

namespace platform {

Picture decodePicture(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull())
        return {{}, failure::InvalidPicture};
    return {std::move(image), 0};
}

} // namespace platform
