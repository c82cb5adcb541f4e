#include "commands/setwallpaper.h"

#include "platform/background.h"
#include "platform/picture.h"
#include "platform/wallpaper.h"
#include "platform/wholefile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLockFile>
#include <QPointer>
#include <QTimer>

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

// Takes the lock without holding up the thread: tries again every 100 ms,
// for 30 s at most, while context lives, as long as another run holds it.
// Where the lock cannot be made at all, then(true): the bitmap's own write
// fails there too, and says why.
void whenLocked(std::shared_ptr<QLockFile> lock, int tries, QObject *context, std::function<void(bool locked)> then)
{
    if (lock->tryLock(0) || tries == 0 || lock->error() != QLockFile::LockFailedError) {
        then(lock->isLocked() || lock->error() != QLockFile::LockFailedError);
        return;
    }
    QTimer::singleShot(100, context, [lock, tries, context, then] { whenLocked(lock, tries - 1, context, then); });
}

} // namespace

void setAsWallpaper(const QImage &picture, const QString &folder, platform::Wallpaper &wallpaper, QObject *context,
                    std::function<void(Failure failure)> done)
{
    if (picture.isNull()) {
        done(Failure::None);
        return;
    }
    if (folder.isEmpty()) {
        done(Failure::PathNotFound);
        return;
    }
    auto lock = std::make_shared<QLockFile>(folder + QStringLiteral("/wallpaper.lock"));
    lock->setStaleLockTime(0); // stale only when its owner is gone: the desktop may take its time
    whenLocked(lock, 300, context, [=, &wallpaper](bool mayWrite) {
        if (!mayWrite) {
            done(Failure::PermissionDenied);
            return;
        }
        platform::inBackground<Written>(
            context,
            [picture, folder] {
                const QString path = folder + QLatin1Char('/') + bitmapName(picture);
                const bool existed = QFile::exists(path);
                return Written{platform::replaceWhole(path, [&picture](QIODevice &file) { return platform::writeBitmap(picture, file); }),
                               path, existed};
            },
            [=, &wallpaper](const Written &written) {
                if (written.failure != Failure::None) {
                    done(written.failure);
                    return;
                }
                wallpaper.setWallpaper(written.path, [=, guard = QPointer<QObject>(context)](bool taken) {
                    QDir bitmaps(folder);
                    const QString name = QFileInfo(written.path).fileName();
                    if (taken) {
                        // "temp.bmp" too: the one name earlier versions used.
                        for (const QString &other : bitmaps.entryList({QStringLiteral("temp-*.bmp"), QStringLiteral("temp.bmp")}, QDir::Files)) {
                            if (other != name)
                                bitmaps.remove(other);
                        }
                    } else if (!written.existed) {
                        bitmaps.remove(name);
                    }
                    lock->unlock();
                    if (guard)
                        done(taken ? Failure::None : Failure::DeviceUnavailable);
                });
            });
    });
}

} // namespace commands
