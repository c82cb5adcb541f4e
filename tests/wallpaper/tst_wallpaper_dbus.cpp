// The desktops reached over D-Bus, on a private session bus this test starts:
// a stand-in Plasma shell records the script it is sent, Debian's real xfconf
// daemon stores the Xfce property in its own file under a temporary folder,
// and a stand-in desktop portal records the file it is handed.

#include "platform/wallpaper.h"
#include "platform/wallpaper/gsettingswallpaper.h"
#include "platform/wallpaper/plasmawallpaper.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <QtTest>

#include <unistd.h>

namespace {

class PlasmaShellStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

public:
    QStringList scripts;

public slots:
    void evaluateScript(const QString &script) { scripts.append(script); }
};

struct PortalCall
{
    QString parentWindow;
    QByteArray content; // read through the descriptor handed over
    QVariantMap options;
};

class PortalStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Wallpaper")

public:
    QList<PortalCall> calls;

public slots:
    QDBusObjectPath SetWallpaperFile(const QString &parentWindow,
                                     const QDBusUnixFileDescriptor &file, const QVariantMap &options)
    {
        QFile reader;
        QByteArray content;
        if (reader.open(::dup(file.fileDescriptor()), QIODevice::ReadOnly, QFile::AutoCloseHandle))
            content = reader.readAll();
        calls.append({parentWindow, content, options});
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1/tavelo"));
    }
};

// The value of a JavaScript string literal, read as JSON.
QString parsedLiteral(const QString &literal)
{
    const QJsonArray parsed = QJsonDocument::fromJson("[" + literal.toUtf8() + "]").array();
    if (parsed.size() != 1 || !parsed.at(0).isString())
        return QStringLiteral("<not one string literal: %1>").arg(literal);
    return parsed.at(0).toString();
}

const QString xfconfService = QStringLiteral("org.xfce.Xfconf");

QDBusMessage xfconfCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(xfconfService, QStringLiteral("/org/xfce/Xfconf"),
                                                       QStringLiteral("org.xfce.Xfconf"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

QVariant xfconfValue(const QString &property)
{
    const QDBusMessage reply = xfconfCall(QStringLiteral("GetProperty"),
                                          {QStringLiteral("xfce4-desktop"), property});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

// The properties in an xfconf channel file: full name -> "type:value".
QMap<QString, QString> channelFile(const QString &fileName)
{
    QMap<QString, QString> properties;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return properties;
    QXmlStreamReader xml(&file);
    QStringList names;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("property")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            names.append(attributes.value(QLatin1String("name")).toString());
            const QString type = attributes.value(QLatin1String("type")).toString();
            if (type != QLatin1String("empty")) {
                properties.insert(QLatin1Char('/') + names.join(QLatin1Char('/')),
                                  type + QLatin1Char(':')
                                      + attributes.value(QLatin1String("value")).toString());
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("property")) {
            names.removeLast();
        }
    }
    return properties;
}

} // namespace

class TestDBusWallpaper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void jsStringLiteral_data();
    void jsStringLiteral();
    void plasma_data();
    void plasma();
    void xfce_data();
    void xfce();
    void portal_data();
    void portal();

private:
    QTemporaryDir m_folder;
    QProcess m_bus;
    QDBusConnection m_standIns = QDBusConnection(QString());
    PlasmaShellStandIn m_plasma;
    PortalStandIn m_portal;
};

void TestDBusWallpaper::initTestCase()
{
    QVERIFY(m_folder.isValid());
    const QString daemon = qEnvironmentVariable("TAVELO_TEST_DBUS_DAEMON");
    QVERIFY2(QFileInfo(daemon).isExecutable(), "dbus-daemon is missing: run tools/setup");

    // A bus of the test's own: no service activation, nobody else on it.
    const QString config = m_folder.filePath(QStringLiteral("bus.conf"));
    QFile configFile(config);
    QVERIFY(configFile.open(QIODevice::WriteOnly));
    configFile.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:dir="
                     + QFile::encodeName(m_folder.path())
                     + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                       "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                       "<allow own=\"*\"/></policy></busconfig>\n");
    configFile.close();
    m_bus.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address=1"),
                         QStringLiteral("--nofork")});
    QVERIFY(m_bus.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), 10000);
    const QByteArray address = m_bus.readLine().trimmed();
    QVERIFY2(address.startsWith("unix:path=" + QFile::encodeName(m_folder.path())), address.constData());
    // Before anything asks for the session bus, so the code under test uses this one.
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(QDBusConnection::sessionBus().isConnected());

    m_standIns = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("stand-ins"));
    QVERIFY(m_standIns.isConnected());
    QVERIFY(m_standIns.registerObject(QStringLiteral("/PlasmaShell"), &m_plasma,
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(m_standIns.registerService(QStringLiteral("org.kde.plasmashell")));
    QVERIFY(m_standIns.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &m_portal,
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(m_standIns.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
}

void TestDBusWallpaper::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-ins"));
    m_bus.terminate();
    m_bus.waitForFinished();
}

void TestDBusWallpaper::init()
{
    m_plasma.scripts.clear();
    m_portal.calls.clear();
    qputenv("XDG_CURRENT_DESKTOP", "");
    qputenv("DESKTOP_SESSION", "");
}

void TestDBusWallpaper::jsStringLiteral_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("plain") << QStringLiteral("file:///home/ann/temp.bmp");
    QTest::newRow("double quote") << QStringLiteral("a\"b");
    QTest::newRow("single quote") << QStringLiteral("it's");
    QTest::newRow("backslash") << QStringLiteral("C:\\Users\\ann\\");
    QTest::newRow("quote then script") << QStringLiteral("\"); desktops()[0].remove(); (\"");
    QTest::newRow("escaped quote then script") << QStringLiteral("\\\"); evil(); //");
    QTest::newRow("control characters") << QStringLiteral("a\nb\rc\td\x01");
    QTest::newRow("line separators") << QString::fromUtf16(u"a\u2028b\u2029c");
    QTest::newRow("non-ASCII") << QString::fromUtf16(u"每日图片 café Ærø");
    QTest::newRow("outside the BMP") << QString::fromUtf16(u"\U0001F30D.bmp");
}

void TestDBusWallpaper::jsStringLiteral()
{
    QFETCH(QString, text);

    const QString literal = platform::wallpaper::jsStringLiteral(text);

    // One line of printable ASCII that a JSON (and so a JavaScript) parser
    // reads back as exactly the text.
    for (const QChar c : literal)
        QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7f, qPrintable(literal));
    QCOMPARE(parsedLiteral(literal), text);
}

void TestDBusWallpaper::plasma_data()
{
    QTest::addColumn<QString>("currentDesktop");
    QTest::addColumn<QString>("folderName");
    QTest::newRow("plain") << "KDE" << "pictures";
    QTest::newRow("quote") << "KDE" << "say \"cheese\"";
    QTest::newRow("backslash") << "KDE" << "back\\slash";
    QTest::newRow("space") << "kde" << "my pictures";
    QTest::newRow("non-ASCII") << "KDE" << "每日图片 Ærø";
    QTest::newRow("URL syntax") << "KDE" << "#1 ?x=50%";
    QTest::newRow("all at once, session only") << "" << "it's \"a\\b\" 日本 \"); evil(); //";
}

void TestDBusWallpaper::plasma()
{
    QFETCH(QString, currentDesktop);
    QFETCH(QString, folderName);
    const QString path = m_folder.filePath(folderName) + QStringLiteral("/temp.bmp");
    qputenv("XDG_CURRENT_DESKTOP", currentDesktop.toUtf8());
    qputenv("DESKTOP_SESSION", "plasmawayland");

    platform::desktopWallpaper()->setWallpaper(path);

    QTRY_COMPARE(m_plasma.scripts.size(), 1);
    const QString script = m_plasma.scripts.constFirst();
    // The path's only place in the script is the literal on the first line.
    static const QRegularExpression imageLine(QStringLiteral("^var image = (\".*\");\n"));
    const QRegularExpressionMatch match = imageLine.match(script);
    QVERIFY2(match.hasMatch(), qPrintable(script));
    const QUrl image(parsedLiteral(match.captured(1)), QUrl::StrictMode);
    QVERIFY2(image.isValid() && image.isLocalFile(), qPrintable(match.captured(1)));
    QCOMPARE(image.toLocalFile(), path);
    // The rest is fixed: the image wallpaper, on every desktop, showing that file.
    for (const char *statement : {"= desktops();", ".wallpaperPlugin = \"org.kde.image\";",
                                  ".currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];",
                                  ".writeConfig(\"Image\", image);"})
        QVERIFY2(script.contains(QLatin1String(statement)), statement);
}

void TestDBusWallpaper::xfce_data()
{
    QTest::addColumn<QVariantMap>("before"); // properties the daemon holds already
    QTest::addColumn<QStringList>("images"); // properties that must name the file after
    const QString base = QStringLiteral("/backdrop/screen0/");

    QTest::newRow("no wallpaper set yet: the current monitor's is created")
        << QVariantMap() << QStringList{base + "monitorHDMI-1/workspace0/last-image"};
    QTest::newRow("every monitor and workspace, nothing else")
        << QVariantMap{{base + "monitorDP-1/workspace0/last-image", "/old/a.png"},
                       {base + "monitorDP-1/workspace1/last-image", "/old/b.png"},
                       {base + "monitorHDMI-2/workspace0/last-image", "/old/c.png"},
                       {base + "monitorDP-1/workspace0/image-style", 5}}
        << QStringList{base + "monitorDP-1/workspace0/last-image",
                       base + "monitorDP-1/workspace1/last-image",
                       base + "monitorHDMI-2/workspace0/last-image"};
}

void TestDBusWallpaper::xfce()
{
    QFETCH(QVariantMap, before);
    QFETCH(QStringList, images);
    // The test's offscreen screen is called HDMI-1 (see CMakeLists.txt).
    QCOMPARE(QGuiApplication::primaryScreen()->name(), QStringLiteral("HDMI-1"));
    const QString xfconfd = qEnvironmentVariable("TAVELO_TEST_XFCONFD");
    QVERIFY2(QFileInfo(xfconfd).isExecutable(), "xfconfd is missing: run tools/setup");

    // The daemon keeps its files in its own temporary configuration folder.
    QTemporaryDir config;
    QVERIFY(config.isValid());
    QProcess daemon;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    daemon.setProcessEnvironment(environment);
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(xfconfd, {});
    QVERIFY(daemon.waitForStarted());
    auto stopDaemon = qScopeGuard([&daemon] {
        daemon.terminate();
        if (!daemon.waitForFinished(5000))
            daemon.kill();
    });
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(xfconfService), 10000);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const QDBusMessage reply =
            xfconfCall(QStringLiteral("SetProperty"),
                       {QStringLiteral("xfce4-desktop"), it.key(), QVariant::fromValue(QDBusVariant(it.value()))});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    }
    const QString path = m_folder.filePath(QString::fromUtf16(u"每日 \"x\"/temp.bmp"));
    qputenv("XDG_CURRENT_DESKTOP", "XFCE");

    platform::desktopWallpaper()->setWallpaper(path);

    for (const QString &property : images)
        QTRY_COMPARE_WITH_TIMEOUT(xfconfValue(property).toString(), path, 10000);
    // Once the daemon has answered a later call from the same connection,
    // everything sent before it has been handled too.
    QCOMPARE(xfconfCall(QStringLiteral("ListChannels"), {}).type(), QDBusMessage::ReplyMessage);

    // Stopped, the daemon has written its channel file: that is what Xfce reads at login.
    stopDaemon.dismiss();
    daemon.terminate();
    QVERIFY(daemon.waitForFinished(10000));
    const QMap<QString, QString> stored = channelFile(
        config.filePath(QStringLiteral("xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml")));
    QMap<QString, QString> expected;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        expected.insert(it.key(), (it.value().typeId() == QMetaType::Int ? QStringLiteral("int:")
                                                                           : QStringLiteral("string:"))
                                      + it.value().toString());
    }
    for (const QString &property : images)
        expected.insert(property, QStringLiteral("string:") + path);
    QCOMPARE(stored, expected);
}

void TestDBusWallpaper::portal_data()
{
    QTest::addColumn<QString>("currentDesktop");
    QTest::addColumn<QString>("session");
    QTest::addColumn<bool>("gsettingsFirst"); // a GSettings desktop whose schema is missing

    QTest::newRow("no desktop named") << "" << "" << false;
    QTest::newRow("unknown desktop") << "sway" << "sway" << false;
    QTest::newRow("GSettings not held") << "" << "" << true;
}

void TestDBusWallpaper::portal()
{
    QFETCH(QString, currentDesktop);
    QFETCH(QString, session);
    QFETCH(bool, gsettingsFirst);
    const QString path = m_folder.filePath(QStringLiteral("portal temp.bmp"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray content =
        QByteArray("BM, only bytes to recognise: ") + QTest::currentDataTag();
    file.write(content);
    file.close();
    qputenv("XDG_CURRENT_DESKTOP", currentDesktop.toUtf8());
    qputenv("DESKTOP_SESSION", session.toUtf8());

    if (gsettingsFirst) {
        platform::wallpaper::GSettingsWallpaper(
            {QStringLiteral("org.tavelo.absent"), {{QStringLiteral("picture-uri")}}})
            .setWallpaper(path);
    } else {
        platform::desktopWallpaper()->setWallpaper(path);
    }

    QTRY_COMPARE(m_portal.calls.size(), 1);
    const PortalCall call = m_portal.calls.constFirst();
    QCOMPARE(call.parentWindow, QString());
    QCOMPARE(call.content, content);
    const QVariantMap options = {{QStringLiteral("show-preview"), false},
                                 {QStringLiteral("set-on"), QStringLiteral("background")}};
    QCOMPARE(call.options, options);
    QVERIFY(m_plasma.scripts.isEmpty());
}

QTEST_MAIN(TestDBusWallpaper)
#include "tst_wallpaper_dbus.moc"
