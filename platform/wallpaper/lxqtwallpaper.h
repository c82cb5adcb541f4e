#pragma once

#include "platform/wallpaper.h"

#include <QString>
#include <QStringList>

namespace platform::wallpaper {

// The arguments for pcmanfm-qt: one argument, "--set-wallpaper=" and the
// path, whatever characters the path holds.
QStringList lxqtArguments(const QString &bitmapPath);

// LXQt: pcmanfm-qt, which draws the LXQt desktop, started detached with an
// argument list (no shell ever sees the path). A running pcmanfm-qt takes the
// request over and records it in its settings.
class LxqtWallpaper : public Wallpaper
{
public:
    void setWallpaper(const QString &bitmapPath) override;
};

} // namespace platform::wallpaper
