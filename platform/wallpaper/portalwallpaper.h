#pragma once

#include "platform/wallpaper.h"

namespace platform::wallpaper {

// The desktop portal's Wallpaper interface on the session bus, for desktops
// Tavelo has no way of its own for. The file goes over as an open file
// descriptor, so sandboxed and unsandboxed runs behave the same. Background
// only, with no preview dialog. With no portal on the bus nothing changes.
// Taken once the portal has answered the call.
void setPortalWallpaper(const QString &bitmapPath, Wallpaper::Done done);

} // namespace platform::wallpaper
