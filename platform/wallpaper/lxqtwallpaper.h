#pragma once

#include "platform/wallpaper.h"

#include <QByteArray>
#include <QString>

namespace platform::wallpaper {

// LXQt: pcmanfm-qt, which draws the LXQt desktop. "pcmanfm-qt
// --set-wallpaper=PATH --wallpaper-mode=MODE" hands the running one the
// picture, in the mode its settings name (no shell ever sees the path); it
// records the picture, and ends: taken when it ends with success.
//
// Where the mode is none (a plain colour, which would hide the picture), it
// is asked for zoom; pcmanfm-qt 1.2 draws that but keeps none in its settings,
// and writes them again from memory whenever it ends, so the desktop would
// show the plain colour again at its next start. Where the setting stays
// none, the desktop is ended through its own D-Bus interface, zoom written
// in its settings, and the desktop started again as it was: by the LXQt
// session where that runs it, else with its own command and environment.
void setLxqtWallpaper(const QString &bitmapPath, Wallpaper::Done done);

// The mode pcmanfm-qt's settings name: "stretch", "fit", "center", "tile",
// "zoom", or "none" for a plain colour and anything it does not know.
QString lxqtMode(const QByteArray &settings);
// The settings with the mode zoom, every other line as it was.
QByteArray lxqtZoomed(const QByteArray &settings);

} // namespace platform::wallpaper
