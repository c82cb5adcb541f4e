#pragma once

#include "platform/wallpaper.h"

namespace platform::wallpaper {

// LXQt: pcmanfm-qt, which draws the LXQt desktop, started with the argument
// "--set-wallpaper=" and the path (no shell ever sees the path). The one
// started hands the request to the running pcmanfm-qt, which records it in
// its settings, and ends: taken when it ends with success.
void setLxqtWallpaper(const QString &bitmapPath, Wallpaper::Done done);

} // namespace platform::wallpaper
