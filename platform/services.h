#pragma once

#include <QString>

namespace platform {

class Clock;
class Dialogs;
class Wallpaper;

// The operating-system services the window uses that tests stand in for.
struct Services
{
    Dialogs *dialogs = nullptr;
    Clock *clock = nullptr;
    // The folder that holds the executable.
    QString programFolder;
    // Sets the desktop wallpaper ("设置背景").
    Wallpaper *wallpaper = nullptr;
};

// The real services, alive for the whole run.
Services systemServices();

} // namespace platform
