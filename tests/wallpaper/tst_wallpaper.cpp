// The wallpaper without a desktop: the bitmap "设置背景" writes, which way
// each desktop gets, GSettings in a file store of the test's own (and dconf,
// which drops a write it cannot pass on), the Plasma script's escaping, the
// Xfce properties, and the desktop portal stood in for on a private bus.

// GIO first: its headers use "signals" as a name, which Qt defines as a macro.
#include <gio/gio.h>

#include "window.h"

#include "commands/setwallpaper.h"
#include "platform/wallpaper/desktopchoice.h"
#include "platform/wallpaper/gsettingswallpaper.h"
#include "platform/wallpaper/plasmawallpaper.h"
#include "platform/wallpaper/xfcewallpaper.h"

#include <QImageReader>
#include <QtDBus>

#include <unistd.h>

using platform::Failure;

namespace {

QImage pattern(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width, qRgb(i * 40 % 256, i * 60 % 256, i * 25 % 256));
    return image.convertToFormat(format);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Sets the wallpaper and waits for the outcome.
Failure set(const QImage &picture, const QString &folder, FakeWallpaper &wallpaper)
{
    std::optional<Failure> outcome;
    QObject context;
    commands::setAsWallpaper(picture, folder, wallpaper, &context, [&outcome](Failure failure) { outcome = failure; });
    [&outcome] { QTRY_VERIFY(outcome.has_value()); }();
    return outcome.value_or(Failure::None);
}

QString gsetting(const char *schema, const char *key)
{
    GSettings *settings = g_settings_new(schema);
    gchar *value = g_settings_get_string(settings, key);
    const QString text = QString::fromUtf8(value);
    g_free(value);
    g_object_unref(settings);
    return text;
}

class PortalStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Wallpaper")

public:
    QList<QVariantList> calls; // parent window, content read through the descriptor, options

public slots:
    QDBusObjectPath SetWallpaperFile(const QString &parent, const QDBusUnixFileDescriptor &file, const QVariantMap &options)
    {
        QFile reader;
        const bool open = reader.open(::dup(file.fileDescriptor()), QIODevice::ReadOnly, QFile::AutoCloseHandle);
        calls.append(QVariantList{parent, open ? reader.readAll() : QByteArray(), options});
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1/tavelo"));
    }
};

} // namespace

class TestWallpaper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Never the real desktop's settings: a file store in the test's own
        // folder, or dconf with no bus to reach the real one.
        QVERIFY(qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(qEnvironmentVariable("HOME") + '/'));
        QVERIFY(qgetenv("GSETTINGS_BACKEND") == "keyfile"
                || (qgetenv("GSETTINGS_BACKEND") == "dconf" && qgetenv("DBUS_SESSION_BUS_ADDRESS") == "disabled:"));
    }

    void bitmap_data()
    {
        QTest::addColumn<QList<QImage>>("pictures"); // one press each, into the same folder
        QTest::addColumn<QList<bool>>("taken");      // the desktop's answer to each
        QTest::addColumn<QList<int>>("left");        // which pictures' bitmaps stay
        const QImage a = pattern(5, 7, QImage::Format_RGB888), b = pattern(8, 6);
        QTest::newRow("rows that need padding") << QList<QImage>{a} << QList<bool>{true} << QList<int>{0};
        QTest::newRow("taken: the one before goes") << QList<QImage>{a, b} << QList<bool>{true, true} << QList<int>{1};
        QTest::newRow("refused: the new one goes") << QList<QImage>{a, b} << QList<bool>{true, false} << QList<int>{0};
        QTest::newRow("refused, but there before: it stays") << QList<QImage>{a, a} << QList<bool>{true, false} << QList<int>{0};
    }

    void bitmap()
    {
        QFETCH(QList<QImage>, pictures);
        QFETCH(QList<bool>, taken);
        QFETCH(QList<int>, left);
        QTemporaryDir folder;
        FakeWallpaper wallpaper;
        // No picture is no failure, and does nothing, even with no folder to be had.
        QCOMPARE(set(QImage(), QString(), wallpaper), Failure::None);
        QStringList names;
        for (int i = 0; i < pictures.size(); ++i) {
            wallpaper.takes = taken[i];
            QCOMPARE(set(pictures[i], folder.path(), wallpaper), taken[i] ? Failure::None : Failure::DeviceUnavailable);
            names.append(QFileInfo(wallpaper.paths[i]).fileName());
            QCOMPARE(wallpaper.paths[i], folder.filePath(names[i]));
            QVERIFY(QRegularExpression("^temp-[0-9a-f]{16}\\.bmp$").match(names[i]).hasMatch());
        }
        // A name for each picture, and nothing else left behind, half-written files and the lock included.
        QCOMPARE(names.first() == names.last(), pictures.first() == pictures.last());
        QStringList expected;
        for (const int i : left)
            expected << names[i];
        QCOMPARE(entries(folder.path()), expected);
        QImageReader reader(folder.filePath(expected[0]));
        QCOMPARE(reader.format(), QByteArray("bmp"));
        QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32), pictures[left[0]].convertToFormat(QImage::Format_RGB32));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("folderName"); // under a fresh temporary folder
        QTest::addColumn<Failure>("failure");
        QTest::newRow("no folder to be had") << QString() << Failure::PathNotFound;
        QTest::newRow("folder missing") << "missing" << Failure::PathFileAccessError;
        QTest::newRow("the bitmap's name is a folder") << "held" << Failure::PathFileAccessError;
    }

    // Nothing is handed over, and nothing half-written stays.
    void failures()
    {
        QFETCH(QString, folderName);
        QFETCH(Failure, failure);
        QTemporaryDir root;
        FakeWallpaper wallpaper;
        QVERIFY(QDir(root.path()).mkdir("learn"));
        QCOMPARE(set(pattern(4, 4), root.filePath("learn"), wallpaper), Failure::None);
        const QString name = QFileInfo(wallpaper.paths.takeFirst()).fileName();
        QVERIFY(QDir(root.path()).mkpath("held/" + name));
        QCOMPARE(set(pattern(4, 4), folderName.isEmpty() ? QString() : root.filePath(folderName), wallpaper), failure);
        QVERIFY(wallpaper.paths.isEmpty() && !QFileInfo::exists(root.filePath("missing")));
        QCOMPARE(entries(root.filePath("held")), QStringList{name});
    }

    void choice_data()
    {
        QTest::addColumn<QString>("currentDesktop");
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("expected");
        // The values these desktops set themselves.
        QTest::newRow("Ubuntu") << "ubuntu:GNOME" << "ubuntu" << "gnome";
        QTest::newRow("Plasma") << "KDE" << "plasma" << "plasma";
        QTest::newRow("MATE") << "MATE" << "mate" << "mate";
        QTest::newRow("any case, blanks, empty entries, X-") << ":: X-cInNaMoN :" << "" << "cinnamon";
        QTest::newRow("named desktop after GNOME") << "GNOME:LXQt" << "gnome" << "lxqt";
        // Only when the list names nothing known does the session decide.
        QTest::newRow("session plasmawayland") << "" << "plasmawayland" << "plasma";
        QTest::newRow("session as a path") << "Hyprland" << "/usr/share/xsessions/xfce" << "xfce";
        // Everything else goes to the portal.
        QTest::newRow("nothing set") << "" << "" << "portal";
        QTest::newRow("names that only contain known ones") << "KDEish:NotGNOME" << "my-gnome" << "portal";
    }

    void choice()
    {
        QFETCH(QString, currentDesktop);
        QFETCH(QString, session);
        QFETCH(QString, expected);
        QCOMPARE(platform::wallpaper::chooseDesktop(currentDesktop, session), expected);
    }

    void gsettings_data()
    {
        QTest::addColumn<QString>("currentDesktop");
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QStringList>("uriKeys"); // and for MATE a plain path
        QTest::addColumn<QString>("mode");        // picture-options before, and after
        QTest::addColumn<QString>("modeAfter");
        QTest::newRow("GNOME: light and dark; none turns to zoom") << "GNOME" << "org.gnome.desktop.background"
                                                                   << QStringList{"picture-uri", "picture-uri-dark"} << "none" << "zoom";
        QTest::newRow("Cinnamon: a mode chosen stays") << "X-Cinnamon" << "org.cinnamon.desktop.background"
                                                       << QStringList{"picture-uri"} << "scaled" << "scaled";
        QTest::newRow("MATE") << "MATE" << "org.mate.background" << QStringList() << "" << "";
    }

    // What each desktop's own settings read back, for a folder whose name
    // needs escaping in a URI.
    void gsettings()
    {
        QFETCH(QString, currentDesktop);
        QFETCH(QString, schema);
        QFETCH(QStringList, uriKeys);
        QFETCH(QString, mode);
        QFETCH(QString, modeAfter);
        QTemporaryDir dir;
        const QString path = dir.filePath("Tavelo \"日本\" café #1 'x' 50%/temp.bmp");
        const QByteArray id = schema.toUtf8();
        if (!mode.isEmpty()) {
            GSettings *settings = g_settings_new(id);
            g_settings_set_string(settings, "picture-options", mode.toUtf8());
            g_object_unref(settings);
        }
        qputenv("XDG_CURRENT_DESKTOP", currentDesktop.toUtf8());
        bool taken = false;
        platform::desktopWallpaper()->setWallpaper(path, [&taken](bool answer) { taken = answer; });
        QVERIFY(taken);
        for (const QString &key : uriKeys.isEmpty() ? QStringList{"picture-filename"} : uriKeys) {
            const QString stored = gsetting(id, key.toUtf8());
            QCOMPARE(uriKeys.isEmpty() ? stored : QUrl(stored, QUrl::StrictMode).toLocalFile(), path);
            QVERIFY(uriKeys.isEmpty() || (stored.startsWith("file:///") && !stored.contains(' ')));
        }
        if (!mode.isEmpty())
            QCOMPARE(gsetting(id, "picture-options"), modeAfter);
        // A schema that is not installed is left alone: nothing is taken.
        QVERIFY(!platform::wallpaper::applyGSettings({"org.tavelo.absent", {{"picture-uri"}}}, path));
    }

    // Runs as its own test, with dconf and no session bus: dconf takes a
    // write it cannot pass on and reports success; only reading it back
    // tells that nothing changed.
    void droppedWriteIsNoticed()
    {
        if (qgetenv("GSETTINGS_BACKEND") != "dconf")
            QSKIP("runs as its own test, with the dconf store");
        QVERIFY(!platform::wallpaper::applyGSettings(platform::wallpaper::gnomeTarget(), "/tmp/temp.bmp"));
    }

    void plasmaLiteral_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("quotes, then script") << "it's \"); desktops()[0].remove(); (\"";
        QTest::newRow("backslashes, an escaped quote") << "C:\\Users\\ann\\\"); evil(); //";
        QTest::newRow("control characters and line separators") << QString("a\nb\rc\td\u0001e\u2028f");
        QTest::newRow("beyond ASCII") << QString("每日图片 café 🌍");
    }

    // A file name can never end the script's string: the literal reads back,
    // as JSON, as the very text, in printable ASCII.
    void plasmaLiteral()
    {
        QFETCH(QString, text);
        const QString literal = platform::wallpaper::jsStringLiteral(text);
        QCOMPARE(QJsonDocument::fromJson("[" + literal.toUtf8() + "]").array().at(0).toString(), text);
        QVERIFY(std::all_of(literal.cbegin(), literal.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; }));
        QVERIFY(platform::wallpaper::plasmaScript("/x/" + text).startsWith("var image = \"file:///x/"));
    }

    void xfce_data()
    {
        using Settings = platform::wallpaper::XfceSettings;
        QTest::addColumn<QVariantMap>("existing");
        QTest::addColumn<Settings>("expected");
        const QString ws = "/backdrop/screen0/monitor%1/workspace%2/%3";
        QTest::newRow("none to replace: the current monitor's")
            << QVariantMap{{ws.arg("HDMI-1", "0", "image-style"), 3}} << Settings{{ws.arg("HDMI-1", "0", "last-image"), "/b.bmp"}};
        QTest::newRow("every image, sorted; a plain colour turns to zoomed, a chosen style stays")
            << QVariantMap{{ws.arg("eDP-1", "1", "last-image"), "a"}, {ws.arg("eDP-1", "1", "image-style"), 0},
                           {"/other/last-image", "a"}, {ws.arg("DP-2", "0", "last-image"), "a"}, {ws.arg("DP-2", "0", "image-style"), 4}}
            << Settings{{ws.arg("DP-2", "0", "last-image"), "/b.bmp"}, {ws.arg("eDP-1", "1", "last-image"), "/b.bmp"},
                        {ws.arg("eDP-1", "1", "image-style"), 5}};
    }

    void xfce()
    {
        QFETCH(QVariantMap, existing);
        QFETCH(platform::wallpaper::XfceSettings, expected);
        QCOMPARE(platform::wallpaper::xfceSettings(existing, "HDMI-1", "/b.bmp"), expected);
    }

    // On a desktop of no known kind the portal gets the file's content
    // through a descriptor; its answer is the desktop taking it.
    void portal()
    {
        PrivateBus bus;
        QTemporaryDir folder;
        QDBusConnection standIns = QDBusConnection::connectToBus(bus.address, "stand-ins");
        PortalStandIn portal;
        QVERIFY(standIns.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
        QVERIFY(standIns.registerService("org.freedesktop.portal.Desktop"));
        const QString path = folder.filePath("portal temp.bmp");
        QVERIFY(writeFile(path, "BM, only bytes to recognise"));
        qputenv("XDG_CURRENT_DESKTOP", "sway");

        bool taken = false;
        platform::desktopWallpaper()->setWallpaper(path, [&taken](bool answer) { taken = answer; });
        QTRY_VERIFY(taken);
        const QVariantMap options = {{"show-preview", false}, {"set-on", "background"}};
        QCOMPARE(portal.calls, (QList<QVariantList>{{QString(), QByteArray("BM, only bytes to recognise"), options}}));
        QDBusConnection::disconnectFromBus("stand-ins");
    }
};

QTEST_MAIN(TestWallpaper)
#include "tst_wallpaper.moc"
