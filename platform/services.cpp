#include "services.h"

#include "clock.h"
#include "dialogs.h"
#include "folders.h"
#include "wallpaper.h"

namespace platform {

Services systemServices()
{
    static SystemDialogs dialogs;
    static SystemClock clock;
    // Chosen once, from the environment the session started with.
    static const std::unique_ptr<Wallpaper> wallpaper = desktopWallpaper();
    return { dialogs, clock, *wallpaper, programFolder(), keptFolder() };
}

} // namespace platform
