#pragma once

#include "platform/wallpaper.h"

#include <QString>
#include <QStringList>

namespace platform::wallpaper {

// The arguments for pcmanfm-qt: one argument, "--set-wallpaper=" and the
// path, whatever characters the path holds.
QStringList lxqtArguments(const QString &bitmapPath);

// LXQt: pcmanfm-qt, which draws the LXQt desktop, started with an argument
// list (no shell ever sees the path). The one started hands the request to
// the running pcmanfm-qt, which records it in its settings, and ends: taken
// when it ends with success.
class LxqtWallpaper : public Wallpaper
{
public:
    void setWallpaper(const QString &bitmapPath, Done done) override;
};

} // namespace platform::wallpaper
