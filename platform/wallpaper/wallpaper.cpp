#include "platform/wallpaper.h"

#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "platform/wallpaper/windowswallpaper.h"
#else
#include "platform/wallpaper/desktopchoice.h"
#include "platform/wallpaper/gsettingswallpaper.h"
#include "platform/wallpaper/lxqtwallpaper.h"
#include "platform/wallpaper/plasmawallpaper.h"
#include "platform/wallpaper/portalwallpaper.h"
#include "platform/wallpaper/xfcewallpaper.h"
#endif

namespace platform {

std::unique_ptr<Wallpaper> desktopWallpaper()
{
#ifdef Q_OS_WIN
    return std::make_unique<wallpaper::WindowsWallpaper>();
#else
    using wallpaper::Desktop;
    switch (wallpaper::currentDesktop()) {
    case Desktop::Gnome:
        return std::make_unique<wallpaper::GSettingsWallpaper>(wallpaper::gnomeTarget());
    case Desktop::Cinnamon:
        return std::make_unique<wallpaper::GSettingsWallpaper>(wallpaper::cinnamonTarget());
    case Desktop::Mate:
        return std::make_unique<wallpaper::GSettingsWallpaper>(wallpaper::mateTarget());
    case Desktop::Plasma:
        return std::make_unique<wallpaper::PlasmaWallpaper>();
    case Desktop::Xfce:
        return std::make_unique<wallpaper::XfceWallpaper>();
    case Desktop::Lxqt:
        return std::make_unique<wallpaper::LxqtWallpaper>();
    case Desktop::Portal:
        break;
    }
    return std::make_unique<wallpaper::PortalWallpaper>();
#endif
}

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
