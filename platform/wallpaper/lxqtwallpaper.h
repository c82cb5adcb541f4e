#pragma once

#include "platform/wallpaper.h"

#include <QByteArray>
#include <QString>

namespace platform::wallpaper {

// LXQt: pcmanfm-qt, which draws the LXQt desktop. "pcmanfm-qt
// --set-wallpaper=PATH" hands the running one the picture (no shell ever sees
// the path); it records the picture, and ends: taken when it ends with success.
//
// Where the mode is none (a plain colour, which would hide the picture),
// pcmanfm-qt 1.2 keeps it: a mode asked for on its command line is drawn but
// never kept, and it writes its settings again from memory whenever it ends.
// So where the desktop holds no window of the user's, it is ended through its
// own D-Bus interface, zoom written in its settings, and the desktop started
// again as it was: by the LXQt session where that runs it, else with its own
// command and environment. Where it holds one (a file manager's), it is not
// ended: the picture is drawn stretched over the screen for now, and marked
// unfinished beside the bitmap for a later run to keep.
void setLxqtWallpaper(const QString &bitmapPath, Wallpaper::Done done);

// Whether a picture in folder was drawn on LXQt but its mode not kept.
bool lxqtUnfinished(const QString &folder);
// Hands that picture over again, where the desktop's settings still name it
// in the plain colour; otherwise the mark goes. done(true) when there is
// nothing more to do.
void finishLxqtWallpaper(const QString &folder, Wallpaper::Done done);

// The mode pcmanfm-qt's settings name: "stretch", "fit", "center", "tile",
// "zoom", or "none" for a plain colour and anything it does not know.
QString lxqtMode(const QByteArray &settings);
// The settings with the mode zoom, every other line as it was.
QByteArray lxqtZoomed(const QByteArray &settings);

} // namespace platform::wallpaper
