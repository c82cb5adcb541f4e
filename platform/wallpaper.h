#pragma once

#include <QString>

#include <memory>

namespace platform {

// Makes a picture file the desktop wallpaper. The desktop records the setting
// in the user's profile, so it stays after Tavelo closes and after the next
// login. Handing over is fire-and-forget: a desktop that refuses the setting
// is not reported, and nothing here keeps the window waiting for more than a
// moment.
class Wallpaper
{
public:
    virtual ~Wallpaper() = default;
    virtual void setWallpaper(const QString &bitmapPath) = 0;
};

// The mechanism of the desktop this session runs on, chosen from the
// environment when called (see wallpaper/desktopchoice.h).
std::unique_ptr<Wallpaper> desktopWallpaper();

// Where the wallpaper bitmap is written. On Linux it is Tavelo's folder in the
// user's own data location (created when missing): /tmp is shared by every
// user and emptied at boot, which would let another user's file block or
// replace ours and make the wallpaper vanish after a restart. On Windows it
// is the user's temporary folder, which belongs to that user and persists.
// Empty when the folder cannot be had.
QString wallpaperFolder();

} // namespace platform
