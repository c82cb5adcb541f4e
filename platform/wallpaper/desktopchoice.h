#pragma once

#include <QString>

namespace platform::wallpaper {

// The ways Tavelo knows to set the wallpaper on Linux desktops.
enum class Desktop {
    Gnome,    // GNOME and the desktops built on it: GSettings org.gnome.desktop.background
    Cinnamon, // GSettings org.cinnamon.desktop.background
    Mate,     // GSettings org.mate.background
    Plasma,   // plasmashell's scripting interface on D-Bus
    Xfce,     // the xfconf settings daemon on D-Bus
    Lxqt,     // pcmanfm-qt, which draws the LXQt desktop
    Portal,   // the desktop portal, for every other desktop
};

// Picks the mechanism from the values of XDG_CURRENT_DESKTOP and
// DESKTOP_SESSION alone, so that the choice can be checked without a desktop.
//
// XDG_CURRENT_DESKTOP is a ":"-separated list; each entry is compared without
// case and with an "X-" prefix ignored (Cinnamon says "X-Cinnamon"). Cinnamon,
// MATE, KDE, XFCE and LXQt win over the GNOME family wherever they stand in
// the list, because those desktops often list "GNOME" as well for
// compatibility. Only when the list names nothing known is DESKTOP_SESSION
// looked at (its last path component, by prefix: "plasmawayland",
// "xfce4", "gnome-xorg"...). With neither, the desktop portal.
Desktop chooseDesktop(const QString &xdgCurrentDesktop, const QString &desktopSession);

// The choice for this process's environment.
Desktop currentDesktop();

} // namespace platform::wallpaper
