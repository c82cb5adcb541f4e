#pragma once

#include <QString>

namespace platform {

class Clock;
class Dialogs;
class Wallpaper;

// The operating-system services the window uses, which tests stand in for.
// Each is always there: the window never has to ask.
struct Services
{
    Dialogs &dialogs;
    Clock &clock;
    // Sets the desktop wallpaper ("设置背景").
    Wallpaper &wallpaper;
    // The folder that holds the executable.
    QString programFolder;
    // Where the pictures shown are kept; empty: they are not.
    QString keptFolder = {};
};

// The real services, alive for the whole run.
Services systemServices();

} // namespace platform
