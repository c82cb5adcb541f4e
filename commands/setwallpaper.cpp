#include "commands/setwallpaper.h"

#include "platform/worker.h"
#include "platform/folderlock.h"
#include "platform/picture.h"
#include "platform/wallpaper.h"
#include "platform/wholefile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QImage>
#include <QPointer>

#include <memory>

namespace commands {

using platform::Failure;

namespace {

struct Written
{
    Failure failure = Failure::None;
    QString path;
    bool existed = false; // a bitmap of that name was there before
};

QString bitmapName(const QImage &picture)
{
#ifdef Q_OS_WIN
    Q_UNUSED(picture);
    return QStringLiteral("temp.bmp");
#else
    // The rows' pixels, not the padding after them, which holds anything.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(picture.width()) + 'x' + QByteArray::number(picture.height()));
    const qsizetype rowBytes = (qsizetype(picture.width()) * picture.depth() + 7) / 8;
    for (int y = 0; y < picture.height(); ++y)
        hash.addData(QByteArrayView(picture.constScanLine(y), rowBytes));
    return QStringLiteral("temp-%1.bmp").arg(QString::fromLatin1(hash.result().toHex().left(16)));
#endif
}

// Once the desktop has taken the bitmap, every other goes ("temp.bmp" too:
// the one name earlier versions used); where it refused, the new one goes.
void keepOnly(const QString &folder, const Written &written, bool taken)
{
    QDir bitmaps(folder);
    const QString name = QFileInfo(written.path).fileName();
    if (taken) {
        const QStringList names = { QStringLiteral("temp-*.bmp"), QStringLiteral("temp.bmp") };
        for (const QString &other : bitmaps.entryList(names, QDir::Files)) {
            if (other != name)
                bitmaps.remove(other);
        }
    } else if (!written.existed) {
        bitmaps.remove(name);
    }
}

} // namespace

void setAsWallpaper(const QImage &picture, const QString &folder, platform::Wallpaper &wallpaper,
                    QObject *context, std::function<void(Failure failure)> done)
{
    if (picture.isNull()) {
        done(Failure::None);
        return;
    }
    if (folder.isEmpty()) {
        done(Failure::PathNotFound);
        return;
    }
    const QPointer<QObject> guard(context);
    platform::whenLocked(folder, context, [=, &wallpaper](std::shared_ptr<QLockFile> lock) {
        if (!lock) {
            done(Failure::PermissionDenied);
            return;
        }
        // Written whatever becomes of context, so that a bitmap nobody hands
        // over is known and goes again.
        platform::onWorkerThread<Written>(
                QCoreApplication::instance(),
                [picture, folder] {
                    const QString path = folder + QLatin1Char('/') + bitmapName(picture);
                    const bool existed = QFile::exists(path);
                    const auto write = [&picture](QIODevice &file) {
                        return platform::writeBitmap(picture, file);
                    };
                    return Written{ platform::replaceWhole(path, write), path, existed };
                },
                [=, &wallpaper](const Written &written) {
                    if (!guard && !written.existed)
                        QFile::remove(written.path);
                    if (!guard)
                        return;
                    if (written.failure != Failure::None) {
                        done(written.failure);
                        return;
                    }
                    wallpaper.setWallpaper(written.path, [=](bool taken) {
                        keepOnly(folder, written, taken);
                        if (guard)
                            done(taken ? Failure::None : Failure::DeviceUnavailable);
                        lock->unlock();
                    });
                });
    });
}

} // namespace commands
