#pragma once

// Windows only, and free of Qt so that it can be compiled on its own with a
// cross compiler (tools/check-windows-build).

#include <string>

namespace platform::wallpaper {

// SystemParametersInfoW(SPI_SETDESKWALLPAPER = 20, 0, path, SPIF_UPDATEINIFILE
// = 1): shows the bitmap and records it in the user's profile, without
// broadcasting the change. The wide call keeps characters outside the ANSI
// code page. True when Windows accepted the setting.
bool setWindowsWallpaper(const std::wstring &path);

} // namespace platform::wallpaper
