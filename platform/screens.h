#pragma once

#include <QSize>

namespace platform {

// The largest screen of the display, in device pixels: what a wallpaper is
// made for. Empty without a display: where the application has no screens of
// a display, or only those of the offscreen platform it fell back to.
QSize largestScreen();

} // namespace platform
