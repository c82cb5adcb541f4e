#pragma once

#include "platform/failure.h"

class QImage;
class QString;

namespace platform {
class Wallpaper;
}

namespace commands {

// "设置背景": writes picture as a Windows bitmap in folder and hands its path
// to the desktop. The file stays, since the desktop reads it from there.
//
// On Linux the name is "temp-" and a hash of the bitmap, ".bmp": a new name
// for every new picture, since desktops handed a name they already have keep
// showing what they drew. The bitmap handed over before is deleted once the
// desktop has taken the new one, and older ones before writing, so the folder
// holds two bitmaps at most. On Windows the name is always "temp.bmp",
// replacing the one a click before wrote.
//
// Returns None when the path was handed over (whether the desktop takes it
// is not reported), or the failure for the top-level error report; on
// failure the wallpaper is not touched:
//   PathNotFound          folder is empty: the folder could not be had;
//   PermissionDenied,     the bitmap could not be written (see replaceWhole);
//   PathFileAccessError   an earlier file of that name is left as it was.
// With no picture loaded yet (a null picture) nothing is written, nothing is
// called, and None is returned.
[[nodiscard]] platform::Failure setAsWallpaper(const QImage &picture, const QString &folder, platform::Wallpaper &wallpaper);

} // namespace commands
