// The wallpaper without a desktop: the choice, the bitmap, each desktop's settings.

// GIO first: its headers use "signals" as a name, which Qt defines as a macro.
#include <gio/gio.h>

#include "window.h"

#include "commands/setwallpaper.h"
#include "platform/wallpaper/gsettingswallpaper.h"
#include "platform/wallpaper/lxqtwallpaper.h"
#include "platform/wallpaper/plasmawallpaper.h"
#include "platform/wallpaper/xfcewallpaper.h"

#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>

using platform::Failure;

namespace {

QImage pattern(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width, qRgb(i * 40 % 256, i * 60 % 256, i * 25 % 256));
    return image.convertToFormat(format);
}

// Sets the wallpaper and waits for the outcome.
Failure set(const QImage &picture, const QString &folder, FakeWallpaper &wallpaper)
{
    std::optional<Failure> outcome;
    QObject context;
    commands::setAsWallpaper(picture, folder, wallpaper, &context,
                             [&outcome](Failure failure) { outcome = failure; });
    [&outcome] { QTRY_VERIFY(outcome.has_value()); }();
    return outcome.value_or(Failure::None);
}

QString gsetting(const QByteArray &schema, const char *key, const char *setTo = nullptr)
{
    GSettings *settings = g_settings_new(schema);
    if (setTo)
        g_settings_set_string(settings, key, setTo);
    gchar *value = g_settings_get_string(settings, key);
    const QString text = QString::fromUtf8(value);
    g_free(value);
    g_object_unref(settings);
    return text;
}

} // namespace

class TestWallpaper : public QObject
{
    Q_OBJECT

private slots:
    // Never the real desktop's settings: a file store in the test's own folder, or dconf with no
    // bus to reach the real one.
    void initTestCase()
    {
        QVERIFY(qgetenv("GSETTINGS_BACKEND") == "keyfile"
                || qgetenv("DBUS_SESSION_BUS_ADDRESS") == "disabled:");
    }

    // The desktop a session's names choose: the names other distributions
    // give as well as those the desktops' own sessions give.
    void desktop_data()
    {
        QTest::addColumn<QString>("currentDesktop");
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("desktop");
        row("Ubuntu's GNOME", "ubuntu:GNOME", "", "gnome");
        row("Cinnamon's own prefix", "X-Cinnamon", "cinnamon", "cinnamon");
        row("LXQt listed after GNOME", "GNOME:LXQt", "", "lxqt");
        row("KDE in any case", "kde", "", "plasma");
        row("only the session, by prefix", "", "plasmawayland", "plasma");
        row("the session's path", "", "/usr/share/xsessions/xfce", "xfce");
        row("nothing known: the portal", "Hyprland", "hyprland", "portal");
    }

    void desktop()
    {
        QFETCH(QString, currentDesktop);
        QFETCH(QString, session);
        QFETCH(QString, desktop);
        QCOMPARE(platform::desktopOf(currentDesktop, session), desktop);
    }

    void bitmap_data()
    {
        QTest::addColumn<QList<QImage>>("pictures"); // one press each, into the same folder
        QTest::addColumn<QList<bool>>("taken"); // the desktop's answer to each
        QTest::addColumn<QList<int>>("left"); // the pictures whose bitmaps stay
        const QImage a = pattern(5, 7, QImage::Format_RGB888);
        const QImage b = pattern(8, 6, QImage::Format_ARGB32);
        using Pictures = QList<QImage>;
        using Taken = QList<bool>;
        using Left = QList<int>;
        row("rows that need padding", Pictures{ a }, Taken{ true }, Left{ 0 });
        row("taken: the one before goes", Pictures{ a, b }, Taken{ true, true }, Left{ 1 });
        row("refused: the new one goes", Pictures{ a, b }, Taken{ true, false }, Left{ 0 });
        row("refused, but there before: it stays", Pictures{ a, a }, Taken{ true, false },
            Left{ 0 });
    }

    void bitmap()
    {
        QFETCH(QList<QImage>, pictures);
        QFETCH(QList<bool>, taken);
        QFETCH(QList<int>, left);
        QTemporaryDir folder;
        FakeWallpaper wallpaper;
        // No picture does nothing; no folder hands nothing over.
        QCOMPARE(set(QImage(), QString(), wallpaper), Failure::None);
        QCOMPARE(set(pictures[0], QString(), wallpaper), Failure::PathNotFound);
        QStringList names;
        for (int i = 0; i < pictures.size(); ++i) {
            wallpaper.takes = taken[i];
            QCOMPARE(set(pictures[i], folder.path(), wallpaper),
                     taken[i] ? Failure::None : Failure::DeviceUnavailable);
            names.append(QFileInfo(wallpaper.paths[i]).fileName());
            QCOMPARE(wallpaper.paths[i], folder.filePath(names[i]));
            QVERIFY(QRegularExpression("^temp-[0-9a-f]{16}\\.bmp$").match(names[i]).hasMatch());
        }
        // A name a picture; nothing else left, the lock included.
        QCOMPARE(names.first() == names.last(), pictures.first() == pictures.last());
        QStringList expected;
        for (const int i : left)
            expected << names[i];
        QCOMPARE(QDir(folder.path())
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 expected);
        QImageReader reader(folder.filePath(expected[0]), "bmp");
        QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32),
                 pictures[left[0]].convertToFormat(QImage::Format_RGB32));
    }

    void gsettings_data()
    {
        QTest::addColumn<QString>("currentDesktop");
        QTest::addColumn<QByteArray>("schema");
        QTest::addColumn<QStringList>("uriKeys"); // and for MATE a plain path
        QTest::addColumn<QByteArray>("mode"); // picture-options before
        QTest::addColumn<QString>("modeAfter");
        using Keys = QStringList;
        row("GNOME: light and dark; none turns to zoom", "GNOME",
            QByteArray("org.gnome.desktop.background"), Keys{ "picture-uri", "picture-uri-dark" },
            QByteArray("none"), "zoom");
        row("Cinnamon: a mode chosen stays", "X-Cinnamon",
            QByteArray("org.cinnamon.desktop.background"), Keys{ "picture-uri" },
            QByteArray("scaled"), "scaled");
        row("MATE", "MATE", QByteArray("org.mate.background"), Keys(), QByteArray(), "");
    }

    // What each desktop's own settings read back, for a folder whose name needs escaping in a URI.
    void gsettings()
    {
        QFETCH(QString, currentDesktop);
        QFETCH(QByteArray, schema);
        QFETCH(QStringList, uriKeys);
        QFETCH(QByteArray, mode);
        QFETCH(QString, modeAfter);
        QTemporaryDir dir;
        const QString path = dir.filePath("Tavelo \"日本\" café #1 'x' 50%/temp.bmp");
        if (!mode.isEmpty())
            gsetting(schema, "picture-options", mode);
        qputenv("XDG_CURRENT_DESKTOP", currentDesktop.toUtf8());
        bool taken = false;
        platform::desktopWallpaper()->setWallpaper(path, [&taken](bool answer) { taken = answer; });
        QVERIFY(taken);
        for (const QString &key : uriKeys.isEmpty() ? QStringList{ "picture-filename" } : uriKeys) {
            const QString stored = gsetting(schema, key.toUtf8());
            QCOMPARE(uriKeys.isEmpty() ? stored : QUrl(stored, QUrl::StrictMode).toLocalFile(),
                     path);
            QVERIFY(!stored.contains(' ') || uriKeys.isEmpty());
        }
        QCOMPARE(mode.isEmpty() ? "" : gsetting(schema, "picture-options"), modeAfter);
        // A schema that is not installed is left alone: nothing is taken.
        QVERIFY(!platform::wallpaper::applyGSettings({ "org.tavelo.absent", { { "picture-uri" } } },
                                                     path));
    }

    // With dconf and no bus, which takes a write it cannot pass on and says it did.
    void droppedWriteIsNoticed()
    {
        if (qgetenv("GSETTINGS_BACKEND") != "dconf")
            QSKIP("runs as its own test, with the dconf store");
        QVERIFY(!platform::wallpaper::applyGSettings(platform::wallpaper::gnomeTarget(),
                                                     "/tmp/temp.bmp"));
    }

    // No file name ends the script's string: the literal reads back whole, in ASCII.
    void plasmaLiteral()
    {
        for (const QString &text : { QString("C:\\ann\\\"); desktops()[0].remove(); (\""),
                                     QString("a\nb\rc\td\u0001e\u2028f 每日 🌍") }) {
            const QString literal = platform::wallpaper::jsStringLiteral(text);
            QCOMPARE(QJsonDocument::fromJson("[" + literal.toUtf8() + "]").array().at(0).toString(),
                     text);
            QVERIFY(std::all_of(literal.cbegin(), literal.cend(),
                                [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; }));
            QVERIFY(platform::wallpaper::plasmaScript("/x/" + text)
                            .startsWith("var image = \"file:///x/"));
        }
    }

    // Every image; a plain colour turns to zoom; with none, the monitor's own.
    void xfce()
    {
        using Settings = platform::wallpaper::XfceSettings;
        const QString ws = "/backdrop/screen0/monitor%1/workspace%2/%3";
        const QVariantMap existing{ { ws.arg("eDP-1", "1", "last-image"), "a" },
                                    { ws.arg("eDP-1", "1", "image-style"), 0 },
                                    { "/other/last-image", "a" },
                                    { ws.arg("DP-2", "0", "last-image"), "a" },
                                    { ws.arg("DP-2", "0", "image-style"), 4 } };
        QCOMPARE(platform::wallpaper::xfceSettings(existing, "HDMI-1", "/b.bmp"),
                 (Settings{ { ws.arg("DP-2", "0", "last-image"), "/b.bmp" },
                            { ws.arg("eDP-1", "1", "last-image"), "/b.bmp" },
                            { ws.arg("eDP-1", "1", "image-style"), 5 } }));
        QCOMPARE(platform::wallpaper::xfceSettings({ { ws.arg("HDMI-1", "0", "image-style"), 0 } },
                                                   "HDMI-1", "/b.bmp"),
                 (Settings{ { ws.arg("HDMI-1", "0", "last-image"), "/b.bmp" },
                            { ws.arg("HDMI-1", "0", "image-style"), 5 } }));
    }

    // What pcmanfm-qt's settings say of how it draws, and those settings set to zoom.
    void lxqt()
    {
        using namespace platform::wallpaper;
        QCOMPARE(lxqtMode("[Desktop]\nWallpaperMode=tile\n") + ' '
                         + lxqtMode("WallpaperModes=zoom\n"),
                 "tile none");
        QCOMPARE(lxqtZoomed("[Desktop]\nWallpaperMode=none\nWallpaper=/a.bmp\n"),
                 "[Desktop]\nWallpaperMode=zoom\nWallpaper=/a.bmp\n");
        QCOMPARE(lxqtZoomed("[System]\nX=1\n[Desktop]\nWallpaper=/a.bmp\n"),
                 "[System]\nX=1\n[Desktop]\nWallpaperMode=zoom\nWallpaper=/a.bmp\n");
        QCOMPARE(lxqtZoomed("X=1\n"), "X=1\n\n[Desktop]\nWallpaperMode=zoom\n");
    }
};

QTEST_MAIN(TestWallpaper)
#include "tst_wallpaper.moc"
