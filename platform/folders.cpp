#include "folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString downloadFolder()
{
    const QString program = programFolder();
    if (QFileInfo(program).isWritable())
        return program;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    return cache;
}

QString firstSaveFolder()
{
    const QString documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString myPictures = documents + QStringLiteral("/My Pictures/");
    if (!documents.isEmpty() && QFileInfo(myPictures).isDir())
        return myPictures;
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

} // namespace platform
