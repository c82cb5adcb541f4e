#pragma once

#include <QString>

namespace platform::wallpaper {

// The way the wallpaper is set on this desktop, by its name ("gnome",
// "cinnamon", "mate", "plasma", "xfce", "lxqt", or "portal" for every other
// desktop), from the values of XDG_CURRENT_DESKTOP and DESKTOP_SESSION alone.
//
// XDG_CURRENT_DESKTOP is a ":"-separated list; each entry is compared without
// case and with an "X-" prefix ignored (Cinnamon says "X-Cinnamon"). Cinnamon,
// MATE, KDE, XFCE and LXQt win over the GNOME family wherever they stand in
// the list, because those desktops often list "GNOME" as well. Only when the
// list names nothing known is DESKTOP_SESSION looked at (its last path
// component, by prefix: "plasmawayland", "xfce4", "gnome-xorg"...).
QString chooseDesktop(const QString &xdgCurrentDesktop, const QString &desktopSession);

} // namespace platform::wallpaper
