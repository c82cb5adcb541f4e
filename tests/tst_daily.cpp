#include "window.h"

#include "commands/daily.h"
#include "platform/schedule.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QLockFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QtDBus>

#include <sched.h>

using commands::DailyRecord;
using commands::DailyStep;

namespace {

// The archive's answer for one picture, and the picture at 1920 x 1080.
void offer(TestServer &server, const QByteArray &market, const QByteArray &name,
           const QByteArray &since, Qt::GlobalColor colour = Qt::darkGreen)
{
    const QByteArray answer = R"({"images":[{"urlbase":"/th?id=OHR.)" + name
            + R"(","fullstartdate":")" + since + "\"}]}";
    server.serve("/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=" + market, { 200, answer });
    server.serve("/th?id=OHR." + name + "_1920x1080.jpg", makeJpeg(64, 48, colour));
}

// Changes the tests' own network: "route del default" takes the connection away.
bool ip(const QString &arguments)
{
    return QProcess::execute("ip", arguments.split(' ')) == 0;
}

// systemd's user manager, stood in for: it remembers what it was asked.
class ManagerStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.systemd1.Manager")

public:
    QStringList calls;
    QString state = QStringLiteral("disabled");

public slots:
    QString GetUnitFileState(const QString &) { return calls << "State", state; }
    void Reload() { calls << "Reload"; }
    bool EnableUnitFiles(const QStringList &, bool, bool) { return calls << "Enable", true; }
    void DisableUnitFiles(const QStringList &, bool) { calls << "Disable"; }
    QDBusObjectPath StartUnit(const QString &unit, const QString &) { return job("Start " + unit); }
    QDBusObjectPath StopUnit(const QString &unit, const QString &) { return job("Stop " + unit); }
    void CleanUnit(const QString &, const QStringList &) { calls << "Clean"; }

private:
    QDBusObjectPath job(const QString &call) { return calls << call, QDBusObjectPath("/job/1"); }
};

} // namespace

// The daily change's runs and box, in a network of their own where there can be one.
class TestDaily : public QObject
{
    Q_OBJECT

public:
    // A home of the run's own, for the window here and the programs it starts.
    explicit TestDaily(bool ownNetwork) : m_ownNetwork(ownNetwork)
    {
        for (const auto &[name, value] : m_home.asKeyValueRange())
            qputenv(name.toUtf8(), value.toUtf8());
    }

private slots:
    void init()
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.remove("DISPLAY");
        for (const auto &[name, value] : m_home.asKeyValueRange())
            m_environment.insert(name, value);
        m_environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        QVERIFY(QDir().mkpath(m_folder));
        QVERIFY(QDir().mkpath(m_home["XDG_RUNTIME_DIR"]));
        QFile(m_home["XDG_RUNTIME_DIR"])
                .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(m_record);
    }

    void step_data()
    {
        QTest::addColumn<DailyRecord>("record");
        QTest::addColumn<QString>("newest"); // the archive's newest picture; empty: not asked yet
        QTest::addColumn<DailyStep>("step");
        const QDateTime later = QDateTime::currentDateTimeUtc().addSecs(60);
        const QDateTime earlier = later.addSecs(-120);
        const auto row = [](const char *name, DailyRecord record, QString newest, DailyStep step) {
            QTest::newRow(name) << record << newest << step;
        };
        row("not yet due: wait", { "ja-JP", "/a.jpg", later, {} }, {}, DailyStep::Wait);
        row("another market's: ask", { "zh-CN", "/a.jpg", later, {} }, {}, DailyStep::Ask);
        row("the one set last: up to date", { "ja-JP", "/a.jpg", earlier, {} }, "/a.jpg",
            DailyStep::UpToDate);
        row("another market's, though the same: set", { "zh-CN", "/a.jpg", earlier, {} }, "/a.jpg",
            DailyStep::Set);
    }

    void step()
    {
        QFETCH(DailyRecord, record);
        QFETCH(QString, newest);
        QFETCH(DailyStep, step);
        const retrieval::ArchivePicture picture{ newest };
        const auto *asked = newest.isEmpty() ? nullptr : &picture;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QCOMPARE(commands::dailyStep(record, "ja-JP", now, asked), step);
    }

    // Set, then up to date with no request; the archive's failure (1) and a
    // connection's (75, tried again soon) keep everything.
    void run()
    {
        TestServer server;
        QDateTime since = QDateTime::currentDateTimeUtc().addSecs(-3600);
        since.setTime(QTime(since.time().hour(), since.time().minute()));
        offer(server, "ja-JP", "Today", since.toString("yyyyMMddHHmm").toLatin1());
        QCOMPARE(tavelo({ "--set-wallpaper", "--region", "ja-JP" }, server), 0);
        const QString picture = server.origin() + "/th?id=OHR.Today_1920x1080.jpg";
        const DailyRecord record{ "ja-JP", picture, since.addDays(1), {} };
        QCOMPARE(commands::readDailyRecord(m_record), record);
        QVERIFY(readWhole(m_settings).contains("file://" + m_folder.toUtf8() + '/' + bitmaps()));
        QCOMPARE(tavelo({ "--set-wallpaper" }, server), 0); // the record's region, not due yet
        QCOMPARE(server.requests.size(), 2);

        const DailyRecord due{ "ja-JP", picture, QDateTime::currentDateTimeUtc(), {} };
        QCOMPARE(commands::writeDailyRecord(m_record, due), platform::Failure::None);
        const QByteArray before = readWhole(m_settings) + readWhole(m_record) + bitmaps();
        server.serve("/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=ja-JP", { 200, "<html>" });
        QByteArray said;
        QCOMPARE(tavelo({ "--set-wallpaper" }, server, &said), 1);
        QCOMPARE(said, "tavelo: 5: 发生错误，错误号 5。\n");
        server.stopListening();
        QCOMPARE(tavelo({ "--set-wallpaper" }, server, &said), 75);
        const QString offline = platform::loadMessage(platform::Failure::CannotConnect);
        QCOMPARE(said, "tavelo: -2146697211: " + offline.toUtf8() + '\n');
        QCOMPARE(readWhole(m_settings) + readWhole(m_record) + bitmaps(), before);
    }

    // A recorded market none of the nine counts as none; no data folder, no
    // record; Qt's own options go to the window, which starts loading.
    void outsideInput()
    {
        TestServer server;
        offer(server, "zh-CN", "China", "202612060000");
        QVERIFY(writeFile(m_record, R"({"market":"xx-XX"})"));
        QCOMPARE(tavelo({ "--set-wallpaper" }, server), 0); // zh-CN's, the one offered
        QCOMPARE(commands::dailyRecordPath({}), QString());
        m_environment.insert("TAVELO_CN_HOST", server.hostAndPort());
        QProcess window;
        start(window, { "-style", "fusion", "-platform", "offscreen" }, server);
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.contains("/?mkt=zh-CN"), Waiting);
        window.kill();
        window.waitForFinished();
    }

    // The original at the size that covers the screen (the display's, else
    // the one noted) where that is large; else the picture at 1920 x 1080.
    void largeScreen()
    {
        TestServer server;
        QImage original(4000, 3000, QImage::Format_RGB32);
        for (int i = 0; i < 4000 * 3000; ++i)
            original.setPixel(i % 4000, i / 4000,
                              qRgb(i % 4000 * 255 / 3999, i / 4000 * 255 / 2999, 128));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(original.save(&buffer, "JPG", 95));
        offer(server, "fr-FR", "Big", "202612060000");
        server.serve("/th?id=OHR.Big_UHD.jpg", jpeg);
        offer(server, "en-GB", "Small", "202612060000");
        const auto noting = [this](QSize screen) {
            return commands::writeDailyRecord(m_record, { "fr-FR", {}, {}, screen });
        };
        QCOMPARE(noting({ 1280, 1024 }), platform::Failure::None);
        QTemporaryDir screens;
        QVERIFY(writeFile(screens.filePath("a.json"),
                          R"({"screens":[{"name":"A","x":0,"y":0,"width":2400,"height":1300,)"
                          R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})"));
        m_environment.insert("QT_QPA_PLATFORM",
                             "offscreen:configfile=" + screens.filePath("a.json"));
        QCOMPARE(tavelo({ "--set-wallpaper" }, server), 0);
        const QImage wallpaper(m_folder + '/' + bitmaps());
        QCOMPARE(wallpaper.size(), QSize(2400, 1800));
        for (const QPoint at : { QPoint(0, 0), QPoint(2399, 1799), QPoint(1000, 300) }) {
            const QRgb seen = wallpaper.pixel(at);
            QVERIFY(qAbs(qRed(seen) - at.x() * 255 / 2399) < 6);
            QVERIFY(qAbs(qGreen(seen) - at.y() * 255 / 1799) < 6);
        }
        m_environment.remove("QT_QPA_PLATFORM");
        QCOMPARE(noting({ 3000, 2000 }), platform::Failure::None);
        QCOMPARE(tavelo({ "--set-wallpaper" }, server), 0);
        QCOMPARE(QImageReader(m_folder + '/' + bitmaps()).size(), QSize(3000, 2250));
        QCOMPARE(tavelo({ "--set-wallpaper", "--region", "en-GB" }, server), 0);
        QCOMPARE(QImageReader(m_folder + '/' + bitmaps()).size(), QSize(64, 48));
    }

    // Two runs at once on a slow desktop: the bitmap handed over last stays,
    // whole and alone. One that never answers ends the run, and its lock.
    void slowDesktops()
    {
        TestServer server;
        offer(server, "ja-JP", "One", "202612060000");
        offer(server, "de-DE", "Two", "202612060000", Qt::darkBlue);
        offer(server, "en-GB", "Three", "202612060000");
        pcmanfm("sleep 0.5\nprintf %s \"${1#--set-wallpaper=}\" >\"$HOME/handed\"\n");
        QProcess one, two;
        start(one, { "--set-wallpaper", "--region", "ja-JP" }, server);
        start(two, { "--set-wallpaper", "--region", "de-DE" }, server);
        const auto over = [](const QProcess &run) { return run.state() == QProcess::NotRunning; };
        QTRY_VERIFY_WITH_TIMEOUT(over(one) && over(two), Waiting);
        const QString handed = QString::fromUtf8(readWhole(m_home["HOME"] + "/handed"));
        QCOMPARE(m_folder + '/' + bitmaps(), handed);
        QCOMPARE(one.exitCode(), 0);
        QCOMPARE(two.exitCode(), 0);
        QVERIFY(!QImage(handed).isNull());

        pcmanfm("exec sleep 600\n");
        QByteArray said;
        QCOMPARE(tavelo({ "--set-wallpaper", "--region", "en-GB" }, server, &said), 1);
        QCOMPARE(said, "tavelo: 68: 发生错误，错误号 68。\n");
        QVERIFY(QLockFile(m_folder + "/wallpaper.lock").tryLock(0));
    }

    // Without a connection a run waits for one, and asks nothing meanwhile.
    void connectionComesLater()
    {
        if (!m_ownNetwork)
            QSKIP("takes the connection away in a network of its own, which needs root");
        TestServer server;
        offer(server, "ja-JP", "Later", "202612060000");
        QVERIFY(ip("route del default"));
        QProcess later;
        start(later, { "--set-wallpaper", "--region", "ja-JP" }, server);
        QTest::qWait(1500);
        QCOMPARE(server.requests.size(), 0);
        QVERIFY(ip("route add default via 10.200.0.2"));
        QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, Waiting);
        QCOMPARE(later.exitCode(), 0);
        QCOMPARE(server.requests.size(), 2);
    }

    // The units of a program run from anywhere: systemd finds the program.
    void unitsRunTheProgram_data()
    {
        QTest::addColumn<QString>("folder");
        for (const char *folder :
             { "a space", "a $b", "100%h", "a \"quote\"", "it's", "back\\slash" })
            QTest::newRow(folder) << QString::fromUtf8(folder);
    }

    void unitsRunTheProgram()
    {
        QFETCH(QString, folder);
        QTemporaryDir units;
        const QString program = units.filePath(folder + "/tavelo");
        QVERIFY(QDir().mkpath(QFileInfo(program).path()));
        QVERIFY(QFile::link("/bin/true", program));
        const QString service = units.filePath("tavelo-daily.service");
        QVERIFY(writeFile(service, platform::serviceText(program)));
        QProcess verify;
        verify.setProcessEnvironment(m_environment);
        verify.start("systemd-analyze", { "--user", "verify", service });
        QVERIFY(verify.waitForFinished());
        QCOMPARE(verify.readAllStandardError() + verify.readAllStandardOutput(), QByteArray());
        QCOMPARE(verify.exitCode(), 0);
    }

    // The box, with a stand-in user manager or none. Unticked while its
    // picture downloads: nothing set, nothing stays; ticked: the region's
    // picture set once; unticked: every file goes.
    void box_data()
    {
        QTest::addColumn<bool>("manager");
        QTest::newRow("a user manager") << true;
        QTest::newRow("none: an autostart entry") << false;
    }

    void box()
    {
        QFETCH(bool, manager);
        ManagerStandIn standIn;
        QDBusConnection bus = QDBusConnection::connectToBus(m_bus.address, "manager");
        const auto hangUp = qScopeGuard([] { QDBusConnection::disconnectFromBus("manager"); });
        const auto exported = QDBusConnection::ExportAllSlots;
        QVERIFY(!manager || bus.registerObject("/org/freedesktop/systemd1", &standIn, exported));
        QVERIFY(!manager || bus.registerService("org.freedesktop.systemd1"));
        const QString config = m_home["XDG_CONFIG_HOME"];
        const QStringList files = manager
                ? QStringList{ config + "/systemd/user/tavelo-daily.service",
                               config + "/systemd/user/tavelo-daily.timer" }
                : QStringList{ config + "/autostart/io.github.tavelo.Tavelo.Daily.desktop" };
        const auto written = [&files] {
            return std::ranges::count_if(files,
                                         [](const QString &file) { return QFile::exists(file); });
        };
        const QByteArray picture = "/th?id=OHR.Today_1920x1080.jpg";
        Window window;
        offer(window.main, "zh-CN", "Today", "202612060000");
        window.main.serve(
                picture, { 200, makeJpeg(64, 48, Qt::red), "image/jpeg", TestServer::Fault::Hold });
        window.start();
        WAIT_FOR_LOAD(window);
        const auto box = [&window] { return window.child<QAction>("Check1"); };
        QVERIFY(!box()->isChecked());
        window.click("Check1");
        QTRY_VERIFY_WITH_TIMEOUT(window.main.requests.contains(picture), Waiting);
        window.click("Check1");
        QTRY_VERIFY(box()->isEnabled());
        window.main.releaseHeld();
        QTest::qWait(500);
        QCOMPARE(window.wallpaper.paths.size(), 0);
        QVERIFY(!QFile::exists(m_record));
        QCOMPARE(written(), 0);

        window.main.serve(picture, makeJpeg(64, 48, Qt::red));
        window.click("Check1");
        QTRY_COMPARE_WITH_TIMEOUT(window.wallpaper.paths.size(), 1, Waiting);
        QCOMPARE(commands::readDailyRecord(m_record).picture, window.main.origin() + picture);
        QCOMPARE(written(), files.size());
        const QByteArray exec =
                "=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" --set";
        // Ticked in a window started then; the files run a moved program no more.
        standIn.state = "enabled";
        QVERIFY(writeFile(files[0], "Exec=/moved/tavelo --set-wallpaper\n"));
        {
            Window again;
            again.start();
            QTRY_VERIFY(again.child<QAction>("Check1")->isChecked());
        }
        QVERIFY(readWhole(files[0]).contains(exec));
        window.click("Check1");
        QTRY_VERIFY(!QFile::exists(m_record));
        QCOMPARE(written(), 0);
        QCOMPARE(window.wallpaper.paths.size(), 1);
        const QString on = "State, Reload, Enable, Reload, Start tavelo-daily.timer, ";
        const QString off = "State, Stop tavelo-daily.timer, Stop tavelo-daily.service, Clean, "
                            "Disable, Reload";
        const QString calls = "State, " + on + off + ", " + on + "State, Reload, " + off;
        QCOMPARE(standIn.calls.join(", "), manager ? calls : "");
    }

private:
    // The program, without a display, against the test server.
    void start(QProcess &program, const QStringList &arguments, const TestServer &server)
    {
        m_environment.insert("TAVELO_MAIN_HOST", server.hostAndPort());
        program.setProcessEnvironment(m_environment);
        program.start(TAVELO_PROGRAM, arguments);
    }
    // Its exit status, and what it said; the server answers from this event loop.
    int tavelo(const QStringList &arguments, const TestServer &server, QByteArray *said = nullptr)
    {
        QProcess program;
        start(program, arguments, server);
        [&program] { QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 60000); }();
        if (said)
            *said = program.readAllStandardError();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }
    // LXQt's desktop from now on, whose pcmanfm-qt runs script.
    void pcmanfm(const QByteArray &script)
    {
        const QString program = m_home["HOME"] + "/bin/pcmanfm-qt";
        QVERIFY(QDir().mkpath(QFileInfo(program).path()));
        QVERIFY(writeFile(program, "#!/bin/sh\n" + script));
        QFile(program).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        m_environment.insert("XDG_CURRENT_DESKTOP", "LXQt");
    }
    QByteArray bitmaps() const { return QDir(m_folder).entryList({ "*.bmp" }).join(' ').toUtf8(); }

    const bool m_ownNetwork;
    QTemporaryDir m_root;
    QHash<QString, QString> m_home{ { "HOME", m_root.path() },
                                    { "XDG_CONFIG_HOME", m_root.filePath("config") },
                                    { "XDG_DATA_HOME", m_root.filePath("data") },
                                    { "XDG_CACHE_HOME", m_root.filePath("cache") },
                                    { "XDG_RUNTIME_DIR", m_root.filePath("runtime") },
                                    { "XDG_CURRENT_DESKTOP", "GNOME" },
                                    { "GSETTINGS_BACKEND", "keyfile" },
                                    { "GSETTINGS_SCHEMA_DIR", TAVELO_SCHEMAS },
                                    { "PATH", m_root.filePath("bin:") + qgetenv("PATH") } };
    const QString m_folder = m_root.filePath("data/Tavelo");
    const QString m_record = m_folder + "/daily.json";
    const QString m_settings = m_root.filePath("config/glib-2.0/settings/keyfile");
    QProcessEnvironment m_environment;
    PrivateBus m_bus; // before anything asks for the session bus
};

// The runs reach only the tests' servers, through a connection they can take away.
int main(int argc, char *argv[])
{
    const bool ownNetwork = unshare(CLONE_NEWNET) == 0 && ip("link set lo up")
            && ip("link add tavelo0 type veth peer name tavelo1") && ip("link set tavelo0 up")
            && ip("link set tavelo1 up") && ip("addr add 10.200.0.1/24 dev tavelo0")
            && ip("route add default via 10.200.0.2");
    QApplication application(argc, argv);
    TestDaily test(ownNetwork);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_daily.moc"
