#pragma once

#include <QByteArray>

#include <functional>

class QString;

namespace platform {

// The daily change of the wallpaper, left to the session so that nothing of
// Tavelo's keeps running: "tavelo --set-wallpaper" every hour and at login
// where an hour was missed, from a systemd user timer where a user manager
// answers on the session bus, or, where none does, at login from an XDG
// autostart entry. It runs the installed program where there is one, else
// this one: the units installed with the program serve it, and for any
// other, units of its own are written to the user's units folder.

// Whether it is on, as the system says now. Where it is on with files of the
// user's that run another program (a build since moved, say), they are
// written again for the one it runs now.
void readSchedule(std::function<void(bool on)> then);

// Turns it on, or off: off stops a run under way and removes every file on
// wrote, the timer's record of its last run too. then(false) when that failed.
void setSchedule(bool on, std::function<void(bool done)> then);

// The service that runs program every day, as written for a program that did
// not come with units of its own, wherever it lies.
QByteArray serviceText(const QString &program);

} // namespace platform
