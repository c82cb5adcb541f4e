#pragma once

#include <QString>

namespace platform {

class Clock;
class Dialogs;

// The operating-system services the window uses that tests stand in for.
struct Services
{
    Dialogs *dialogs = nullptr;
    Clock *clock = nullptr;
    // The folder that holds the executable.
    QString programFolder;
};

// The real services, alive for the whole run.
Services systemServices();

} // namespace platform
