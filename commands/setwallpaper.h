#pragma once

#include "platform/failure.h"

#include <functional>

class QImage;
class QObject;
class QString;

namespace platform {
class Wallpaper;
}

namespace commands {

// "设置背景": writes picture as a Windows bitmap in folder and hands its path
// to the desktop. The file stays, since the desktop reads it from there.
//
// On Linux the name is "temp-" and a hash of the picture, ".bmp": a new name
// for every new picture, since desktops handed a name they already have keep
// showing what they drew. Once the desktop has taken it, every other bitmap
// in the folder goes; where it refuses, the new one goes again, unless it was
// there before. On Windows the name is always "temp.bmp".
//
// It runs with the folder locked (platform/folderlock.h): a second run, in
// this program or another, waits until the first has ended, so the later
// picture wins and no run deletes the bitmap the desktop shows. The bitmap is
// written on a worker thread, and the desktop is handed nothing before it is
// whole. Once context is gone nothing more is handed over, and a bitmap
// written meanwhile goes again.
//
// done, called while context lives and the folder is still locked, gets
// None once the desktop has taken it, or
//   PathNotFound          folder is empty: the folder could not be had;
//   PermissionDenied      another run held the folder for 30 s, or the bitmap
//                         may not be written (see replaceWhole);
//   PathFileAccessError   the bitmap could not be written otherwise;
//   DeviceUnavailable     the desktop refused it, or could not be reached.
// A null picture (none loaded yet) does nothing and gives None.
void setAsWallpaper(const QImage &picture, const QString &folder, platform::Wallpaper &wallpaper,
                    QObject *context, std::function<void(platform::Failure failure)> done);

} // namespace commands
