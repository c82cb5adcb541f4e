#pragma once

#include <QString>

#include <functional>

namespace platform {

// The daily change of the wallpaper, left to the session so that nothing of
// Tavelo's keeps running: "tavelo --set-wallpaper" at login and every hour,
// from a systemd user timer where a user manager answers on the session bus,
// or, where none does, at login from an XDG autostart entry.

// Whether it is on, as the system says now.
void readSchedule(std::function<void(bool on)> then);

// Turns it on for program, or off. Where program is not the installed one,
// whose units came with it, its own units are written to the user's units
// folder; off removes every file on wrote. then(false) when that failed.
void setSchedule(bool on, const QString &program, std::function<void(bool done)> then);

} // namespace platform
