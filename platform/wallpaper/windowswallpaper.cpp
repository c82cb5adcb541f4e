#include "platform/wallpaper/windowswallpaper.h"

#include "platform/wallpaper/win32wallpaper.h"

#include <QDir>

namespace platform::wallpaper {

void WindowsWallpaper::setWallpaper(const QString &bitmapPath)
{
    // A refusal is not reported.
    setWindowsWallpaper(QDir::toNativeSeparators(bitmapPath).toStdWString());
}

} // namespace platform::wallpaper
