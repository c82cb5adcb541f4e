#include "folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace platform {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString downloadFolder(const QString &programFolder)
{
    // Try it: permission bits do not tell the whole story (read-only file
    // systems, or an administrator who may write anywhere).
    if (QTemporaryFile(programFolder + QStringLiteral("/.tavelo-XXXXXX")).open())
        return programFolder;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    return cache;
}

QString keptFolder()
{
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                             QCoreApplication::applicationName(),
                             QCoreApplication::applicationName());
    if (!settings.value(QStringLiteral("Pictures/keep"), true).toBool())
        return {};
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + QStringLiteral("/")
            + QCoreApplication::applicationName();
}

QString firstSaveFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString myPictures = documents + QStringLiteral("/My Pictures/");
    if (!documents.isEmpty() && QFileInfo(myPictures).isDir())
        return myPictures;
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

} // namespace platform
