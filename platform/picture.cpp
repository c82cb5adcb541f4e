#include "picture.h"

#include "failure.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QPointer>
#include <QThreadPool>

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

void decodeInBackground(QByteArray bytes, QObject *context, std::function<void(const Picture &)> done)
{
    QPointer<QObject> guard(context);
    QThreadPool::globalInstance()->start([bytes = std::move(bytes), guard, done = std::move(done)] {
        Picture picture = decodePicture(bytes);
        // The application waits for the pool's work when it ends.
        if (QCoreApplication *application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
            application,
            [guard, done, picture = std::move(picture)] {
                if (guard)
                    done(picture);
            },
            Qt::QueuedConnection);
    });
}

} // namespace platform
