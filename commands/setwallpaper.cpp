#include "commands/setwallpaper.h"

#include "platform/wallpaper.h"
#include "platform/wholefile.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>

#include <algorithm>

namespace commands {

namespace {

#ifndef Q_OS_WIN
// Deletes the bitmaps in folder but the newest, which the desktop may still
// show, and returns that one (none when there is none). The bitmap named
// current is left alone: it is about to be written again.
QFileInfo keepNewestBitmap(const QString &folder, const QString &current)
{
    QDir dir(folder);
    // "temp.bmp" too: the one name earlier versions used.
    const QFileInfoList bitmaps = dir.entryInfoList(
        {QStringLiteral("temp-*.bmp"), QStringLiteral("temp.bmp")}, QDir::Files, QDir::Time);
    QFileInfo newest;
    for (const QFileInfo &bitmap : bitmaps) {
        if (bitmap.fileName() == current)
            continue;
        if (newest.fileName().isEmpty())
            newest = bitmap;
        else
            dir.remove(bitmap.fileName());
    }
    return newest;
}
#endif

} // namespace

platform::Failure setAsWallpaper(const QImage &picture, const QString &folder, platform::Wallpaper &wallpaper)
{
    using platform::Failure;
    if (picture.isNull())
        return Failure::None;
    if (folder.isEmpty())
        return Failure::PathNotFound;

    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "BMP"))
        return Failure::PathFileAccessError;
#ifdef Q_OS_WIN
    // Windows reads the file afresh at every call: one name serves.
    const QString name = QStringLiteral("temp.bmp");
    const QFileInfo previous;
#else
    // A new name for a new picture: desktops that are handed the name they
    // already have keep the picture they drew from it.
    const QString name = QStringLiteral("temp-%1.bmp").arg(QString::fromLatin1(
        QCryptographicHash::hash(bitmap, QCryptographicHash::Sha256).toHex().left(16)));
    const QFileInfo previous = keepNewestBitmap(folder, name);
#endif
    // The desktop is never handed a half-written file, and a failed write
    // leaves an earlier file of that name whole.
    const QString path = folder + QLatin1Char('/') + name;
    if (const Failure failure = platform::replaceWhole(path, bitmap); failure != Failure::None)
        return failure;
    // Newer than the bitmap before, even within one tick of the file system's
    // clock, so that the next click tells which of the two is the newest.
    if (QFile written(path); previous.exists() && written.open(QIODevice::ReadWrite)) {
        written.setFileTime(std::max(QDateTime::currentDateTimeUtc(), previous.lastModified().addMSecs(1)),
                            QFileDevice::FileModificationTime);
    }

    // The bitmap before goes once the desktop has the new one.
    wallpaper.setWallpaper(path, [previous = previous.filePath()](bool taken) {
        if (taken && !previous.isEmpty())
            QFile::remove(previous);
    });
    return Failure::None;
}

} // namespace commands
