#pragma once

#include "platform/wallpaper.h"

#include <QString>
#include <QStringList>

namespace platform::wallpaper {

// The xfconf properties to set, out of the property names the channel
// "xfce4-desktop" has under "/backdrop": every ".../last-image" there, or,
// when there is none, the one of the monitor named monitorName on the first
// workspace (xfdesktop names monitors by their output, "monitorHDMI-1").
QStringList xfceImageProperties(const QStringList &existing, const QString &monitorName);

// Xfce: xfconf's org.xfce.Xfconf on the session bus. The property list is
// fetched and the properties set with asynchronous calls, so the window
// never waits for the settings daemon; taken once every property is set.
void setXfceWallpaper(const QString &bitmapPath, Wallpaper::Done done);

} // namespace platform::wallpaper
