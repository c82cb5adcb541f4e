// Which mechanism each desktop gets, and which xfconf properties are set.

#include "platform/wallpaper/desktopchoice.h"
#include "platform/wallpaper/xfcewallpaper.h"

#include <QtTest>

using platform::wallpaper::Desktop;

class TestDesktopChoice : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void xfceProperties_data();
    void xfceProperties();
};

void TestDesktopChoice::choice_data()
{
    QTest::addColumn<QString>("currentDesktop");
    QTest::addColumn<QString>("session");
    QTest::addColumn<Desktop>("expected");

    // The values these desktops set themselves.
    QTest::newRow("GNOME") << "GNOME" << "gnome" << Desktop::Gnome;
    QTest::newRow("Ubuntu") << "ubuntu:GNOME" << "ubuntu" << Desktop::Gnome;
    QTest::newRow("Unity") << "Unity:Unity7:ubuntu" << "" << Desktop::Gnome;
    QTest::newRow("Budgie") << "Budgie:GNOME" << "budgie-desktop" << Desktop::Gnome;
    QTest::newRow("Pantheon") << "Pantheon" << "pantheon" << Desktop::Gnome;
    QTest::newRow("GNOME Flashback") << "GNOME-Flashback:GNOME" << "" << Desktop::Gnome;
    QTest::newRow("Cinnamon") << "X-Cinnamon" << "cinnamon" << Desktop::Cinnamon;
    QTest::newRow("MATE") << "MATE" << "mate" << Desktop::Mate;
    QTest::newRow("Plasma") << "KDE" << "plasma" << Desktop::Plasma;
    QTest::newRow("Xfce") << "XFCE" << "xfce" << Desktop::Xfce;
    QTest::newRow("LXQt") << "LXQt" << "lxqt" << Desktop::Lxqt;

    // Case does not matter; neither do blanks around or empty entries.
    QTest::newRow("lower case") << "kde" << "" << Desktop::Plasma;
    QTest::newRow("mixed case") << "xFcE" << "" << Desktop::Xfce;
    QTest::newRow("empty entries") << "::MATE:" << "" << Desktop::Mate;

    // The named desktops win over GNOME, wherever they stand in the list.
    QTest::newRow("Cinnamon after GNOME") << "GNOME:X-Cinnamon" << "gnome" << Desktop::Cinnamon;
    QTest::newRow("MATE after GNOME") << "GNOME:MATE" << "" << Desktop::Mate;
    QTest::newRow("KDE after GNOME") << "GNOME:KDE" << "" << Desktop::Plasma;
    QTest::newRow("XFCE after Unity") << "Unity:XFCE" << "" << Desktop::Xfce;
    QTest::newRow("LXQt after ubuntu") << "ubuntu:LXQt" << "" << Desktop::Lxqt;
    // The current desktop counts before the session name.
    QTest::newRow("list over session") << "KDE" << "gnome" << Desktop::Plasma;

    // Only when the list names nothing known does the session decide.
    QTest::newRow("session gnome-xorg") << "" << "gnome-xorg" << Desktop::Gnome;
    QTest::newRow("session ubuntu-wayland") << "" << "ubuntu-wayland" << Desktop::Gnome;
    QTest::newRow("session cinnamon2d") << "" << "cinnamon2d" << Desktop::Cinnamon;
    QTest::newRow("session mate") << "" << "MATE" << Desktop::Mate;
    QTest::newRow("session plasmawayland") << "" << "plasmawayland" << Desktop::Plasma;
    QTest::newRow("session kde-plasma") << "" << "kde-plasma" << Desktop::Plasma;
    QTest::newRow("session as a path") << "" << "/usr/share/xsessions/xfce" << Desktop::Xfce;
    QTest::newRow("session lxqt") << "" << "lxqt" << Desktop::Lxqt;
    QTest::newRow("unknown list, known session") << "Hyprland" << "xfce4" << Desktop::Xfce;

    // Everything else goes to the portal.
    QTest::newRow("nothing set") << "" << "" << Desktop::Portal;
    QTest::newRow("unknown desktop") << "sway" << "sway" << Desktop::Portal;
    QTest::newRow("name only contains a known one") << "KDEish:NotGNOME" << "" << Desktop::Portal;
    QTest::newRow("session suffix only") << "" << "my-gnome" << Desktop::Portal;
}

void TestDesktopChoice::choice()
{
    QFETCH(QString, currentDesktop);
    QFETCH(QString, session);
    QFETCH(Desktop, expected);

    QCOMPARE(platform::wallpaper::chooseDesktop(currentDesktop, session), expected);
}

void TestDesktopChoice::xfceProperties_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("none yet: the current monitor's")
        << QStringList{}
        << QStringList{"/backdrop/screen0/monitorHDMI-1/workspace0/last-image"};
    QTest::newRow("only other properties")
        << QStringList{"/backdrop/screen0/monitorHDMI-1/workspace0/image-style",
                       "/backdrop/single-workspace-mode"}
        << QStringList{"/backdrop/screen0/monitorHDMI-1/workspace0/last-image"};
    QTest::newRow("every monitor and workspace")
        << QStringList{"/backdrop/screen0/monitoreDP-1/workspace1/last-image",
                       "/backdrop/screen0/monitoreDP-1/workspace0/image-style",
                       "/backdrop/screen0/monitorDP-2/workspace0/last-image",
                       "/backdrop/screen0/monitoreDP-1/workspace0/last-image"}
        << QStringList{"/backdrop/screen0/monitorDP-2/workspace0/last-image",
                       "/backdrop/screen0/monitoreDP-1/workspace0/last-image",
                       "/backdrop/screen0/monitoreDP-1/workspace1/last-image"};
    QTest::newRow("outside /backdrop is left alone")
        << QStringList{"/other/last-image", "/backdrop/screen0/monitor0/workspace0/last-image"}
        << QStringList{"/backdrop/screen0/monitor0/workspace0/last-image"};
}

void TestDesktopChoice::xfceProperties()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, expected);

    QCOMPARE(platform::wallpaper::xfceImageProperties(existing, QStringLiteral("HDMI-1")), expected);
}

QTEST_GUILESS_MAIN(TestDesktopChoice)
#include "tst_wallpaper_desktopchoice.moc"
