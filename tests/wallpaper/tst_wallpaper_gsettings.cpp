// GNOME, Cinnamon and MATE through GSettings' keyfile store in this test's own
// configuration folder, with the schemas compiled into the build tree.

// GIO first: its headers use "signals" as a name, which Qt defines as a macro.
#include <gio/gio.h>

#include "platform/wallpaper.h"
#include "platform/wallpaper/gsettingswallpaper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using platform::wallpaper::GSettingsKey;
using platform::wallpaper::GSettingsTarget;

Q_DECLARE_METATYPE(GSettingsTarget)

namespace {

QString keyfilePath()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/glib-2.0/settings/keyfile");
}

// What the settings store holds on disk: key -> string value, for one group
// (a schema's path without its outer slashes).
QMap<QString, QString> storedGroup(const QString &group)
{
    QMap<QString, QString> values;
    GKeyFile *file = g_key_file_new();
    const QByteArray path = QFile::encodeName(keyfilePath());
    const QByteArray groupName = group.toUtf8();
    gsize count = 0;
    gchar **keys = nullptr;
    if (g_key_file_load_from_file(file, path.constData(), G_KEY_FILE_NONE, nullptr))
        keys = g_key_file_get_keys(file, groupName.constData(), &count, nullptr);
    for (gsize i = 0; i < count; ++i) {
        gchar *text = g_key_file_get_value(file, groupName.constData(), keys[i], nullptr);
        GVariant *value = g_variant_parse(nullptr, text, nullptr, nullptr, nullptr);
        values.insert(QString::fromUtf8(keys[i]),
                      value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)
                          ? QString::fromUtf8(g_variant_get_string(value, nullptr))
                          : QStringLiteral("<not a string: %1>").arg(QString::fromUtf8(text)));
        if (value)
            g_variant_unref(value);
        g_free(text);
    }
    g_strfreev(keys);
    g_key_file_free(file);
    return values;
}

// A bitmap path in a folder whose name needs escaping in a URI.
QString awkwardPath(const QTemporaryDir &dir)
{
    const QString folder = dir.filePath(QStringLiteral("Tavelo \"日本\" café #1 'x' 50%"));
    QDir().mkpath(folder);
    return folder + QStringLiteral("/temp.bmp");
}

} // namespace

class TestGSettingsWallpaper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void throughDesktop_data();
    void throughDesktop();
    void schemaAndKeys_data();
    void schemaAndKeys();
};

void TestGSettingsWallpaper::initTestCase()
{
    // Never the real desktop's settings.
    QCOMPARE(qgetenv("GSETTINGS_BACKEND"), QByteArray("keyfile"));
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY2(!config.isEmpty() && config.startsWith(qEnvironmentVariable("HOME") + QLatin1Char('/'))
                 && config != QDir::homePath() + QStringLiteral("/.config"),
             qPrintable(config));
    QFile::remove(keyfilePath());
}

void TestGSettingsWallpaper::throughDesktop_data()
{
    QTest::addColumn<QString>("currentDesktop");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("uriKeys");
    QTest::addColumn<QStringList>("pathKeys");

    const QStringList gnome = {QStringLiteral("picture-uri"), QStringLiteral("picture-uri-dark")};
    QTest::newRow("GNOME") << "GNOME" << "org/gnome/desktop/background" << gnome << QStringList();
    QTest::newRow("Ubuntu") << "ubuntu:GNOME" << "org/gnome/desktop/background" << gnome
                            << QStringList();
    QTest::newRow("Cinnamon") << "X-Cinnamon" << "org/cinnamon/desktop/background"
                              << QStringList{QStringLiteral("picture-uri")} << QStringList();
    QTest::newRow("MATE") << "MATE" << "org/mate/desktop/background" << QStringList()
                          << QStringList{QStringLiteral("picture-filename")};
}

void TestGSettingsWallpaper::throughDesktop()
{
    QFETCH(QString, currentDesktop);
    QFETCH(QString, group);
    QFETCH(QStringList, uriKeys);
    QFETCH(QStringList, pathKeys);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = awkwardPath(dir);
    qputenv("XDG_CURRENT_DESKTOP", currentDesktop.toUtf8());

    platform::desktopWallpaper()->setWallpaper(path);

    const QMap<QString, QString> stored = storedGroup(group);
    QStringList written = uriKeys + pathKeys;
    written.sort();
    QCOMPARE(stored.keys(), written); // and no other key of the schema
    for (const QString &key : uriKeys) {
        const QString uri = stored.value(key);
        QVERIFY2(uri.startsWith(QLatin1String("file:///")), qPrintable(uri));
        QVERIFY2(!uri.contains(QLatin1Char(' ')) && !uri.contains(QLatin1Char('"')), qPrintable(uri));
        QCOMPARE(QUrl(uri).toLocalFile(), path);
    }
    for (const QString &key : pathKeys)
        QCOMPARE(stored.value(key), path);
}

void TestGSettingsWallpaper::schemaAndKeys_data()
{
    QTest::addColumn<GSettingsTarget>("target");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("notWritten");

    const auto path = GSettingsKey::Form::Path;
    QTest::newRow("schema not installed")
        << GSettingsTarget{QStringLiteral("org.tavelo.absent"), {{QStringLiteral("picture-uri")}}}
        << false << "org/tavelo/absent" << QStringList() << QStringList{"picture-uri"};
    QTest::newRow("key the schema lacks is skipped")
        << GSettingsTarget{QStringLiteral("org.mate.background"),
                           {{QStringLiteral("no-such-key"), path},
                            {QStringLiteral("picture-filename"), path}}}
        << true << "org/mate/desktop/background" << QStringList{"picture-filename"}
        << QStringList{"no-such-key"};
    QTest::newRow("key of another type is skipped")
        << GSettingsTarget{QStringLiteral("org.mate.background"),
                           {{QStringLiteral("picture-opacity"), path}}}
        << false << "org/mate/desktop/background" << QStringList() << QStringList{"picture-opacity"};
    QTest::newRow("GNOME, light and dark")
        << platform::wallpaper::gnomeTarget() << true << "org/gnome/desktop/background"
        << QStringList{"picture-uri", "picture-uri-dark"} << QStringList{"picture-options"};
}

void TestGSettingsWallpaper::schemaAndKeys()
{
    QFETCH(GSettingsTarget, target);
    QFETCH(bool, held);
    QFETCH(QString, group);
    QFETCH(QStringList, written);
    QFETCH(QStringList, notWritten);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = awkwardPath(dir);

    QCOMPARE(platform::wallpaper::applyGSettings(target, path), held);

    const QMap<QString, QString> stored = storedGroup(group);
    for (const QString &key : written) {
        // This row's own file, so the value cannot be left over from another row.
        const QString value = stored.value(key);
        QVERIFY2(value == path || QUrl(value).toLocalFile() == path, qPrintable(key + '=' + value));
    }
    for (const QString &key : notWritten)
        QVERIFY2(!stored.contains(key), qPrintable(key));
}

QTEST_GUILESS_MAIN(TestGSettingsWallpaper)
#include "tst_wallpaper_gsettings.moc"
