#include "platform/wallpaper/desktopchoice.h"

#include <QStringList>

#include <optional>

namespace platform::wallpaper {

namespace {

bool isGnomeFamily(const QString &name)
{
    static const QStringList family = {QStringLiteral("gnome"), QStringLiteral("ubuntu"),
                                       QStringLiteral("unity"), QStringLiteral("budgie"),
                                       QStringLiteral("pantheon")};
    return family.contains(name);
}

// A desktop that has a mechanism of its own, by its XDG_CURRENT_DESKTOP name.
std::optional<Desktop> ownMechanism(const QString &name)
{
    if (name == QLatin1String("cinnamon"))
        return Desktop::Cinnamon;
    if (name == QLatin1String("mate"))
        return Desktop::Mate;
    if (name == QLatin1String("kde"))
        return Desktop::Plasma;
    if (name == QLatin1String("xfce"))
        return Desktop::Xfce;
    if (name == QLatin1String("lxqt"))
        return Desktop::Lxqt;
    return std::nullopt;
}

std::optional<Desktop> fromCurrentDesktop(const QString &value)
{
    bool gnome = false;
    const QStringList entries = value.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        QString name = entry.trimmed().toLower();
        if (name.startsWith(QLatin1String("x-")))
            name = name.mid(2);
        if (const auto own = ownMechanism(name))
            return own;
        gnome = gnome || isGnomeFamily(name);
    }
    if (gnome)
        return Desktop::Gnome;
    return std::nullopt;
}

std::optional<Desktop> fromSession(const QString &value)
{
    // Some display managers give the session file's path rather than its name.
    const QString name = value.section(QLatin1Char('/'), -1).trimmed().toLower();
    if (name.isEmpty())
        return std::nullopt;
    struct Prefix
    {
        const char *text;
        Desktop desktop;
    };
    // "kde-plasma" and "plasmawayland" are Plasma; "gnome-classic" is GNOME.
    static const Prefix prefixes[] = {
        {"cinnamon", Desktop::Cinnamon}, {"mate", Desktop::Mate},      {"plasma", Desktop::Plasma},
        {"kde", Desktop::Plasma},        {"xfce", Desktop::Xfce},      {"lxqt", Desktop::Lxqt},
        {"gnome", Desktop::Gnome},       {"ubuntu", Desktop::Gnome},   {"unity", Desktop::Gnome},
        {"budgie", Desktop::Gnome},      {"pantheon", Desktop::Gnome},
    };
    for (const Prefix &prefix : prefixes) {
        if (name.startsWith(QLatin1String(prefix.text)))
            return prefix.desktop;
    }
    return std::nullopt;
}

} // namespace

Desktop chooseDesktop(const QString &xdgCurrentDesktop, const QString &desktopSession)
{
    if (const auto desktop = fromCurrentDesktop(xdgCurrentDesktop))
        return *desktop;
    if (const auto desktop = fromSession(desktopSession))
        return *desktop;
    return Desktop::Portal;
}

Desktop currentDesktop()
{
    return chooseDesktop(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                         qEnvironmentVariable("DESKTOP_SESSION"));
}

} // namespace platform::wallpaper
