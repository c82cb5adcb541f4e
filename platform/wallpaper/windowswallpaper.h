#pragma once

#include "platform/wallpaper.h"

namespace platform::wallpaper {

// Windows: the path with native separators, handed to setWindowsWallpaper().
class WindowsWallpaper : public Wallpaper
{
public:
    void setWallpaper(const QString &bitmapPath, Done done) override;
};

} // namespace platform::wallpaper
