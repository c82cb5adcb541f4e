#include "platform/wallpaper/lxqtwallpaper.h"

#include <QProcess>

namespace platform::wallpaper {

QStringList lxqtArguments(const QString &bitmapPath)
{
    return {QStringLiteral("--set-wallpaper=") + bitmapPath};
}

void LxqtWallpaper::setWallpaper(const QString &bitmapPath)
{
    // Found through PATH; when it is missing nothing starts and nothing changes.
    QProcess::startDetached(QStringLiteral("pcmanfm-qt"), lxqtArguments(bitmapPath));
}

} // namespace platform::wallpaper
