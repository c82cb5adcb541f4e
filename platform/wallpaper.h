#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace platform {

// Makes a picture file the desktop wallpaper. The desktop records the setting
// in the user's profile, so it stays after Tavelo closes and after the next
// login. Nothing here keeps the window waiting for more than a moment: the
// desktop's answer comes later, through done.
class Wallpaper
{
public:
    // Called once, when the desktop has answered: true when it took the file
    // (its setting names the file now), false when it refused or could not be
    // reached. Possibly before setWallpaper() returns; never, when the desktop
    // never answers.
    using Done = std::function<void(bool taken)>;

    virtual ~Wallpaper() = default;
    virtual void setWallpaper(const QString &bitmapPath, Done done) = 0;
};

// The mechanism of the desktop this session runs on, chosen from the
// environment when called (see wallpaper/wallpaper.cpp).
std::unique_ptr<Wallpaper> desktopWallpaper();

// The desktop whose way a session with these names uses ("cinnamon", "mate",
// "plasma", "xfce", "lxqt", "gnome"), or "portal" for any other.
QString desktopOf(const QString &xdgCurrentDesktop, const QString &desktopSession);

// Whether the desktop was last handed a picture in folder that it draws but
// could not keep for its next start (LXQt from a plain colour, while its
// desktop held a window of the user's); finishWallpaper() then hands it over
// again, to be kept where that has become possible. done(true) when nothing
// is left to finish.
bool wallpaperUnfinished(const QString &folder);
void finishWallpaper(const QString &folder, Wallpaper::Done done);

// Where the wallpaper bitmap is written. On Linux it is Tavelo's folder in the
// user's own data location (created when missing): /tmp is shared by every
// user and emptied at boot, which would let another user's file block or
// replace ours and make the wallpaper vanish after a restart. On Windows it
// is the user's temporary folder, which belongs to that user and persists.
// Empty when the folder cannot be had.
QString wallpaperFolder();

} // namespace platform
