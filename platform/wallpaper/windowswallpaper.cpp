#include "platform/wallpaper/windowswallpaper.h"

#include "platform/wallpaper/win32wallpaper.h"

#include <QDir>

namespace platform::wallpaper {

void WindowsWallpaper::setWallpaper(const QString &bitmapPath, Done done)
{
    done(setWindowsWallpaper(QDir::toNativeSeparators(bitmapPath).toStdWString()));
}

} // namespace platform::wallpaper
