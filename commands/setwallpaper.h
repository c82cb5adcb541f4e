#pragma once

#include <QtGlobal>

class QImage;
class QString;

namespace platform {
class Wallpaper;
}

namespace commands {

// "设置背景": writes picture as a Windows bitmap named "temp.bmp" in folder,
// replacing the one a click before wrote, and hands its path to the desktop.
// The file stays, since the desktop reads it from there.
//
// Returns 0 when the path was handed over (whether the desktop takes it is
// not known, and not reported), or the failure number for the top-level
// error report; on failure the wallpaper is not touched:
//   PathNotFound         folder is empty: the folder could not be had;
//   PermissionDenied,    the bitmap could not be written (see replaceWhole);
//   PathFileAccessError  an earlier "temp.bmp" is then left as it was.
// With no picture loaded yet (a null picture) nothing is written, nothing is
// called, and 0 is returned.
qint32 setAsWallpaper(const QImage &picture, const QString &folder, platform::Wallpaper &wallpaper);

} // namespace commands
