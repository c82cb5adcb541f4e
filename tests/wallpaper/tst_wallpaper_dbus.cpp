// The desktops reached over D-Bus, on a private session bus this test starts:
// a stand-in Plasma shell records the script it is sent, Debian's real xfconf
// daemon stores the Xfce property in its own file under a temporary folder,
// and a stand-in desktop portal records the file it is handed.

#include "testserver.h"
#include "platform/wallpaper.h"
#include "platform/wallpaper/gsettingswallpaper.h"
#include "platform/wallpaper/plasmawallpaper.h"

#include <QScreen>
#include <QtDBus>
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

class PortalStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Wallpaper")

public:
    QList<QVariantList> calls; // parent window, content read through the descriptor, options

public slots:
    QDBusObjectPath SetWallpaperFile(const QString &parentWindow,
                                     const QDBusUnixFileDescriptor &file, const QVariantMap &options)
    {
        QFile reader;
        const bool open =
            reader.open(::dup(file.fileDescriptor()), QIODevice::ReadOnly, QFile::AutoCloseHandle);
        calls.append(QVariantList{parentWindow, open ? reader.readAll() : QByteArray(), options});
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1/tavelo"));
    }
};

// The value of a JavaScript string literal, read as JSON.
QString parsedLiteral(const QString &literal)
{
    const QJsonArray parsed = QJsonDocument::fromJson("[" + literal.toUtf8() + "]").array();
    if (parsed.size() != 1 || !parsed.at(0).isString())
        return "<not one string literal: " + literal + '>';
    return parsed.at(0).toString();
}

QDBusMessage xfconfCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.xfce.Xfconf", "/org/xfce/Xfconf", "org.xfce.Xfconf", method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

// The properties in an xfconf channel file: full name -> "type:value".
QMap<QString, QString> channelFile(const QString &fileName)
{
    QMap<QString, QString> properties;
    QXmlStreamReader xml(readFile(fileName));
    QStringList names;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.name() != QLatin1String("property"))
            continue;
        if (xml.isEndElement())
            names.removeLast();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        names.append(attributes.value("name").toString());
        const QString type = attributes.value("type").toString();
        if (type != "empty")
            properties.insert('/' + names.join('/'), type + ':' + attributes.value("value").toString());
    }
    return properties;
}

} // namespace

class TestDBusWallpaper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        const QString daemon = qEnvironmentVariable("TAVELO_TEST_DBUS_DAEMON");
        QVERIFY2(QFileInfo(daemon).isExecutable(), "dbus-daemon is missing: run tools/setup");
        // A bus of the test's own: no service activation, nobody else on it.
        const QString config = m_folder.filePath("bus.conf");
        QVERIFY(writeFile(config, "<busconfig><type>session</type><listen>unix:dir="
                                      + QFile::encodeName(m_folder.path())
                                      + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                        "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n"));
        m_bus.start(daemon, {"--config-file=" + config, "--print-address=1", "--nofork"});
        QVERIFY(m_bus.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), 10000);
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY2(address.startsWith("unix:path=" + QFile::encodeName(m_folder.path())), address.constData());
        // Before anything asks for the session bus, so the code under test uses this one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QVERIFY(QDBusConnection::sessionBus().isConnected());

        m_standIns = QDBusConnection::connectToBus(QString::fromUtf8(address), "stand-ins");
        QVERIFY(m_standIns.registerObject("/PlasmaShell", &m_plasma, QDBusConnection::ExportAllSlots));
        QVERIFY(m_standIns.registerService("org.kde.plasmashell"));
        QVERIFY(m_standIns.registerObject("/org/freedesktop/portal/desktop", &m_portal,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(m_standIns.registerService("org.freedesktop.portal.Desktop"));
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus("stand-ins");
        m_bus.terminate();
        m_bus.waitForFinished();
    }

    void jsStringLiteral_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("plain") << "file:///home/ann/temp.bmp";
        QTest::newRow("quotes then script") << "it's \"); desktops()[0].remove(); (\"";
        QTest::newRow("backslashes, escaped quote") << "C:\\Users\\ann\\\"); evil(); //";
        QTest::newRow("control characters") << "a\nb\rc\td\x01";
        QTest::newRow("line separators") << QString::fromUtf16(u"a\u2028b\u2029c");
        QTest::newRow("non-ASCII") << QString::fromUtf16(u"每日图片 café Ærø");
        QTest::newRow("outside the BMP") << QString::fromUtf16(u"\U0001F30D.bmp");
    }

    void jsStringLiteral()
    {
        QFETCH(QString, text);
        const QString literal = platform::wallpaper::jsStringLiteral(text);
        // One line of printable ASCII that a JSON (and so a JavaScript) parser
        // reads back as exactly the text.
        for (const QChar c : literal)
            QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7f, qPrintable(literal));
        QCOMPARE(parsedLiteral(literal), text);
    }

    void plasma_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::newRow("quote") << "say \"cheese\"";
        QTest::newRow("backslash") << "back\\slash";
        QTest::newRow("space") << "my pictures";
        QTest::newRow("non-ASCII") << "每日图片 Ærø";
        QTest::newRow("URL syntax") << "#1 ?x=50%";
    }

    void plasma()
    {
        QFETCH(QString, folderName);
        const QString path = m_folder.filePath(folderName) + "/temp.bmp";
        qputenv("XDG_CURRENT_DESKTOP", "KDE");
        bool taken = false;

        platform::desktopWallpaper()->setWallpaper(path, [&taken](bool answered) { taken = answered; });

        QTRY_VERIFY(taken); // once the shell has answered
        QCOMPARE(m_plasma.scripts.size(), 1);
        const QString script = m_plasma.scripts.takeFirst();
        // The path's only place in the script is the literal on the first line.
        const auto match = QRegularExpression("^var image = (\".*\");\n").match(script);
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

    void xfce_data()
    {
        QTest::addColumn<QVariantMap>("before"); // properties the daemon holds already
        QTest::addColumn<QStringList>("images"); // properties that must name the file after
        const QString base = "/backdrop/screen0/";
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

    void xfce()
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
        daemon.setEnvironment(QProcess::systemEnvironment() << "XDG_CONFIG_HOME=" + config.path());
        daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon.start(xfconfd, {});
        QVERIFY(daemon.waitForStarted());
        auto stopDaemon = qScopeGuard([&daemon] { daemon.kill(); daemon.waitForFinished(); });
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered("org.xfce.Xfconf"), 10000);
        QMap<QString, QString> expected;
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const QVariantList arguments = {"xfce4-desktop", it.key(), QVariant::fromValue(QDBusVariant(*it))};
            QCOMPARE(xfconfCall("SetProperty", arguments).type(), QDBusMessage::ReplyMessage);
            expected.insert(it.key(), (it->typeId() == QMetaType::Int ? "int:" : "string:") + it->toString());
        }
        const QString path = m_folder.filePath(QString::fromUtf16(u"每日 \"x\"/temp.bmp"));
        qputenv("XDG_CURRENT_DESKTOP", "XFCE");
        bool taken = false;

        platform::desktopWallpaper()->setWallpaper(path, [&taken](bool set) { taken = set; });

        QTRY_VERIFY_WITH_TIMEOUT(taken, 10000); // once the daemon has set every property
        for (const QString &property : images) {
            QCOMPARE(xfconfCall("GetProperty", {"xfce4-desktop", property})
                         .arguments().value(0).value<QDBusVariant>().variant().toString(),
                     path);
            expected.insert(property, "string:" + path);
        }
        // Stopped, the daemon has written its channel file: that is what Xfce reads at login.
        stopDaemon.dismiss();
        daemon.terminate();
        QVERIFY(daemon.waitForFinished(10000));
        QCOMPARE(channelFile(config.filePath("xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml")),
                 expected);
    }

    void portal_data()
    {
        QTest::addColumn<bool>("gsettingsFirst"); // a GSettings desktop whose schema is missing
        QTest::newRow("unknown desktop") << false;
        QTest::newRow("GSettings not held") << true;
    }

    void portal()
    {
        QFETCH(bool, gsettingsFirst);
        const QString path = m_folder.filePath("portal temp.bmp");
        const QByteArray content = QByteArray("BM, only bytes to recognise: ") + QTest::currentDataTag();
        QVERIFY(writeFile(path, content));
        qputenv("XDG_CURRENT_DESKTOP", "sway");
        qputenv("DESKTOP_SESSION", "sway");

        bool taken = false;
        const auto done = [&taken](bool answered) { taken = answered; };
        if (gsettingsFirst)
            platform::wallpaper::GSettingsWallpaper({"org.tavelo.absent", {{"picture-uri"}}})
                .setWallpaper(path, done);
        else
            platform::desktopWallpaper()->setWallpaper(path, done);

        QTRY_VERIFY(taken); // once the portal has answered
        QCOMPARE(m_portal.calls.size(), 1);
        const QVariantMap options = {{"show-preview", false}, {"set-on", "background"}};
        QCOMPARE(m_portal.calls.takeFirst(), (QVariantList{QString(), content, options}));
        QVERIFY(m_plasma.scripts.isEmpty());
    }

private:
    QTemporaryDir m_folder;
    QProcess m_bus;
    QDBusConnection m_standIns = QDBusConnection(QString());
    PlasmaShellStandIn m_plasma;
    PortalStandIn m_portal;
};

QTEST_MAIN(TestDBusWallpaper)
#include "tst_wallpaper_dbus.moc"
