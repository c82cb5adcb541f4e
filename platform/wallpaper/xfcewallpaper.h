#pragma once

#include "platform/wallpaper.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace platform::wallpaper {

using XfceSettings = QList<std::pair<QString, QVariant>>;

// The xfconf properties to set and their values, out of the properties the
// channel "xfce4-desktop" has under "/backdrop": every ".../last-image" there
// to the bitmap, or, where there is none, the one of the monitor named
// monitorName on the first workspace (xfdesktop names monitors by their
// output, "monitorHDMI-1"); and beside each, an "image-style" of 0 (none: a
// plain colour) to 5 (zoomed), in that order.
XfceSettings xfceSettings(const QVariantMap &existing, const QString &monitorName,
                          const QString &bitmapPath);

// Xfce: xfconf's org.xfce.Xfconf on the session bus. The property list is
// fetched and the properties set with asynchronous calls, so the window
// never waits for the settings daemon; taken once every property is set.
void setXfceWallpaper(const QString &bitmapPath, Wallpaper::Done done);

} // namespace platform::wallpaper
