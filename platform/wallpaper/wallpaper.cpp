#include "platform/wallpaper.h"

#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#  include "platform/wallpaper/win32wallpaper.h"
#else
#  include "platform/wallpaper/gsettingswallpaper.h"
#  include "platform/wallpaper/lxqtwallpaper.h"
#  include "platform/wallpaper/plasmawallpaper.h"
#  include "platform/wallpaper/portalwallpaper.h"
#  include "platform/wallpaper/xfcewallpaper.h"
#endif

namespace platform {

#ifdef Q_OS_WIN

namespace {

class WindowsWallpaper final : public Wallpaper
{
public:
    void setWallpaper(const QString &bitmapPath, Done done) override
    {
        done(wallpaper::setWindowsWallpaper(QDir::toNativeSeparators(bitmapPath).toStdWString()));
    }
};

} // namespace

std::unique_ptr<Wallpaper> desktopWallpaper()
{
    return std::make_unique<WindowsWallpaper>();
}

QString desktopOf(const QString &, const QString &)
{
    return QStringLiteral("windows");
}

bool wallpaperUnfinished(const QString &)
{
    return false;
}

void finishWallpaper(const QString &, Wallpaper::Done done)
{
    done(true);
}

#else

namespace wallpaper {

namespace {

using Setter = void (*)(const QString &bitmapPath, Wallpaper::Done done);

template<GSettingsTarget (*target)()>
void setGSettings(const QString &bitmapPath, Wallpaper::Done done)
{
    done(applyGSettings(target(), bitmapPath));
}

// Each desktop Tavelo has a way of its own for: the names it goes by (as
// XDG_CURRENT_DESKTOP lists them, and what DESKTOP_SESSION starts with), how
// its wallpaper is set, and whether the desktop portal is asked when that
// does not take. The GNOME family comes last, since other desktops list
// "GNOME" too.
struct Way
{
    const char *names; // separated by spaces; the first names the way
    Setter set;
    bool thenPortal;
};

const Way Ways[] = {
    { "cinnamon", setGSettings<cinnamonTarget>, true },
    { "mate", setGSettings<mateTarget>, true },
    { "plasma kde", setPlasmaWallpaper, false },
    { "xfce", setXfceWallpaper, false },
    { "lxqt", setLxqtWallpaper, false },
    { "gnome ubuntu unity budgie pantheon", setGSettings<gnomeTarget>, true },
};
// Every other desktop.
const Way Portal = { "portal", setPortalWallpaper, false };

// The way for this session, from XDG_CURRENT_DESKTOP and DESKTOP_SESSION.
// XDG_CURRENT_DESKTOP is a ":"-separated list; each entry is compared without
// case and with an "X-" prefix ignored (Cinnamon says "X-Cinnamon"), and the
// table's order decides, so Cinnamon, MATE, KDE, XFCE and LXQt win over the
// GNOME family wherever they stand in the list. Only when the list names
// nothing known is DESKTOP_SESSION looked at (its last path component, by
// prefix: "plasmawayland", "xfce4", "gnome-xorg"...). Else the portal.
const Way &chooseWay(const QString &xdgCurrentDesktop, const QString &desktopSession)
{
    const auto names = [](const Way &way) {
        return QString::fromLatin1(way.names).split(QLatin1Char(' '));
    };
    QStringList listed;
    for (const QString &entry : xdgCurrentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString name = entry.trimmed().toLower();
        listed.append(name.startsWith(QLatin1String("x-")) ? name.mid(2) : name);
    }
    for (const Way &way : Ways) {
        for (const QString &name : names(way)) {
            if (listed.contains(name))
                return way;
        }
    }
    // Some display managers give the session file's path rather than its name.
    const QString session = desktopSession.section(QLatin1Char('/'), -1).trimmed().toLower();
    for (const Way &way : Ways) {
        for (const QString &name : names(way)) {
            if (!session.isEmpty() && session.startsWith(name))
                return way;
        }
    }
    return Portal;
}

// The way chosen for this session, with the portal after it where the table
// says so.
class DesktopWallpaper final : public Wallpaper
{
public:
    explicit DesktopWallpaper(const Way &way) : m_way(way) { }

    void setWallpaper(const QString &bitmapPath, Done done) override
    {
        m_way.set(bitmapPath,
                  [bitmapPath, thenPortal = m_way.thenPortal, done = std::move(done)](bool taken) {
                      if (!taken && thenPortal)
                          setPortalWallpaper(bitmapPath, done);
                      else
                          done(taken);
                  });
    }

private:
    const Way &m_way;
};

} // namespace

} // namespace wallpaper

std::unique_ptr<Wallpaper> desktopWallpaper()
{
    return std::make_unique<wallpaper::DesktopWallpaper>(wallpaper::chooseWay(
            qEnvironmentVariable("XDG_CURRENT_DESKTOP"), qEnvironmentVariable("DESKTOP_SESSION")));
}

QString desktopOf(const QString &xdgCurrentDesktop, const QString &desktopSession)
{
    const char *names = wallpaper::chooseWay(xdgCurrentDesktop, desktopSession).names;
    return QString::fromLatin1(names).section(QLatin1Char(' '), 0, 0);
}

// Only LXQt leaves a picture unfinished.
bool wallpaperUnfinished(const QString &folder)
{
    return wallpaper::lxqtUnfinished(folder);
}

void finishWallpaper(const QString &folder, Wallpaper::Done done)
{
    wallpaper::finishLxqtWallpaper(folder, std::move(done));
}

#endif

QString wallpaperFolder()
{
#ifdef Q_OS_WIN
    const QString folder = QDir::tempPath();
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#endif
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    return QDir::cleanPath(folder);
}

} // namespace platform
