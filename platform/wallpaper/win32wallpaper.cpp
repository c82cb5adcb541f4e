#include "platform/wallpaper/win32wallpaper.h"

#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#  define NOMINMAX
#endif
#include <windows.h>

#include <vector>

namespace platform::wallpaper {

namespace {

constexpr UINT setDesktopWallpaper = 20; // SPI_SETDESKWALLPAPER
constexpr UINT updateIniFile = 1; // SPIF_UPDATEINIFILE, without SPIF_SENDCHANGE

static_assert(setDesktopWallpaper == SPI_SETDESKWALLPAPER);
static_assert(updateIniFile == SPIF_UPDATEINIFILE);

} // namespace

bool setWindowsWallpaper(const std::wstring &path)
{
    // The call takes a non-const buffer; hand it a copy with its terminator.
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.push_back(L'\0');
    return SystemParametersInfoW(setDesktopWallpaper, 0, buffer.data(), updateIniFile) != FALSE;
}

} // namespace platform::wallpaper
