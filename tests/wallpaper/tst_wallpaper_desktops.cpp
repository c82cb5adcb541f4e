// The desktops reached without D-Bus: which mechanism each desktop gets, the
// xfconf properties chosen, GNOME, Cinnamon and MATE through GSettings' keyfile
// store in this test's own configuration folder (schemas compiled into the
// build tree), and LXQt's pcmanfm-qt started with no shell in between.

// GIO first: its headers use "signals" as a name, which Qt defines as a macro.
#include <gio/gio.h>

#include "testserver.h"
#include "platform/wallpaper.h"
#include "platform/wallpaper/desktopchoice.h"
#include "platform/wallpaper/gsettingswallpaper.h"
#include "platform/wallpaper/xfcewallpaper.h"

#include <QtTest>

#include <optional>

using platform::wallpaper::Desktop;
using platform::wallpaper::GSettingsTarget;
Q_DECLARE_METATYPE(GSettingsTarget)

namespace {

QString keyfilePath()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/glib-2.0/settings/keyfile";
}

// One group of the store on disk (a schema's path without its outer slashes):
// key -> string value.
QMap<QString, QString> storedGroup(const QString &group)
{
    QMap<QString, QString> values;
    GKeyFile *file = g_key_file_new();
    const QByteArray name = group.toUtf8();
    gchar **keys = nullptr;
    if (g_key_file_load_from_file(file, QFile::encodeName(keyfilePath()).constData(), G_KEY_FILE_NONE, nullptr))
        keys = g_key_file_get_keys(file, name.constData(), nullptr, nullptr);
    for (gchar **key = keys; key && *key; ++key) {
        gchar *text = g_key_file_get_value(file, name.constData(), *key, nullptr);
        GVariant *value = g_variant_parse(G_VARIANT_TYPE_STRING, text, nullptr, nullptr, nullptr);
        values.insert(QString::fromUtf8(*key), value ? QString::fromUtf8(g_variant_get_string(value, nullptr))
                                                     : "<not a string: " + QString::fromUtf8(text) + '>');
        if (value)
            g_variant_unref(value);
        g_free(text);
    }
    g_strfreev(keys);
    g_key_file_free(file);
    return values;
}

} // namespace

class TestDesktops : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Never the real desktop's settings: a file store in the test's own
        // folder, or dconf with no bus to reach the real one.
        QVERIFY(qgetenv("GSETTINGS_BACKEND") == "keyfile"
                || (qgetenv("GSETTINGS_BACKEND") == "dconf" && qgetenv("DBUS_SESSION_BUS_ADDRESS") == "disabled:"));
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY2(config.startsWith(qEnvironmentVariable("HOME") + '/')
                     && config != QDir::homePath() + "/.config",
                 qPrintable(config));
        QFile::remove(keyfilePath());
    }

    void gsettings_data()
    {
        QTest::addColumn<QString>("currentDesktop"); // empty: applyGSettings(target) itself
        QTest::addColumn<GSettingsTarget>("target");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QStringList>("keys"); // the group's only keys; "...uri..." ones hold a URI
        const auto path = platform::wallpaper::GSettingsKey::Form::Path;
        const QString mate = "org/mate/desktop/background";
        const QString gnomeGroup = "org/gnome/desktop/background";
        const QStringList gnome = {"picture-uri", "picture-uri-dark"};
        // The rows share one store: those that write nothing into a group come first.
        QTest::newRow("schema not installed")
            << "" << GSettingsTarget{"org.tavelo.absent", {{"picture-uri"}}} << "org/tavelo/absent"
            << QStringList();
        QTest::newRow("key of another type is skipped")
            << "" << GSettingsTarget{"org.mate.background", {{"picture-opacity", path}}} << mate << QStringList();
        QTest::newRow("Plasma, no bus") << "KDE" << GSettingsTarget() << "org/tavelo/absent" << QStringList();
        QTest::newRow("Xfce, no bus") << "XFCE" << GSettingsTarget() << "org/tavelo/absent" << QStringList();
        QTest::newRow("portal, no bus") << "sway" << GSettingsTarget() << "org/tavelo/absent" << QStringList();
        QTest::newRow("key the schema lacks is skipped")
            << "" << GSettingsTarget{"org.mate.background", {{"no-such-key", path}, {"picture-filename", path}}}
            << mate << QStringList{"picture-filename"};
        QTest::newRow("GNOME's target") << "" << platform::wallpaper::gnomeTarget() << gnomeGroup << gnome;
        QTest::newRow("GNOME") << "GNOME" << GSettingsTarget() << gnomeGroup << gnome;
        QTest::newRow("Cinnamon") << "X-Cinnamon" << GSettingsTarget() << "org/cinnamon/desktop/background"
                                  << QStringList{"picture-uri"};
        QTest::newRow("MATE") << "MATE" << GSettingsTarget() << mate << QStringList{"picture-filename"};
    }

    void gsettings()
    {
        QFETCH(QString, currentDesktop);
        QFETCH(GSettingsTarget, target);
        QFETCH(QString, group);
        QFETCH(QStringList, keys);
        // A folder of this row's own, whose name needs escaping in a URI.
        QTemporaryDir dir;
        const QString folder = dir.filePath("Tavelo \"日本\" café #1 'x' 50%");
        QVERIFY(dir.isValid() && QDir().mkpath(folder));
        const QString path = folder + "/temp.bmp";

        std::optional<bool> taken;
        if (currentDesktop.isEmpty()) {
            taken = platform::wallpaper::applyGSettings(target, path);
        } else {
            qputenv("XDG_CURRENT_DESKTOP", currentDesktop.toUtf8());
            platform::desktopWallpaper()->setWallpaper(path, [&taken](bool held) { taken = held; });
        }
        // Held, or taken, when any key was written; with no session bus here,
        // the desktops reached over D-Bus answer at once that they are not.
        QCOMPARE(taken, std::optional(!keys.isEmpty()));

        const QMap<QString, QString> stored = storedGroup(group);
        QCOMPARE(stored.keys(), keys);
        for (const QString &key : keys) {
            const QString value = stored.value(key);
            if (!key.contains("uri")) {
                QCOMPARE(value, path);
                continue;
            }
            QVERIFY2(value.startsWith("file:///") && !value.contains(' ') && !value.contains('"'),
                     qPrintable(value));
            QCOMPARE(QUrl(value).toLocalFile(), path);
        }
    }

    // dconf takes a write it cannot pass on (here: no session bus) and
    // reports success; only reading it back tells that nothing changed.
    void droppedWriteIsNoticed()
    {
        if (qgetenv("GSETTINGS_BACKEND") != "dconf")
            QSKIP("runs as its own test, with the dconf store");
        QVERIFY(!platform::wallpaper::applyGSettings(platform::wallpaper::gnomeTarget(), "/tmp/temp.bmp"));
    }

    void choice_data()
    {
        QTest::addColumn<QString>("currentDesktop");
        QTest::addColumn<QString>("session");
        QTest::addColumn<Desktop>("expected");
        // The values these desktops set themselves.
        QTest::newRow("GNOME") << "GNOME" << "gnome" << Desktop::Gnome;
        QTest::newRow("Ubuntu") << "ubuntu:GNOME" << "ubuntu" << Desktop::Gnome;
        QTest::newRow("Unity") << "Unity:Unity7:ubuntu" << "" << Desktop::Gnome;
        QTest::newRow("Pantheon") << "Pantheon" << "pantheon" << Desktop::Gnome;
        QTest::newRow("Cinnamon") << "X-Cinnamon" << "cinnamon" << Desktop::Cinnamon;
        QTest::newRow("MATE") << "MATE" << "mate" << Desktop::Mate;
        QTest::newRow("Plasma") << "KDE" << "plasma" << Desktop::Plasma;
        QTest::newRow("Xfce") << "XFCE" << "xfce" << Desktop::Xfce;
        QTest::newRow("LXQt") << "LXQt" << "lxqt" << Desktop::Lxqt;
        QTest::newRow("any case") << "xFcE" << "" << Desktop::Xfce;
        QTest::newRow("blanks and empty entries") << ":: MATE :" << "" << Desktop::Mate;
        QTest::newRow("named desktop after GNOME") << "GNOME:X-Cinnamon" << "gnome" << Desktop::Cinnamon;
        QTest::newRow("list over session") << "KDE" << "gnome" << Desktop::Plasma;
        // Only when the list names nothing known does the session decide.
        QTest::newRow("session gnome-xorg") << "" << "gnome-xorg" << Desktop::Gnome;
        QTest::newRow("session ubuntu-wayland") << "" << "ubuntu-wayland" << Desktop::Gnome;
        QTest::newRow("session cinnamon2d") << "" << "cinnamon2d" << Desktop::Cinnamon;
        QTest::newRow("session MATE") << "" << "MATE" << Desktop::Mate;
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

    void choice()
    {
        QFETCH(QString, currentDesktop);
        QFETCH(QString, session);
        QFETCH(Desktop, expected);
        QCOMPARE(platform::wallpaper::chooseDesktop(currentDesktop, session), expected);
    }

    void xfceProperties_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("expected");
        const QString ws = "/backdrop/screen0/monitor%1/workspace%2/%3";
        QTest::newRow("none to replace: the current monitor's")
            << QStringList{ws.arg("HDMI-1", "0", "image-style"), "/backdrop/single-workspace-mode"}
            << QStringList{ws.arg("HDMI-1", "0", "last-image")};
        QTest::newRow("every monitor and workspace, sorted")
            << QStringList{ws.arg("eDP-1", "1", "last-image"), ws.arg("eDP-1", "0", "image-style"),
                           ws.arg("DP-2", "0", "last-image"), ws.arg("eDP-1", "0", "last-image")}
            << QStringList{ws.arg("DP-2", "0", "last-image"), ws.arg("eDP-1", "0", "last-image"),
                           ws.arg("eDP-1", "1", "last-image")};
        QTest::newRow("outside /backdrop is left alone")
            << QStringList{"/other/last-image", ws.arg("0", "0", "last-image")}
            << QStringList{ws.arg("0", "0", "last-image")};
    }

    void xfceProperties()
    {
        QFETCH(QStringList, existing);
        QFETCH(QStringList, expected);
        QCOMPARE(platform::wallpaper::xfceImageProperties(existing, "HDMI-1"), expected);
    }

    void lxqtPathIsOneArgument()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A stand-in first in PATH writes each argument and a NUL, then renames,
        // so the test never reads a half-written record.
        const QString standIn = dir.filePath("pcmanfm-qt");
        QVERIFY(writeFile(standIn, "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.part\" && mv \"$0.part\" \"$0.args\"\n"));
        QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + qgetenv("PATH"));
        const QString folder = "my \"day's\" 每日图片 a;touch injected;$(touch injected) `touch injected` &";
        QVERIFY(QDir(dir.path()).mkdir(folder) && QDir::setCurrent(dir.path()));
        const QString path = dir.filePath(folder) + "/temp.bmp";
        qputenv("XDG_CURRENT_DESKTOP", "LXQt");
        bool taken = false;

        platform::desktopWallpaper()->setWallpaper(path, [&taken](bool ended) { taken = ended; });

        QTRY_VERIFY_WITH_TIMEOUT(taken, 10000); // once it ended with success
        QCOMPARE(readFile(standIn + ".args"),
                 QByteArray("--set-wallpaper=" + QFile::encodeName(path) + '\0'));
        QVERIFY(!QFile::exists(dir.filePath("injected")));
    }
};

QTEST_GUILESS_MAIN(TestDesktops)
#include "tst_wallpaper_desktops.moc"
